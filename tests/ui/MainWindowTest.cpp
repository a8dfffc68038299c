// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: navigation, the tray behaviour and the controls that apply
// settings through the controller.
#include "UiTestSupport.h"
#include "ui/BlockedURLsPage.h"
#include "ui/BrowserSecurityPage.h"
#include "ui/LastCalledSitesPage.h"
#include "ui/SettingsPage.h"
#include "ui/StatisticsPage.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTcpServer>
#include <QTreeWidget>
#include <fstream>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class MainWindowNavigation : public WindowTestBase {};

TEST_F(MainWindowNavigation, BarListsTheTenPagesInOrderAndEachItemShowsItsPage) {
  TMainWindow& window = Start();
  const QStringList expected = {"Übertragene Bytes",
                                "Zuletzt aufgerufene Seiten",
                                "Downloads über den Downloadmanager",
                                "Müll",
                                "Einstellungen",
                                "Anonyme Proxy-Server",
                                "Browsersicherheit",
                                "Seiten blockieren",
                                "Popupkiller",
                                "Downloadmanager"};
  ASSERT_EQ(window.RBBar->count(), expected.size());
  ASSERT_EQ(window.Notebook->count(), expected.size());
  for (int index = expected.size() - 1; index >= 0; --index) {
    EXPECT_EQ(window.RBBar->item(index)->text(), expected[index]);
    window.RBBar->setCurrentRow(index);
    EXPECT_EQ(window.Notebook->currentIndex(), index);
    const auto* header =
        window.Notebook->currentWidget()->findChild<QLabel*>(QStringLiteral("PageHeader"));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->text(), expected[index]);
  }
}

TEST_F(MainWindowNavigation, ChangeToPopupHasOneEntryPerPageAndEachShowsItsPage) {
  TMainWindow& window = Start();
  EXPECT_EQ(window.mnuChangeTo->text(), QStringLiteral("Wechseln zu... "));
  EXPECT_EQ(window.mnuExit->text(), QStringLiteral("Beenden "));
  QMenu* popup = window.ChangeToPopup();
  EXPECT_EQ(window.ChangeToPopup(), popup) << "filled once, on first use";
  const QList<QAction*> entries = popup->actions();
  ASSERT_EQ(entries.size(), TMainWindow::PageCount);
  for (int index = TMainWindow::PageCount - 1; index >= 0; --index) {
    EXPECT_EQ(entries[index]->text(), window.RBBar->item(index)->text());
    entries[index]->trigger();
    EXPECT_EQ(window.Notebook->currentIndex(), index);
    EXPECT_EQ(window.RBBar->currentRow(), index);
  }
}

TEST_F(MainWindowNavigation, OpeningStatisticsShowsTheCountersAsTheyStand) {
  Store([](TRegistrySettings& s) {
    s.Statistics.GETFiles = 7;
    s.Statistics.BlockedURLs = 3;
  });
  TMainWindow& window = Start();
  window.RBBar->setCurrentRow(4);
  window.RBBar->setCurrentRow(0);
  EXPECT_EQ(window.StatisticsPage->lGET->text(), QStringLiteral("7"));
  EXPECT_EQ(window.StatisticsPage->lWerbungen->text(), QStringLiteral("3"));
  EXPECT_EQ(window.StatisticsPage->lAnonProxy->text(), QStringLiteral("keiner"));
}

TEST_F(MainWindowNavigation, ClearingStatisticsAnsweredYesShowsZeros) {
  Store([](TRegistrySettings& s) { s.Statistics.GETFiles = 7; });
  TMainWindow& window = Start();
  UserInterface.MessageResults.push_back(TModalResult::Yes);
  window.StatisticsPage->ClearStatBtn->click();
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            "Möchten Sie die Statistik wirklich auf 0 zurücksetzen?");
  EXPECT_EQ(window.StatisticsPage->lGET->text(), QStringLiteral("0"));
  EXPECT_EQ(window.StatisticsPage->ClearStatBtn->toolTip(),
            QStringLiteral("Setzt die Statistik auf 0 zurück"));
}

TEST_F(MainWindowNavigation, RecentPagesAreCopiedWhenThePageOpensAndOnRefreshOnly) {
  TMainWindow& window = Start();
  Main->RequestEvents().AddLastCalledSite("http://a.example/");
  Main->RequestEvents().AddLastCalledSite("http://b.example/");
  const QListWidget* list = window.LastCalledSitesPage->LastCalledSitesLB;
  EXPECT_EQ(list->count(), 0);
  window.RBBar->setCurrentRow(1);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("http://b.example/"));

  Main->RequestEvents().AddLastCalledSite("http://c.example/");
  EXPECT_EQ(list->count(), 2) << "not updated live";
  window.LastCalledSitesPage->URLRefreshBtn->click();
  EXPECT_EQ(list->count(), 3);
}

