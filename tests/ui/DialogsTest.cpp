// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the window and the Qt side of the user-interface port.
#include "UiTestSupport.h"
#include "ui/CookiesAllowedDlgUnit.h"
#include "ui/InputDialogs.h"
#include "ui/MessageBox.h"
#include "ui/ProxyAccessDlgUnit.h"
#include "ui/QtUserInterface.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <array>
#include <deque>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class Dialogs : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

// --- TProxyAccessDlg

struct TAccessCase {
  const char* Name;
  TAuthType Type;
  const char* Checked;
  bool EditEnabled;
};
std::ostream& operator<<(std::ostream& out, const TAccessCase& c) {
  return out << c.Name;
}

class ProxyAccessDlgOpens : public Dialogs, public ::testing::WithParamInterface<TAccessCase> {};

TEST_P(ProxyAccessDlgOpens, ChecksTheStoredModeAndEnablesTheEditOnlyForAnAddress) {
  TProxyAccessDlg dialog;
  dialog.SetAuthType(GetParam().Type);
  dialog.show();
  const auto* checked = dialog.findChild<QRadioButton*>(QString::fromUtf8(GetParam().Checked));
  ASSERT_NE(checked, nullptr);
  EXPECT_TRUE(checked->isChecked());
  EXPECT_EQ(dialog.ProxyIPEdit->isEnabled(), GetParam().EditEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ProxyAccessDlgOpens,
    ::testing::Values(TAccessCase{"All", TAuthType::atAll, "ProxyRB1", false},
                      TAccessCase{"ThisPC", TAuthType::atThisPC, "ProxyRB2", false},
                      TAccessCase{"ThisIP", TAuthType::atThisIP, "ProxyRB3", true},
                      TAccessCase{"UnknownChecksTheDefault", static_cast<TAuthType>(3), "ProxyRB2",
                                  false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Dialogs, ProxyAccessRadioClicksSwitchTheEditAndTheMode) {
  TProxyAccessDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Zugriffsbeschränkung"));
  EXPECT_EQ(dialog.ProxyIPEdit->text(), QStringLiteral("192.168.168.255"));
  dialog.show();
  dialog.ProxyRB3->click();
  EXPECT_TRUE(dialog.ProxyIPEdit->isEnabled());
  EXPECT_EQ(dialog.AuthType(), TAuthType::atThisIP);
  dialog.ProxyRB1->click();
  EXPECT_FALSE(dialog.ProxyIPEdit->isEnabled());
  EXPECT_EQ(dialog.AuthType(), TAuthType::atAll);
}

TEST_F(Dialogs, EditProxyAccessReturnsTheChoiceOnOkAndNothingOnCancel) {
  TQtUserInterface userInterface;
  TAuthType type = TAuthType::atThisPC;
  std::string ip = "192.168.168.255";
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TProxyAccessDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->ProxyRB3->click();
    dialog->ProxyIPEdit->setText(QStringLiteral("10.1."));
    dialog->OKBtn->click();
  });
  ASSERT_TRUE(userInterface.EditProxyAccess(type, ip));
  EXPECT_EQ(type, TAuthType::atThisIP);
  EXPECT_EQ(ip, "10.1.");

  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TProxyAccessDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->ProxyRB3->isChecked());
    EXPECT_EQ(dialog->ProxyIPEdit->text(), QStringLiteral("10.1."));
    dialog->ProxyRB1->click();
    dialog->CancelBtn->click();
  });
  EXPECT_FALSE(userInterface.EditProxyAccess(type, ip));
  EXPECT_EQ(type, TAuthType::atThisIP);
  EXPECT_EQ(ip, "10.1.");
}

// --- TCookiesAllowedDlg

class CookiesAllowedDlg : public Dialogs {
protected:
  // Answers the dialog's input boxes from a queue; an empty queue cancels.
  TCookiesAllowedDlg::TAskLine Scripted() {
    return [this](const QString& caption, const QString& prompt, QString& text) {
      Asked.push_back({caption, prompt, text});
      if (Answers.empty())
        return false;
      text = Answers.front();
      Answers.pop_front();
      return true;
    };
  }
  QStringList Shown(const TCookiesAllowedDlg& dialog) const {
    QStringList items;
    for (int row = 0; row < dialog.ListBox->count(); ++row)
      items << dialog.ListBox->item(row)->text();
    return items;
  }

  TFakeUserInterface UserInterface;
  std::deque<QString> Answers;
  std::vector<std::array<QString, 3>> Asked;
};

