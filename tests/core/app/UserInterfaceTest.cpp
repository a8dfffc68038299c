// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadlessUnit.h"
#include "app/WMsgBox.h"
#include "proxy/HTTPProxyServer.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

struct KindCase {
  TMsgKind Kind;
  const char* Title;
  TMsgIcon Icon;
};

TEST(MessageBox, EachKindHasItsTitleAndIcon) {
  for (const KindCase& c :
       std::vector<KindCase>{{TMsgKind::Error, "Fehler", TMsgIcon::Exclamation},
                             {TMsgKind::Information, "Information", TMsgIcon::Information},
                             {TMsgKind::Question, "Frage", TMsgIcon::Question},
                             {TMsgKind::Warning, "Warnung", TMsgIcon::Stop},
                             {TMsgKind::Confirmation, "Bestätigung", TMsgIcon::Question}}) {
    EXPECT_EQ(MessageBoxTitle(c.Kind), c.Title);
    EXPECT_EQ(MessageBoxIcon(c.Kind), c.Icon) << c.Title;
  }
}

TEST(MessageBox, EmptyCaptionShowsTheKindsTitle) {
  EXPECT_EQ(MessageBoxCaption("", TMsgKind::Information), "Information");
  EXPECT_EQ(MessageBoxCaption("Quorvane", TMsgKind::Information), "Quorvane");
}

TEST(MessageBox, ResultsHaveTheStandardNumbers) {
  EXPECT_EQ(static_cast<int>(TModalResult::OK), 1);
  EXPECT_EQ(static_cast<int>(TModalResult::Yes), 6);
  EXPECT_EQ(static_cast<int>(TModalResult::No), 7);
}

// A run without a window never waits: each question takes its first button (its
// default No where it has one), and
// the message goes to the error stream with the caption it would have shown.
TEST(HeadlessUserInterface, AnswersEveryQuestionWithItsFirstButtonAndWritesTheMessage) {
  struct ButtonCase {
    int Buttons;
    TModalResult Expected;
  };
  for (const ButtonCase& c :
       std::vector<ButtonCase>{{TMsgButtons::OK, TModalResult::OK},
                               {TMsgButtons::YesNo, TModalResult::Yes},
                               {TMsgButtons::YesNoCancel, TModalResult::Yes},
                               {TMsgButtons::YesNoDefaultNo, TModalResult::No},
                               {TMsgButtons::AbortRetryIgnore, TModalResult::Abort},
                               {TMsgButtons::RetryCancel, TModalResult::Retry}}) {
    std::ostringstream errors;
    THeadlessUserInterface ui(errors);
    EXPECT_EQ(ui.ShowMessageBox("Wirklich?", "", TMsgKind::Question, c.Buttons), c.Expected)
        << c.Buttons;
    EXPECT_EQ(errors.str(), "Frage: Wirklich?\n");
  }
  std::ostringstream errors;
  THeadlessUserInterface ui(errors);
  ui.ShowMessageBox("Port belegt", "Quorvane", TMsgKind::Error, TMsgButtons::OK);
  EXPECT_EQ(errors.str(), "Quorvane: Port belegt\n");
}

TEST(HeadlessUserInterface, CancelsEveryDialogAndLeavesItsValues) {
  std::ostringstream errors;
  THeadlessUserInterface ui(errors);
  std::string line = "dialer";
  std::string list = "help.example";
  EXPECT_FALSE(ui.InputLineAndListDialog("Eintrag", "URL", "Ausnahmen", line, list));
  EXPECT_FALSE(ui.InputListDialog("Seite", "Seite/Wort:", line));
  TAuthType type = TAuthType::atThisIP;
  std::string ip = "192.168.1.";
  EXPECT_FALSE(ui.EditProxyAccess(type, ip));
  std::vector<std::string> domains = {"quorvane.example"};
  EXPECT_FALSE(ui.EditCookiesAllowed(domains));
  EXPECT_EQ(line, "dialer");
  EXPECT_EQ(list, "help.example");
  EXPECT_EQ(type, TAuthType::atThisIP);
  EXPECT_EQ(ip, "192.168.1.");
  EXPECT_EQ(domains, std::vector<std::string>{"quorvane.example"});
  EXPECT_EQ(errors.str(), "") << "nothing asked, nothing written";
}

} // namespace