TEST_F(MainWindowNavigation, SelectedRecentPageGoesToTheBlockList) {
  TMainWindow& window = Start();
  Main->RequestEvents().AddLastCalledSite("http://tracker.example/");
  window.RBBar->setCurrentRow(1);
  QPushButton* add = window.LastCalledSitesPage->Add2BlockedURLsBtn;
  EXPECT_FALSE(add->isEnabled());
  window.LastCalledSitesPage->LastCalledSitesLB->setCurrentRow(0);
  ASSERT_TRUE(add->isEnabled());
  UserInterface.ListAnswers.push_back("tracker.example");
  add->click();
  EXPECT_THAT(UserInterface.DialogCaptions,
              ElementsAre("Seite in zu blockierende Inhalte aufnehmen"));
  EXPECT_EQ(Main->Settings().BlockedURLList.back(), "tracker.example");
  EXPECT_EQ(window.BlockedURLsPage->URLLB->count(),
            static_cast<int>(Main->Settings().BlockedURLList.size()));
}

class MainWindowTray : public WindowTestBase {
protected:
  void SetUp() override {
    Store([](TRegistrySettings& s) { s.FirstStart = false; });
  }
};

TEST_F(MainWindowTray, StartsHiddenInTheTrayWithItsMenu) {
  TMainWindow& window = Start(true);
  window.ShowAtStart();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.TrayIcon->toolTip(), QStringLiteral("Quorvane aktiv"));
  QStringList captions;
  for (const QAction* action : window.TrayIconPopup->actions()) {
    if (!action->isSeparator())
      captions << action->text();
  }
  EXPECT_EQ(captions, (QStringList{"Anzeigen", "Minimieren", "Popup Killer",
                                   "Downloadmanager aktivieren/deaktivieren",
                                   "Laufende Downloads zeigen", "Beenden"}));
  EXPECT_EQ(window.TrayIconPopup->defaultAction(), window.TrayRestore);
  EXPECT_TRUE(window.TrayRestore->isEnabled());
  EXPECT_FALSE(window.TrayMinimize->isEnabled());
}

TEST_F(MainWindowTray, CloseHidesToTheTrayAndShowBringsItBack) {
  TMainWindow& window = Start(true);
  window.ShowAtStart();
  window.TrayRestore->trigger();
  ASSERT_TRUE(window.isVisible());
  EXPECT_FALSE(window.TrayRestore->isEnabled());
  EXPECT_TRUE(window.TrayMinimize->isEnabled());

  EXPECT_FALSE(window.close());
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(window.TrayRestore->isEnabled());
  EXPECT_FALSE(window.TrayMinimize->isEnabled());

  window.RestoreWindow();
  EXPECT_TRUE(window.isVisible());
  window.TrayMinimize->trigger();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTray, WithoutTrayTheWindowIsShownAndCloseOnlyMinimizes) {
  TMainWindow& window = Start(false);
  window.ShowAtStart();
  ASSERT_TRUE(window.isVisible());
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
}

struct TExitCase {
  const char* Name;
  QAction* TMainWindow::*Action;
};

class MainWindowExit : public WindowTestBase, public ::testing::WithParamInterface<TExitCase> {};

TEST_P(MainWindowExit, BeendenAsksFormCloseQueryThenEndsTheEventLoop) {
  TMainWindow& window = Start(true);
  window.ShowAtStart();
  int closeQueries = 0;
  Main->OnCloseQuery = [&closeQueries] { ++closeQueries; };
  QTimer::singleShot(0, &window, [&window] {
    // Closing the window only hides it; "Beenden" ends the program.
    window.close();
    (window.*GetParam().Action)->trigger();
  });
  // Should "Beenden" not end the loop, the test fails instead of hanging.
  QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_EQ(closeQueries, 1);
}

INSTANTIATE_TEST_SUITE_P(Menus, MainWindowExit,
                         ::testing::Values(TExitCase{"Menu", &TMainWindow::mnuExit},
                                           TExitCase{"Tray", &TMainWindow::PopupCloseProgram}),
                         [](const auto& info) { return std::string(info.param.Name); });

class MainWindowSettings : public WindowTestBase {};