TEST_F(CookiesAllowedDlg, AddLowerCasesAndRefusesADuplicate) {
  TCookiesAllowedDlg dialog({"quorvane.example"}, UserInterface, Scripted());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ausnahmen für die Blockierung von Cookies"));
  Answers = {QStringLiteral("Bank.Example"), QStringLiteral("QUORVANE.example"), QString()};
  dialog.AddBtn->click();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0][0], QStringLiteral("Domain hinzufügen"));
  EXPECT_EQ(Asked[0][1], QStringLiteral("Domain:"));
  EXPECT_EQ(Asked[0][2], QString());
  EXPECT_EQ(Shown(dialog), (QStringList{"quorvane.example", "bank.example"}));

  dialog.AddBtn->click();
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, "Die Domain existiert bereits.");
  dialog.AddBtn->click(); // empty text
  dialog.AddBtn->click(); // cancelled
  EXPECT_THAT(dialog.Domains(), ElementsAre("quorvane.example", "bank.example"));
}

TEST_F(CookiesAllowedDlg, EditAndDeleteActOnTheSelectionOnly) {
  TCookiesAllowedDlg dialog({"a.example", "b.example"}, UserInterface, Scripted());
  dialog.show();
  EXPECT_FALSE(dialog.EditBtn->isEnabled());
  EXPECT_FALSE(dialog.DeleteBtn->isEnabled());
  EXPECT_EQ(dialog.AddBtn->toolTip(), QStringLiteral("Domain hinzufügen"));

  dialog.ListBox->setCurrentRow(1);
  ASSERT_TRUE(dialog.EditBtn->isEnabled());
  Answers = {QStringLiteral("C.Example")};
  dialog.EditBtn->click();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0][0], QStringLiteral("Domain ändern"));
  EXPECT_EQ(Asked[0][2], QStringLiteral("b.example"));
  EXPECT_THAT(dialog.Domains(), ElementsAre("a.example", "c.example"));

  dialog.ListBox->setCurrentRow(0);
  dialog.DeleteBtn->click();
  EXPECT_THAT(dialog.Domains(), ElementsAre("c.example"));
  EXPECT_FALSE(dialog.DeleteBtn->isEnabled());
  EXPECT_FALSE(dialog.EditBtn->isEnabled());
}

TEST_F(CookiesAllowedDlg, PortHandsBackTheListOnOkOnly) {
  TQtUserInterface userInterface;
  std::vector<std::string> domains = {"a.example", "b.example"};
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TCookiesAllowedDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->ListBox->setCurrentRow(0);
    dialog->DeleteBtn->click();
    dialog->CancelBtn->click();
  });
  EXPECT_FALSE(userInterface.EditCookiesAllowed(domains));
  EXPECT_THAT(domains, ElementsAre("a.example", "b.example"));

  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TCookiesAllowedDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->ListBox->setCurrentRow(0);
    dialog->DeleteBtn->click();
    dialog->OKBtn->click();
  });
  EXPECT_TRUE(userInterface.EditCookiesAllowed(domains));
  EXPECT_THAT(domains, ElementsAre("b.example"));
}

TEST_F(CookiesAllowedDlg, DefaultInputBoxIsAskedThroughQt) {
  TFakeUserInterface userInterface;
  TCookiesAllowedDlg dialog({}, userInterface);
  OnNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Domain hinzufügen"));
    EXPECT_EQ(box->labelText(), QStringLiteral("Domain:"));
    box->setTextValue(QStringLiteral("New.Example"));
    box->accept();
  });
  dialog.AddBtn->click();
  EXPECT_THAT(dialog.Domains(), ElementsAre("new.example"));
}

// --- Message box

struct TKindCase {
  TMsgKind Kind;
  const char* Title;
  QMessageBox::Icon Icon;
};

TEST_F(Dialogs, MessageBoxKindsGiveTitleAndIcon) {
  const TKindCase cases[] = {
      {TMsgKind::Error, "Fehler", QMessageBox::Warning},
      {TMsgKind::Information, "Information", QMessageBox::Information},
      {TMsgKind::Question, "Frage", QMessageBox::Question},
      {TMsgKind::Warning, "Warnung", QMessageBox::Critical},
      {TMsgKind::Confirmation, "Bestätigung", QMessageBox::Question},
  };
  for (const TKindCase& c : cases) {
    const auto box = CreateMessageBox("Text", "", c.Kind, TMsgButtons::OK, nullptr);
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.Title));
    EXPECT_EQ(box->icon(), c.Icon) << c.Title;
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  }
  const auto named =
      CreateMessageBox("a\r\nb\r\rc", "Quorvane", TMsgKind::Error, TMsgButtons::OK, nullptr);
  EXPECT_EQ(named->windowTitle(), QStringLiteral("Quorvane"));
  EXPECT_EQ(named->text(), QStringLiteral("a\nb\n\nc"));
}

