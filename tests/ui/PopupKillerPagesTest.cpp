// SPDX-License-Identifier: GPL-3.0-or-later
// Pages "Popupkiller" and "Downloadmanager", the tray's add-on items and the
// popup killer's list editor.
#include "UiTestSupport.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerTexts.h"
#include "privacy/PopupKillerUnit.h"
#include "ui/DownloadManagerPage.h"
#include "ui/PopupKillerPage.h"
#include "ui/QtUserInterface.h"
#include "ui/URLEditDlgUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <deque>

namespace {

class AddOnPages : public WindowTestBase {
protected:
  void SetUp() override {
    Store([](TRegistrySettings& s) { s.FirstStart = false; });
  }
};

TEST_F(AddOnPages, WithoutTheAddOnItsSwitchesAreDisabledAndTheUserIsTold) {
  std::filesystem::remove(Home.Path() / "program" / "qhelper.so");
  TMainWindow& window = Start();
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, PopupKillerTexts::AddOnMissing);
  EXPECT_FALSE(window.PopupKillerPage->popupkillerChkBox->isEnabled());
  EXPECT_FALSE(window.DownloadManagerPage->DMChkBox->isEnabled());
  EXPECT_FALSE(window.PopupKillerMenu->isEnabled());
  EXPECT_FALSE(window.mnuADDM->isEnabled());
  window.TrayIconClick();
  EXPECT_EQ(UserInterface.Messages.size(), 2u);
}

TEST_F(AddOnPages, PopupKillerBoxSwitchesTheAddOnAndTheTrayFollows) {
  TMainWindow& window = Start();
  TPopupKillerPage& page = *window.PopupKillerPage;
  EXPECT_EQ(window.PopupKiller2->text(), QStringLiteral("Popup Killer aktivieren"));
  EXPECT_FALSE(window.Die20zuletztblockiertenSeiten1->isEnabled());
  EXPECT_FALSE(page.AllowedPopupsBtn->isEnabled());
  page.popupkillerChkBox->click();
  EXPECT_TRUE(Main->AddOn().IsHelperRegistered());
  EXPECT_EQ(window.PopupKiller2->text(), QStringLiteral("Popup Killer deaktivieren"));
  EXPECT_TRUE(window.Die20zuletztblockiertenSeiten1->isEnabled());
  EXPECT_TRUE(page.AllowedPopupsBtn->isEnabled());
  EXPECT_TRUE(page.PKSoundFileName->isEnabled());

  // The tray switches off; the box catches up when the window is restored.
  window.PopupKiller2->trigger();
  EXPECT_EQ(window.PopupKiller2->text(), QStringLiteral("Popup Killer aktivieren"));
  EXPECT_TRUE(page.popupkillerChkBox->isChecked());
  window.TrayIconClick();
  EXPECT_FALSE(page.popupkillerChkBox->isChecked());
  EXPECT_FALSE(Main->AddOn().IsHelperRegistered());
}

TEST_F(AddOnPages, SoundFileAndListButtonsReachTheStore) {
  TMainWindow& window = Start();
  TPopupKillerPage& page = *window.PopupKillerPage;
  page.popupkillerChkBox->click();
  page.PKSoundFileName->setFocus();
  QTest::keyClicks(page.PKSoundFileName, QStringLiteral("/tmp/pop.wav"));
  EXPECT_EQ(LoadSoundFileName(*Registry), "/tmp/pop.wav");
  UserInterface.URLListAnswers.push_back({"dialer", "werbung"});
  page.BlockedURLsBtn->click();
  EXPECT_EQ(LoadBlockedPopupURLs(*Registry), (std::vector<std::string>{"dialer", "werbung"}));
}

TEST_F(AddOnPages, DownloadManagerOptionsFollowTheirBoxesAndAreStored) {
  TMainWindow& window = Start();
  TDownloadManagerPage& page = *window.DownloadManagerPage;
  EXPECT_FALSE(page.DrosselChkBox->isEnabled());
  page.DMChkBox->click();
  EXPECT_TRUE(window.mnuADDM->isChecked());
  EXPECT_TRUE(page.DrosselChkBox->isEnabled());
  EXPECT_FALSE(page.MaxDownloadBandwithEdit->isEnabled());
  EXPECT_TRUE(page.DMInfoWindowTimeEdit->isEnabled());

  page.DrosselChkBox->click();
  EXPECT_TRUE(page.MaxDownloadBandwithEdit->isEnabled());
  page.MaxDownloadBandwithEdit->setValue(9000);
  page.DMPercent->setValue(40);
  page.DMInfoWindowChkBox->click();
  EXPECT_FALSE(page.DMInfoWindowTimeEdit->isEnabled());
  const auto stored = Stored();
  EXPECT_TRUE(stored->DMDrossel);
  EXPECT_EQ(stored->DMMaxDownload, 8192) << "held to the edit's range";
  EXPECT_EQ(stored->DMDrosselPercent, 40);
  EXPECT_FALSE(stored->DMInfoWindow);

  page.DMFileExtEdit->setFocus();
  page.DMFileExtEdit->clear();
  QTest::keyClicks(page.DMFileExtEdit, QStringLiteral(".iso, .img"));
  EXPECT_EQ(page.DMFileExtEdit->text(), QStringLiteral(".ISO,.IMG"));
  EXPECT_EQ(Main->DMFileExtensions(), ".ISO,.IMG");

  window.mnuADDM->trigger();
  EXPECT_FALSE(page.DMChkBox->isChecked());
  EXPECT_FALSE(page.DrosselChkBox->isEnabled());
}