TEST_F(MainWindowSettings, ControlsShowTheStoredSettings) {
  Store([](TRegistrySettings& s) {
    s.SaveLastCalledSites = false;
    s.MaxLastCalledSites = 42;
    s.ConnectionType = 2;
    s.ProxyPort = 3128;
    s.BlockCookies = true;
    s.BlockReferer = false;
    s.BlockSites = false;
  });
  TMainWindow& window = Start();
  EXPECT_FALSE(window.LastCalledSitesPage->saveLastCalledSitesChkBox->isChecked());
  EXPECT_FALSE(window.LastCalledSitesPage->MaxLastCalledSitesEdit->isEnabled());
  EXPECT_EQ(window.LastCalledSitesPage->MaxLastCalledSitesEdit->value(), 42);
  EXPECT_TRUE(window.SettingsPage->RB4->isChecked());
  EXPECT_EQ(window.SettingsPage->ProxyPortEdit->value(), 3128);
  EXPECT_TRUE(window.BrowserSecurityPage->CookiesChkBox->isChecked());
  EXPECT_TRUE(window.BrowserSecurityPage->CookiesBtn->isEnabled());
  EXPECT_FALSE(window.BrowserSecurityPage->RefererChkBox->isChecked());
  EXPECT_FALSE(window.BlockedURLsPage->BlockSitesChkBox->isChecked());
  EXPECT_EQ(window.SettingsPage->CfgPC->tabText(1), QStringLiteral("Quorvane-Einrichtung"));
}

TEST_F(MainWindowSettings, DslConnectionCannotBeChosenAndFallsBackToLan) {
  Store([](TRegistrySettings& s) { s.ConnectionType = 3; });
  TMainWindow& window = Start();
  EXPECT_FALSE(window.SettingsPage->RB3->isEnabled());
  EXPECT_TRUE(window.SettingsPage->RB1->isChecked());
}

// Each switch of "Browsersicherheit", toggled, is applied and stored at once.
struct TSwitchCase {
  const char* Box;
  bool TSettingsValues::*Setting;
};

class MainWindowSwitches : public WindowTestBase,
                           public ::testing::WithParamInterface<TSwitchCase> {};

TEST_P(MainWindowSwitches, ToggleIsStoredAtOnce) {
  TMainWindow& window = Start();
  auto* box = window.BrowserSecurityPage->findChild<QCheckBox*>(QString::fromUtf8(GetParam().Box));
  ASSERT_NE(box, nullptr);
  const bool before = Main->Settings().*GetParam().Setting;
  ASSERT_EQ(box->isChecked(), before);
  box->click();
  EXPECT_EQ(Main->Settings().*GetParam().Setting, !before);
  EXPECT_EQ(Stored().get()->*GetParam().Setting, !before);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MainWindowSwitches,
    ::testing::Values(TSwitchCase{"BrowserNameChkBox", &TSettingsValues::BlockBrowserName},
                      TSwitchCase{"RefererChkBox", &TSettingsValues::BlockReferer},
                      TSwitchCase{"CookiesChkBox", &TSettingsValues::BlockCookies},
                      TSwitchCase{"ActiveXChkBox", &TSettingsValues::BlockActiveX},
                      TSwitchCase{"FlashChkBox", &TSettingsValues::BlockFlash},
                      TSwitchCase{"JavaScriptChkBox", &TSettingsValues::BlockJS},
                      TSwitchCase{"ExeFilesChkBox", &TSettingsValues::BlockExeFiles}),
    [](const auto& info) { return std::string(info.param.Box); });

TEST_F(MainWindowSettings, CookieExceptionsFollowTheCookieSwitchAndOpenTheDialog) {
  TMainWindow& window = Start();
  TBrowserSecurityPage& page = *window.BrowserSecurityPage;
  ASSERT_FALSE(page.CookiesChkBox->isChecked());
  EXPECT_FALSE(page.CookiesBtn->isEnabled());
  page.CookiesChkBox->click();
  ASSERT_TRUE(page.CookiesBtn->isEnabled());
  UserInterface.CookiesAllowedAnswers.push_back({"quorvane.example", "bank.example"});
  page.CookiesBtn->click();
  EXPECT_THAT(Stored()->DomainCookiesAllowedList, ElementsAre("quorvane.example", "bank.example"));
}

TEST_F(MainWindowSettings, ConnectionKindAndRecentListLimitAreStored) {
  TMainWindow& window = Start();
  window.SettingsPage->RB2->click();
  window.LastCalledSitesPage->MaxLastCalledSitesEdit->setValue(5);
  window.LastCalledSitesPage->saveLastCalledSitesChkBox->click();
  const auto stored = Stored();
  EXPECT_EQ(stored->ConnectionType, 1);
  EXPECT_EQ(stored->MaxLastCalledSites, 5);
  EXPECT_FALSE(stored->SaveLastCalledSites);
  EXPECT_FALSE(window.LastCalledSitesPage->MaxLastCalledSitesEdit->isEnabled());
}

