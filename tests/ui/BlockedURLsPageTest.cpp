// SPDX-License-Identifier: GPL-3.0-or-later
// The block-list editor of the page "Seiten blockieren": what may be pressed, the
// keys of the list, and the edits going through the controller.
#include "ui/BlockedURLsPage.h"

#include "UiTestSupport.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using TAnswer = TFakeUserInterface::TLineAndListAnswer;

class BlockListEditor : public WindowTestBase {
protected:
  void SetUp() override {
    Store([](TRegistrySettings& s) {
      s.BlockSites = true;
      s.BlockedURLList = {"dialer&&!help.example", "ads"};
    });
    Start();
    // Shown, so that mouse and keys reach the list as a user's would.
    Window->show();
    Window->RBBar->setCurrentRow(7);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    Page = Window->BlockedURLsPage;
  }

  QStringList Shown() const {
    QStringList items;
    for (int row = 0; row < Page->URLLB->count(); ++row)
      items << Page->URLLB->item(row)->text();
    return items;
  }
  const std::vector<std::string>& Entries() { return Main->Settings().BlockedURLList; }

  TBlockedURLsPage* Page = nullptr;
};

TEST_F(BlockListEditor, ShowsTheStoredListWithItsCaptions) {
  EXPECT_EQ(Shown(), (QStringList{"dialer&&!help.example", "ads"}));
  EXPECT_EQ(Page->BlockSitesChkBox->text(), QStringLiteral(" Blockierung von Seiten aktivieren."));
  EXPECT_EQ(Page->NewUrlBtn->text(), QStringLiteral("  Neu  "));
  EXPECT_EQ(Page->EditUrlBtn->text(), QStringLiteral("  Ändern  "));
  EXPECT_EQ(Page->DelUrlBtn->text(), QStringLiteral("  Löschen  "));
}

TEST_F(BlockListEditor, EditAndDeleteNeedASelectionAndEverythingNeedsTheSwitch) {
  EXPECT_TRUE(Page->NewUrlBtn->isEnabled());
  EXPECT_FALSE(Page->EditUrlBtn->isEnabled());
  EXPECT_FALSE(Page->DelUrlBtn->isEnabled());
  Page->URLLB->setCurrentRow(1);
  EXPECT_TRUE(Page->EditUrlBtn->isEnabled());
  EXPECT_TRUE(Page->DelUrlBtn->isEnabled());

  Page->BlockSitesChkBox->click();
  EXPECT_FALSE(Main->Settings().BlockSites);
  EXPECT_TRUE(Main->ProxyServer().BlockedURLS().empty()) << "switched off: nothing blocked";
  for (QWidget* control :
       {static_cast<QWidget*>(Page->URLLB), static_cast<QWidget*>(Page->NewUrlBtn),
        static_cast<QWidget*>(Page->EditUrlBtn), static_cast<QWidget*>(Page->DelUrlBtn)}) {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }
  Page->BlockSitesChkBox->click();
  EXPECT_TRUE(Page->EditUrlBtn->isEnabled());
  EXPECT_THAT(Main->ProxyServer().BlockedURLS(), ElementsAre("dialer", "ads"));
}

TEST_F(BlockListEditor, NewAppendsTheEntryToListAndSettings) {
  UserInterface.LineAndListAnswers.push_back({"track", "safe.example&&!ok.example"});
  Page->NewUrlBtn->click();
  EXPECT_THAT(UserInterface.DialogCaptions, ElementsAre("Seite (URL) hinzufügen"));
  EXPECT_EQ(Shown(),
            (QStringList{"dialer&&!help.example", "ads", "track&&!safe.example&&!ok.example"}));
  EXPECT_THAT(Stored()->BlockedURLList,
              ElementsAre("dialer&&!help.example", "ads", "track&&!safe.example&&!ok.example"));
}

TEST_F(BlockListEditor, EditReplacesTheSelectedEntryAndKeepsItSelected) {
  Page->URLLB->setCurrentRow(1);
  UserInterface.LineAndListAnswers.push_back({"banner", ""});
  Page->EditUrlBtn->click();
  EXPECT_THAT(UserInterface.DialogCaptions, ElementsAre("Seite (URL) ändern"));
  EXPECT_EQ(Shown(), (QStringList{"dialer&&!help.example", "banner"}));
  EXPECT_EQ(Page->URLLB->currentRow(), 1);
  EXPECT_TRUE(Page->EditUrlBtn->isEnabled());
}

TEST_F(BlockListEditor, DeleteRemovesTheSelectedEntryWithoutAsking) {
  Page->URLLB->setCurrentRow(0);
  Page->DelUrlBtn->click();
  EXPECT_EQ(Shown(), (QStringList{"ads"}));
  EXPECT_TRUE(UserInterface.Messages.empty());
  EXPECT_FALSE(Page->DelUrlBtn->isEnabled()) << "nothing selected after a deletion";
  EXPECT_THAT(Stored()->BlockedURLList, ElementsAre("ads"));
}

// Insert, Enter and Delete on the list act as the buttons (Enter and Delete only
// when their button is enabled); a double click edits.
TEST_F(BlockListEditor, KeysOfTheListActAsTheButtons) {
  UserInterface.LineAndListAnswers.push_back({"popup", ""});
  QTest::keyClick(Page->URLLB, Qt::Key_Insert);
  EXPECT_EQ(Shown().last(), QStringLiteral("popup"));

  Page->URLLB->clearSelection();
  QTest::keyClick(Page->URLLB, Qt::Key_Delete);
  QTest::keyClick(Page->URLLB, Qt::Key_Return);
  EXPECT_EQ(Shown().size(), 3) << "nothing selected: Delete does nothing";
  EXPECT_EQ(UserInterface.DialogCaptions.size(), 1u) << "nothing selected: Enter opens no dialog";

  Page->URLLB->setCurrentRow(2);
  UserInterface.LineAndListAnswers.push_back({"popups", ""});
  QTest::keyClick(Page->URLLB, Qt::Key_Return);
  EXPECT_EQ(Shown().last(), QStringLiteral("popups"));

  UserInterface.LineAndListAnswers.push_back({"ad", ""});
  const QRect cell = Page->URLLB->visualItemRect(Page->URLLB->item(1));
  // The first click of a double click selects the entry.
  QTest::mouseClick(Page->URLLB->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(Page->URLLB->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(Shown()[1], QStringLiteral("ad"));

  Page->URLLB->setCurrentRow(0);
  QTest::keyClick(Page->URLLB, Qt::Key_Delete);
  EXPECT_EQ(Shown(), (QStringList{"ad", "popups"}));
  EXPECT_THAT(Entries(), ElementsAre("ad", "popups"));
}

} // namespace
