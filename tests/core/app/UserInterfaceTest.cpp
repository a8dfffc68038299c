// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeUserInterface.h"
#include "app/WMsgBox.h"

#include <gtest/gtest.h>

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

TEST(FakeUserInterface, RecordsMessagesAndAnswersInOrder) {
  TFakeUserInterface ui;
  ui.MessageResults = {TModalResult::Yes, TModalResult::No};
  TUserInterface& port = ui;
  EXPECT_EQ(port.ShowMessageBox("Wirklich?", "", TMsgKind::Question, TMsgButtons::YesNo),
            TModalResult::Yes);
  EXPECT_EQ(port.ShowMessageBox("Sicher?", "Quorvane", TMsgKind::Question, TMsgButtons::YesNo),
            TModalResult::No);
  EXPECT_EQ(port.ShowMessageBox("Fertig", "", TMsgKind::Information, TMsgButtons::OK),
            TModalResult::OK);
  ASSERT_EQ(ui.Messages.size(), 3u);
  EXPECT_EQ(ui.Messages[0].Caption, "Frage");
  EXPECT_EQ(ui.Messages[1].Caption, "Quorvane");
  EXPECT_EQ(ui.Messages[2].Buttons, TMsgButtons::OK);

  std::string line = "old";
  std::string list = "a";
  EXPECT_FALSE(port.InputLineAndListDialog("Eintrag", "URL", "Ausnahmen", line, list));
  EXPECT_EQ(line, "old");
  ui.LineAndListAnswers.push_back({"dialer", "x.example&&!y.example"});
  EXPECT_TRUE(port.InputLineAndListDialog("Eintrag", "URL", "Ausnahmen", line, list));
  EXPECT_EQ(list, "x.example&&!y.example");
}

} // namespace