TEST_F(MainWindowSettings, ChoosingAConnectionKindRestartsTheMonitorUnderIt) {
  TMainWindow& window = Start();
  ASSERT_TRUE(window.SettingsPage->RB1->isChecked());
  ASSERT_TRUE(Main->Online());
  window.SettingsPage->RB2->click();
  EXPECT_FALSE(Main->Online());
  window.SettingsPage->RB1->click();
  EXPECT_TRUE(Main->Online());
}

TEST_F(MainWindowSettings, RecentListLimitZeroCanBeChosenAndSurvivesOtherChanges) {
  Store([](TRegistrySettings& s) { s.MaxLastCalledSites = 0; });
  TMainWindow& window = Start();
  QSpinBox* limit = window.LastCalledSitesPage->MaxLastCalledSitesEdit;
  EXPECT_EQ(limit->value(), 0);
  window.BrowserSecurityPage->FlashChkBox->click();
  EXPECT_EQ(Stored()->MaxLastCalledSites, 0) << "another change keeps the stored 0";

  limit->setValue(7);
  limit->setValue(0);
  EXPECT_EQ(limit->value(), 0);
  EXPECT_EQ(Stored()->MaxLastCalledSites, 0);
}

TEST_F(MainWindowSettings, PortChangeRebindsAndShowsTheNewPortInTheStatusBar) {
  TMainWindow& window = Start();
  EXPECT_EQ(window.StatusPanel->text(), QString::fromStdString(Main->StatusText()));
  QTcpServer probe; // a port that is free right now
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const int port = probe.serverPort();
  probe.close();
  window.SettingsPage->ProxyPortEdit->setValue(port);
  EXPECT_EQ(window.StatusPanel->text(),
            QStringLiteral("Quorvane Proxy-Server am Port %1 aktiv").arg(port));
  EXPECT_EQ(Main->ProxyServer().ListeningPort(), port);
  EXPECT_EQ(Stored()->ProxyPort, port);
}

TEST_F(MainWindowSettings, AutostartBoxAddsAndRemovesTheEntry) {
  TMainWindow& window = Start();
  const auto entry = Home.Path() / "autostart" / "quorvane.desktop";
  QCheckBox* box = window.SettingsPage->AutoStartChkBox;
  ASSERT_FALSE(box->isChecked());
  box->click();
  EXPECT_TRUE(std::filesystem::exists(entry));
  box->click();
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_TRUE(UserInterface.Messages.empty());
}

TEST_F(MainWindowSettings, AccessButtonStoresTheDialogsAnswer) {
  TMainWindow& window = Start();
  EXPECT_EQ(window.SettingsPage->ProxyAccessBtn->text(), QStringLiteral("Zugriffsbeschränkung..."));
  UserInterface.ProxyAccessAnswers.push_back({TAuthType::atThisIP, "10.0.0."});
  window.SettingsPage->ProxyAccessBtn->click();
  const auto stored = Stored();
  EXPECT_EQ(stored->ProxyAuthType, 2);
  EXPECT_EQ(stored->ProxyAuthIP, "10.0.0.");
}

} // namespace

namespace {

class MainWindowBrowsers : public WindowTestBase {};

TEST_F(MainWindowBrowsers, ListShowsTheRowsAndTheButtonActsOnTheTickedOnes) {
  const std::filesystem::path preferences =
      Home.Path() / "home" / ".config" / "chromium" / "Default" / "Preferences";
  std::filesystem::create_directories(preferences.parent_path());
  std::ofstream(preferences) << "{}";
  TMainWindow& window = Start();
  QTreeWidget* list = window.SettingsPage->BrowserLV;
  EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Browser"));
  EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Status"));
  const QStringList rows = {"Microsoft Internet Explorer", "Firefox/Mozilla/Netscape 6/7",
                            "Opera 7 oder neuer", "Chromium"};
  ASSERT_EQ(list->topLevelItemCount(), rows.size());
  for (int i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(list->topLevelItem(i)->text(0), rows[i]);
    EXPECT_EQ(list->topLevelItem(i)->text(1), QStringLiteral("nicht installiert"));
  }
  EXPECT_EQ(window.SettingsPage->ProxySaveSettingsBtn->text(),
            QStringLiteral("Quorvane für die gewählten Browser jetzt installieren/deinstallieren"));

  list->topLevelItem(3)->setCheckState(0, Qt::Checked);
  window.SettingsPage->ProxySaveSettingsBtn->click();

  EXPECT_EQ(list->topLevelItem(3)->text(1), QStringLiteral("installiert"));
  EXPECT_EQ(list->topLevelItem(3)->checkState(0), Qt::Checked) << "the ticks stay";
  EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("nicht installiert"));
}

} // namespace
