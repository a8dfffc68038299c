// SPDX-License-Identifier: GPL-3.0-or-later
// The wizard's widgets: pages and buttons, the firewall text, the refusal to close
// early, and the answers it hands back.
#include "ui/WelcomeDlg.h"

#include "UiTestSupport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

class WelcomeDlg : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

TWelcomeAnswers Stored() {
  TWelcomeAnswers answers;
  answers.ConnectionType = 2;
  answers.ProxyPort = 8118;
  answers.BlockReferer = true;
  return answers;
}

TEST_F(WelcomeDlg, OpensOnTheFirstPageWithTheAnswersInTheControls) {
  TWelcomeDlg dialog(Stored(), {true, false});
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quorvane - Einrichtungsassistent"));
  EXPECT_EQ(dialog.Notebook->count(), 6);
  EXPECT_EQ(dialog.Notebook->currentIndex(), 0);
  EXPECT_FALSE(dialog.PrevBtn->isEnabled());
  EXPECT_EQ(dialog.PrevBtn->text(), QStringLiteral("< Zurück"));
  EXPECT_EQ(dialog.NextBtn->text(), QStringLiteral("Weiter >"));
  EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Abbrechen"));
  EXPECT_TRUE(dialog.RB4->isChecked()) << "ISDN is stored as 2";
  EXPECT_FALSE(dialog.RB3->isEnabled()) << "DSL cannot be chosen without its software";
  EXPECT_EQ(dialog.ProxyPortEdit->value(), 8118);
  ASSERT_EQ(dialog.BrowserLV->topLevelItemCount(), 3);
  EXPECT_EQ(dialog.BrowserLV->topLevelItem(1)->text(0),
            QStringLiteral("Firefox/Mozilla/Netscape 6/7"));
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(dialog.BrowserLV->topLevelItem(row)->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(dialog.RefererChkBox->isChecked());
  EXPECT_TRUE(dialog.DownloadManagerChkBox->isEnabled());
  EXPECT_EQ(dialog.Answers(), Stored());
}

TEST_F(WelcomeDlg, WithoutTheAddOnTheSevenFeatureBoxesAreDisabled) {
  TWelcomeDlg dialog(Stored(), {false, false});
  for (QCheckBox* box :
       {dialog.DownloadManagerChkBox, dialog.PopupKillerChkBox, dialog.BrowserNameChkBox,
        dialog.RefererChkBox, dialog.ActiveXChkBox, dialog.FlashChkBox, dialog.JavaScriptChkBox}) {
    EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
  }
  EXPECT_TRUE(dialog.BrowserLV->isEnabled());
}

TEST_F(WelcomeDlg, NextAndBackWalkThePagesAndTheLastReadsFertigStellen) {
  TWelcomeDlg dialog(Stored(), {true, false});
  for (int page = 1; page < 6; ++page) {
    dialog.NextBtn->click();
    EXPECT_EQ(dialog.Notebook->currentIndex(), page);
    EXPECT_TRUE(dialog.PrevBtn->isEnabled());
  }
  EXPECT_EQ(dialog.NextBtn->text(), QStringLiteral("Fertig stellen"));
  dialog.PrevBtn->click();
  EXPECT_EQ(dialog.Notebook->currentIndex(), 4);
  EXPECT_EQ(dialog.NextBtn->text(), QStringLiteral("Weiter >"));
}

TEST_F(WelcomeDlg, FirewallPageNamesThePortFromThePortPage) {
  TWelcomeDlg dialog(Stored(), {true, false});
  dialog.ShowPage(2);
  dialog.ProxyPortEdit->setValue(3128);
  dialog.NextBtn->click();
  dialog.NextBtn->click();
  ASSERT_EQ(dialog.Notebook->currentIndex(), 4);
  EXPECT_THAT(dialog.FirewallLabel->text().toStdString(),
              HasSubstr("auf dem lokalen Rechner für den Port 3128.\n"));
  dialog.PrevBtn->click();
  dialog.PrevBtn->click();
  dialog.ProxyPortEdit->setValue(9999);
  dialog.ShowPage(4);
  EXPECT_THAT(dialog.FirewallLabel->text().toStdString(), HasSubstr("für den Port 9999."));
}

TEST_F(WelcomeDlg, ClosesOnlyFromTheLastPage) {
  TWelcomeDlg dialog(Stored(), {true, false});
  dialog.show();
  for (int page = 0; page < 5; ++page) {
    dialog.ShowPage(page);
    dialog.CancelBtn->click();
    EXPECT_TRUE(dialog.isVisible()) << "Abbrechen on page " << page;
    QCloseEvent close;
    QApplication::sendEvent(&dialog, &close);
    EXPECT_FALSE(close.isAccepted()) << "closing on page " << page;
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible()) << "Escape on page " << page;
  }
  dialog.ShowPage(5);
  dialog.CancelBtn->click();
  EXPECT_FALSE(dialog.isVisible()) << "Abbrechen on the last page ends it";

  TWelcomeDlg finished(Stored(), {true, false});
  finished.show();
  finished.ShowPage(5);
  finished.NextBtn->click();
  EXPECT_FALSE(finished.isVisible());
  EXPECT_EQ(finished.result(), QDialog::Accepted);
}

TEST_F(WelcomeDlg, AnswersFollowTheControls) {
  TWelcomeDlg dialog(Stored(), {true, false});
  struct TCase {
    QRadioButton* Button;
    int Type;
  };
  for (const TCase c : {TCase{dialog.RB1, 0}, TCase{dialog.RB2, 1}, TCase{dialog.RB4, 2}}) {
    c.Button->setChecked(true);
    EXPECT_EQ(dialog.Answers().ConnectionType, c.Type);
  }
  dialog.BrowserLV->topLevelItem(2)->setCheckState(0, Qt::Checked);
  dialog.PopupKillerChkBox->setChecked(false);
  dialog.JavaScriptChkBox->setChecked(true);
  dialog.ProxyPortEdit->setValue(1);
  const TWelcomeAnswers answers = dialog.Answers();
  EXPECT_EQ(answers.Browsers, (std::array<bool, 3>{false, false, true}));
  EXPECT_FALSE(answers.PopupKiller);
  EXPECT_TRUE(answers.DownloadManager);
  EXPECT_TRUE(answers.BlockJS);
  EXPECT_EQ(answers.ProxyPort, 1);
}

TEST_F(WelcomeDlg, DslKindCanBeChosenWithItsSoftware) {
  TWelcomeAnswers answers = Stored();
  answers.ConnectionType = 3;
  TWelcomeDlg dialog(answers, {true, true});
  EXPECT_TRUE(dialog.RB3->isEnabled());
  EXPECT_TRUE(dialog.RB3->isChecked());
  EXPECT_EQ(dialog.Answers().ConnectionType, 3);
}

} // namespace