TEST_F(Dialogs, MessageBoxButtonSetsHaveGermanCaptions) {
  const struct {
    int Buttons;
    QStringList Captions;
  } cases[] = {
      {TMsgButtons::AbortRetryIgnore, {"Abbrechen", "Wiederholen", "Ignorieren"}},
      {TMsgButtons::OK, {"OK"}},
      {TMsgButtons::OKCancel, {"OK", "Abbrechen"}},
      {TMsgButtons::RetryCancel, {"Wiederholen", "Abbrechen"}},
      {TMsgButtons::YesNo, {"Ja", "Nein"}},
      {TMsgButtons::YesNoDefaultNo, {"Ja", "Nein"}},
      {TMsgButtons::YesNoCancel, {"Ja", "Nein", "Abbrechen"}},
  };
  for (const auto& c : cases) {
    const auto box = CreateMessageBox("Text", "", TMsgKind::Question, c.Buttons, nullptr);
    QStringList captions;
    for (const QAbstractButton* button : box->buttons())
      captions << button->text();
    captions.sort();
    QStringList expected = c.Captions;
    expected.sort();
    EXPECT_EQ(captions, expected) << c.Buttons;
  }
}

TEST_F(Dialogs, QuestionWithDefaultNoHasNoAsItsDefaultButton) {
  const auto box =
      CreateMessageBox("Text", "", TMsgKind::Confirmation, TMsgButtons::YesNoDefaultNo, nullptr);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
}

TEST_F(Dialogs, ShowMessageBoxAnswersTheButtonPressed) {
  TQtUserInterface userInterface;
  const struct {
    QMessageBox::StandardButton Press;
    TModalResult Result;
  } cases[] = {{QMessageBox::Yes, TModalResult::Yes},
               {QMessageBox::No, TModalResult::No},
               {QMessageBox::Cancel, TModalResult::Cancel}};
  for (const auto& c : cases) {
    OnNextModal([press = c.Press](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Bestätigung"));
      box->button(press)->click();
    });
    EXPECT_EQ(userInterface.ShowMessageBox("Wirklich?", "", TMsgKind::Confirmation,
                                           TMsgButtons::YesNoCancel),
              c.Result);
  }
}

// --- The two text-entry dialogs

TEST_F(Dialogs, LineAndListDialogShowsEntriesOneALineAndJoinsThemBack) {
  TInputLineAndListDlg dialog("Seite (URL) ändern", "Seite (URL) oder Begriff in der URL:",
                              "soll nicht enthalten (pro Zeile ein Begriff):", "dialer",
                              "a.example&&!b.example");
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Seite (URL) ändern"));
  EXPECT_EQ(dialog.ListEdit->toPlainText(), QStringLiteral("a.example\nb.example"));
  EXPECT_EQ(dialog.LineEdit->maxLength(), 255);
  EXPECT_EQ(dialog.LineEdit->selectedText(), QStringLiteral("dialer"));
  dialog.ListEdit->setPlainText(QStringLiteral(" c. example \n\n\nd.example\n"));
  EXPECT_EQ(dialog.List(), "c.example&&!d.example");
  EXPECT_EQ(dialog.Line(), "dialer");
  dialog.ListEdit->setPlainText(
      QString(TInputLineAndListDlg::MaxListLength + 10, QLatin1Char('x')));
  EXPECT_EQ(dialog.ListEdit->toPlainText().size(), TInputLineAndListDlg::MaxListLength);
}

TEST_F(Dialogs, PortInputDialogsReplaceTheValuesOnOkOnly) {
  TQtUserInterface userInterface;
  std::string line = "old";
  std::string list = "x";
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TInputLineAndListDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->LineEdit->setText(QStringLiteral("new"));
    dialog->ListEdit->setPlainText(QStringLiteral("y\nz"));
    dialog->OKBtn->click();
  });
  ASSERT_TRUE(userInterface.InputLineAndListDialog("C", "P", "L", line, list));
  EXPECT_EQ(line, "new");
  EXPECT_EQ(list, "y&&!z");

  std::string text = "keep";
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TInputListDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->TextEdit->textCursor().selectedText(), QStringLiteral("keep"));
    dialog->TextEdit->setPlainText(QStringLiteral("changed"));
    dialog->CancelBtn->click();
  });
  EXPECT_FALSE(userInterface.InputListDialog("Seite in zu blockierende Inhalte aufnehmen",
                                             "Seite/Wort:", text));
  EXPECT_EQ(text, "keep");

  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TInputListDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->TextEdit->setPlainText(QStringLiteral("  a\nb  \n"));
    dialog->OKBtn->click();
  });
  ASSERT_TRUE(userInterface.InputListDialog("C", "P", text));
  EXPECT_EQ(text, "a\r\nb");
}

} // namespace
