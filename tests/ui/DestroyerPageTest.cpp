// SPDX-License-Identifier: GPL-3.0-or-later
// Page "Müll" in the window and the keep-list dialog.
#include "ui/DestroyerPage.h"

#include "UiTestSupport.h"
#include "ui/CookieManagementDlgUnit.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

std::vector<std::string> Items(const QListWidget* list) {
  std::vector<std::string> items;
  for (int row = 0; row < list->count(); ++row)
    items.push_back(list->item(row)->text().toStdString());
  return items;
}

class DestroyerPage : public WindowTestBase {
protected:
  TDestroyerPage& Page() {
    Window->RBBar->setCurrentRow(3);
    Window->show();
    return *Window->DestroyerPage;
  }
};

TEST_F(DestroyerPage, TheAutomaticRunsBoxShowsOnlyOnTheBrowserTab) {
  Start();
  TDestroyerPage& page = Page();
  EXPECT_EQ(page.PC->tabText(0), "Windows aufräumen");
  EXPECT_EQ(page.PC->tabText(1), "Webbrowser aufräumen");
  EXPECT_EQ(page.PC->currentIndex(), 0) << "the first showing selects the first tab";
  EXPECT_FALSE(page.AutoKillChkBox->isVisible());
  page.PC->setCurrentIndex(1);
  EXPECT_TRUE(page.AutoKillChkBox->isVisible());
  EXPECT_FALSE(page.Box("AOLCache")->isVisibleTo(&page));
  EXPECT_TRUE(page.Box("ChromiumHistory")->isVisibleTo(&page));
}

TEST_F(DestroyerPage, BoxesShowTheStoredOptionsAndAClickStoresThem) {
  Store([](TRegistrySettings& s) {
    s.NSCookies = true;
    s.AOLHistory = true;
  });
  Start();
  TDestroyerPage& page = Page();
  EXPECT_TRUE(page.Box("NSCookies")->isChecked());
  EXPECT_TRUE(page.Box("AOLHistory")->isChecked());
  EXPECT_FALSE(page.Box("ClearRecycle")->isChecked());
  page.Box("ClearRecycle")->click();
  page.AutoKillChkBox->setChecked(true);
  EXPECT_TRUE(Main->BrowserMonitor().Active());
  const auto stored = Stored();
  EXPECT_TRUE(stored->ClearRecycle);
  EXPECT_TRUE(stored->AutoKill);
  EXPECT_TRUE(stored->AOLHistory) << "hidden boxes are saved like the others";
}

TEST_F(DestroyerPage, BrowsersNotFoundKeepTheirBoxesDisabled) {
  Start();
  TDestroyerPage& page = Page();
  EXPECT_FALSE(page.Box("NSCache")->isEnabled());
  EXPECT_FALSE(page.Box("ChromiumCookies")->isEnabled());
  EXPECT_TRUE(page.Box("IECookies")->isEnabled());
  EXPECT_TRUE(page.Box("ClearTempFiles")->isEnabled());
}

class CookieManagement : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  TCookieManagementDlg Dialog{{"a.example", "b.example", "c.example", "d.example"}, {}};
};

TEST_F(CookieManagement, MovedItemsArriveInReverseOrderAndTheNextIsSelected) {
  Dialog.show();
  Dialog.SrcList->item(1)->setSelected(true);
  Dialog.SrcList->item(2)->setSelected(true);
  Dialog.IncludeBtn->click();
  EXPECT_THAT(Items(Dialog.DstList), ElementsAre("c.example", "b.example"));
  EXPECT_THAT(Items(Dialog.SrcList), ElementsAre("a.example", "d.example"));
  EXPECT_EQ(Dialog.SrcList->currentRow(), 1);
  EXPECT_TRUE(Dialog.OKBtn->isEnabled());
}

TEST_F(CookieManagement, ButtonsFollowTheListsAndOKNeedsAKeptCookie) {
  Dialog.show();
  EXPECT_FALSE(Dialog.IncludeBtn->isEnabled());
  EXPECT_FALSE(Dialog.ExcludeBtn->isEnabled());
  EXPECT_FALSE(Dialog.OKBtn->isEnabled());
  Dialog.SrcList->item(0)->setSelected(true);
  EXPECT_TRUE(Dialog.IncAllBtn->isEnabled());
  Dialog.IncAllBtn->click();
  EXPECT_THAT(Items(Dialog.DstList),
              ElementsAre("a.example", "b.example", "c.example", "d.example"));
  EXPECT_EQ(Dialog.SrcList->count(), 0);
  EXPECT_FALSE(Dialog.IncludeBtn->isEnabled());
  Dialog.DstList->item(3)->setSelected(true);
  Dialog.ExcludeBtn->click();
  EXPECT_THAT(Items(Dialog.SrcList), ElementsAre("d.example"));
  EXPECT_EQ(Dialog.DstList->currentRow(), 2) << "past the end: the last item";
  EXPECT_THAT(Dialog.KeptCookies(), ElementsAre("a.example", "b.example", "c.example"));
}

} // namespace