// --- TURLEditDlg

class URLEditDlg : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  // Answers the input boxes from a queue; an empty queue cancels.
  TURLEditDlg::TAskLine Scripted() {
    return [this](const QString& caption, const QString&,
                  const QString& text) -> std::optional<QString> {
      Asked.push_back({caption, text});
      if (Answers.empty())
        return std::nullopt;
      QString answer = Answers.front();
      Answers.pop_front();
      return answer;
    };
  }

  TFakeUserInterface UserInterface;
  std::deque<QString> Answers;
  std::vector<std::pair<QString, QString>> Asked;
};

TEST_F(URLEditDlg, NewRefusesCancelAndDuplicateWithTheErrorAndAppendsOtherwise) {
  TURLEditDlg dialog(QStringLiteral("Erlaubte Popups"), {"http://a.example/"}, UserInterface,
                     Scripted());
  dialog.NewUrlBtn->click();
  Answers = {QStringLiteral("HTTP://A.example/"), QStringLiteral("werbung")};
  dialog.NewUrlBtn->click();
  dialog.NewUrlBtn->click();
  ASSERT_EQ(UserInterface.Messages.size(), 2u);
  EXPECT_EQ(UserInterface.Messages[0].Text, PopupKillerTexts::EntryExistsOrInvalid);
  EXPECT_EQ(dialog.Entries(), (std::vector<std::string>{"http://a.example/", "werbung"}));
  EXPECT_EQ(Asked.front().first, QStringLiteral("Seite (URL) hinzufügen"));
}

TEST_F(URLEditDlg, ChangeAndDeleteFollowTheSelection) {
  TURLEditDlg dialog(QStringLiteral("Seiten verbieten"), {"a", "b"}, UserInterface, Scripted());
  dialog.show();
  EXPECT_FALSE(dialog.EditUrlBtn->isEnabled());
  EXPECT_FALSE(dialog.DelUrlBtn->isEnabled());
  dialog.URLLB->setCurrentRow(1);
  EXPECT_TRUE(dialog.EditUrlBtn->isEnabled());
  Answers = {QString()};
  dialog.EditUrlBtn->click();
  EXPECT_EQ(UserInterface.Messages.size(), 1u) << "an empty entry is refused";
  Answers = {QStringLiteral("B")};
  dialog.EditUrlBtn->click();
  EXPECT_EQ(Asked.back(),
            std::make_pair(QStringLiteral("Seite (URL) ändern"), QStringLiteral("b")));
  dialog.URLLB->setCurrentRow(0);
  dialog.DelUrlBtn->click();
  EXPECT_EQ(dialog.Entries(), std::vector<std::string>{"B"});
  EXPECT_FALSE(dialog.DelUrlBtn->isEnabled());
}

TEST_F(URLEditDlg, KilledPagesFormCollectsTheSelectionAsOftenAsChosen) {
  TURLEditDlg dialog(QStringLiteral("Die 20 zuletzt blockierten Seiten"), {"p1", "p2"},
                     UserInterface, Scripted());
  dialog.ShowAsKilledPages();
  dialog.show();
  EXPECT_FALSE(dialog.NewUrlBtn->isVisible());
  EXPECT_FALSE(dialog.DelUrlBtn->isVisible());
  EXPECT_EQ(dialog.EditUrlBtn->text(), QStringLiteral("Zu erlaubten Seiten hinzufügen"));
  dialog.URLLB->setCurrentRow(1);
  dialog.EditUrlBtn->click();
  dialog.EditUrlBtn->click();
  EXPECT_EQ(dialog.Collected(), (std::vector<std::string>{"p2", "p2"}));
  EXPECT_EQ(dialog.Entries(), (std::vector<std::string>{"p1", "p2"}));
  EXPECT_TRUE(Asked.empty());
}

TEST_F(URLEditDlg, PortHandsBackTheListOrTheCollectedPagesOnApplyOnly) {
  TQtUserInterface userInterface;
  std::vector<std::string> list = {"a", "b"};
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TURLEditDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Seiten verbieten"));
    dialog->URLLB->setCurrentRow(0);
    dialog->DelUrlBtn->click();
    dialog->CancelBtn->click();
  });
  EXPECT_FALSE(userInterface.EditURLList(PopupKillerTexts::BlockedURLsCaption, list));
  EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TURLEditDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->URLLB->setCurrentRow(0);
    dialog->DelUrlBtn->click();
    dialog->ApplyBtn->click();
  });
  EXPECT_TRUE(userInterface.EditURLList(PopupKillerTexts::BlockedURLsCaption, list));
  EXPECT_EQ(list, std::vector<std::string>{"b"});

  std::vector<std::string> collected;
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TURLEditDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Die 20 zuletzt blockierten Seiten"));
    dialog->URLLB->setCurrentRow(0);
    dialog->EditUrlBtn->click();
    dialog->ApplyBtn->click();
  });
  EXPECT_TRUE(userInterface.CollectKilledURLs({"http://p.example/x.html"}, collected));
  EXPECT_EQ(collected, std::vector<std::string>{"http://p.example/x.html"});
}

} // namespace
