// SPDX-License-Identifier: GPL-3.0-or-later
// TMain and the anonymous upstream pool: start-up selection, rotation, switching the
// pool, the actions of page 5, and failover as the server reports it.
#include "MainTestSupport.h"
#include "downloads/DownloadManagerUnit.h"
#include "pool/ProxyFileUnit.h"

#include <fstream>

namespace {

class MainPoolTest : public MainTestBase {
protected:
  void SetUp() override {
    // Nothing answers there: the own address stays unknown and no pass starts.
    Home.Environment().Set("QUORVANE_WEB_SERVER", "http://127.0.0.1:9");
  }

  // Stores the settings and a list of proxies "p1", "p2", ... with these times.
  void StorePool(const std::vector<std::uint16_t>& times, bool use = true,
                 const std::function<void(TRegistrySettings&)>& more = {}) {
    Store([&](TRegistrySettings& settings) {
      settings.UseAnonymousProxyServers = use;
      if (more)
        more(settings);
      DataFolder = settings.GetDataFolder();
    });
    TProxyFileClass list(DataFolder + "proxies.dat", false);
    list.ClearList();
    for (std::size_t i = 0; i < times.size(); ++i)
      list.AddProxy("p" + std::to_string(i + 1), std::to_string(3001 + i), times[i]);
    ASSERT_TRUE(list.SaveToFile());
  }

  std::string Upstream() { return Main->ProxyServer().AnonymousProxy(); }
  // The upstream the download manager would give a download started now.
  std::string DownloadProxy() {
    const TDownloadManagerClass& manager = *Main->DownloadManager();
    return manager.ProxyHost().empty()
               ? std::string()
               : manager.ProxyHost() + ":" + std::to_string(manager.ProxyPort());
  }
  TProxyEntryPtr Entry(const std::string& host) { return Main->ProxyPool().Find(host); }

  std::string DataFolder;
};

TEST_F(MainPoolTest, StartUpRotatesOnceAndRotationSettlesOnTheSlowest) {
  StorePool({100, 200, 300});
  Start();
  EXPECT_EQ(Upstream(), "p2");
  EXPECT_EQ(Main->ProxyServer().AnonymousProxyPort(), 3002);
  EXPECT_EQ(Main->StatisticsTexts().lAnonProxy, "p2:3002 - 200ms");
  EXPECT_TRUE(Main->RotationTimerActive());
  EXPECT_TRUE(Main->CheckTimerActive());
  EXPECT_EQ(Main->RotationTimerInterval(), 60000);
  Main->QuorvaneServersTimerTimer();
  EXPECT_EQ(Upstream(), "p3");
  Main->QuorvaneServersTimerTimer();
  EXPECT_EQ(Upstream(), "p3");
  EXPECT_EQ(Main->CurrentUpstream().Host, "p3");
  EXPECT_EQ(Main->CurrentUpstream().Port, 3003);
}

TEST_F(MainPoolTest, SwitchingThePoolOnAndOff) {
  StorePool({100, 200}, false);
  Start();
  EXPECT_EQ(Upstream(), "");
  EXPECT_EQ(Main->StatisticsTexts().lAnonProxy, "keiner");
  EXPECT_FALSE(Main->RotationTimerActive());

  Apply([](TSettingsValues& v) { v.UseAnonymousProxyServers = true; });
  EXPECT_EQ(Upstream(), "p1");
  EXPECT_TRUE(Main->RotationTimerActive());
  EXPECT_TRUE(Main->CheckTimerActive());

  Apply([](TSettingsValues& v) { v.UseAnonymousProxyServers = false; });
  EXPECT_EQ(Upstream(), "");
  EXPECT_FALSE(Main->RotationTimerActive());
  EXPECT_FALSE(Main->CheckTimerActive());
  // The timer's tick with the pool off keeps the server direct.
  Main->QuorvaneServersTimerTimer();
  EXPECT_EQ(Upstream(), "");
}

TEST_F(MainPoolTest, StoredZeroIntervalRunsTheRotationEveryMinute) {
  StorePool({100}, true, [](TRegistrySettings& s) { s.AnonymousProxyChangeInterval = 0; });
  Start();
  EXPECT_EQ(Main->Settings().AnonymousProxyChangeInterval, 1);
  EXPECT_EQ(Main->RotationTimerInterval(), 60000);
  Apply([](TSettingsValues& v) { v.AnonymousProxyChangeInterval = 90; });
  EXPECT_EQ(Main->RotationTimerInterval(), 5400000);
}

TEST_F(MainPoolTest, UncheckingTheProxyInUseRotatesAtOnce) {
  StorePool({100, 200, 300});
  Start();
  ASSERT_EQ(Upstream(), "p2");
  Main->ProxyServerListSetChecked(Entry("p2"), false);
  EXPECT_EQ(Upstream(), "p3");
  EXPECT_FALSE(Entry("p2")->Enabled);
  EXPECT_TRUE(Main->ProxyPool().Modified());
  // Another entry's mark does not move the upstream.
  Main->ProxyServerListSetChecked(Entry("p1"), false);
  EXPECT_EQ(Upstream(), "p3");
}

TEST_F(MainPoolTest, AddedProxiesAreSavedAndNoPassStartsWithoutTheOwnAddress) {
  StorePool({100});
  Start();
  UserInterface.ListAnswers.push_back("10.0.0.9:3128\n# comment\np1:1\n:80\n10.0.0.8");
  Main->ProxyAddBtnClick();
  EXPECT_EQ(UserInterface.DialogCaptions.back(), "Neuer Proxy");
  EXPECT_FALSE(Main->ProxyPool().PassRunning());
  EXPECT_EQ(TProxyFileClass(DataFolder + "proxies.dat", false).ExportText(),
            "p1:3001\n10.0.0.9:3128\n10.0.0.8:8080\n");
}

TEST_F(MainPoolTest, OfflineNothingIsCheckedAndTheRotationWaits) {
  // Dial-up without a ppp link up: offline from the start.
  Home.Environment().Set("QUORVANE_PPP_PEERS", (Home.Path() / "no-peers").string());
  StorePool({100, 200}, true, [](TRegistrySettings& s) { s.ConnectionType = 1; });
  Start();
  ASSERT_FALSE(Main->Online());
  EXPECT_FALSE(Main->CheckTimerActive());
  EXPECT_FALSE(Main->RotationTimerActive());
  UserInterface.ListAnswers.push_back("10.0.0.9:3128");
  Main->ProxyAddBtnClick();
  EXPECT_FALSE(Main->ProxyPool().PassRunning());
  Main->QuorvaneQuorvanesCheckTimerTimer();
  EXPECT_FALSE(Main->ProxyPool().PassRunning());
  for (const TProxyEntryPtr& entry : Main->ProxyPool().List())
    EXPECT_NE(entry->ResponseTime, 0) << entry->Host;
}

TEST_F(MainPoolTest, DeleteRemovesTheBoundEntry) {
  StorePool({100, 200});
  Start();
  Main->ProxyDeleteBtnClick(Entry("p1"));
  EXPECT_EQ(TProxyFileClass(DataFolder + "proxies.dat", false).ExportText(), "p2:3002\n");
  // A row whose entry went meanwhile does nothing.
  Main->ProxyDeleteBtnClick(std::make_shared<TQuorvaneServerListEntry>());
  EXPECT_EQ(Main->ProxyPool().List().size(), 1U);
}

TEST_F(MainPoolTest, ManualTestOffersToDeleteAnUnreachableProxy) {
  // Nothing listens on their ports: both tests fail; the first answer keeps the entry.
  StorePool({100, 200});
  Start();
  Entry("p1")->Host = "127.0.0.1";
  Entry("p2")->Host = "127.0.0.2";
  for (const TModalResult answer : {TModalResult::No, TModalResult::Yes}) {
    UserInterface.MessageResults.push_back(answer);
    Main->ProxyConnectTestBtnClick(Main->ProxyPool().List().front());
    EXPECT_TRUE(Main->TestRunning());
    EXPECT_FALSE(Main->RotationTimerActive());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Main->TestRunning(); }));
    EXPECT_EQ(UserInterface.Messages.back().Text, "Proxy nicht erreichbar, löschen?");
    EXPECT_TRUE(Main->RotationTimerActive());
  }
  ASSERT_EQ(Main->ProxyPool().List().size(), 1U);
  EXPECT_EQ(Main->ProxyPool().List().front()->Host, "127.0.0.2");
}

TEST_F(MainPoolTest, FailedUpstreamGivesTheNextRouteAndRotates) {
  StorePool({100, 200, 300});
  Start();
  ASSERT_EQ(Upstream(), "p2");
  const std::optional<TUpstreamRoute> next = Main->ProxyServer().OnUpstreamFailed("p2", 3002);
  ASSERT_TRUE(next.has_value());
  EXPECT_EQ(next->Host, "p1");
  EXPECT_TRUE(next->Tunnel);
  ASSERT_TRUE(ProcessEventsUntil([&] { return Upstream() != "p2"; }));
  EXPECT_EQ(Entry("p2")->ResponseTime, 0);
  EXPECT_EQ(Entry("p2")->FailureLevel, 2);
  EXPECT_EQ(Upstream(), "p3"); // p1 is in the history
}

// Start-up, rotation, switching the pool and failover each move the server's
// upstream; the download manager must follow every one of them.
TEST_F(MainPoolTest, TheDownloadManagerFollowsEveryUpstreamChange) {
  StorePool({100, 200, 300}, false);
  Start();
  EXPECT_EQ(DownloadProxy(), "") << "pool off at start: direct";

  Apply([](TSettingsValues& v) { v.UseAnonymousProxyServers = true; });
  ASSERT_EQ(Upstream(), "p1");
  EXPECT_EQ(DownloadProxy(), "p1:3001") << "switched on";

  Main->QuorvaneServersTimerTimer();
  ASSERT_EQ(Upstream(), "p2");
  EXPECT_EQ(DownloadProxy(), "p2:3002") << "rotation";

  ASSERT_TRUE(Main->ProxyServer().OnUpstreamFailed("p2", 3002).has_value());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Upstream() != "p2"; }));
  EXPECT_EQ(DownloadProxy(), Upstream() + ":" + std::to_string(Entry(Upstream())->Port))
      << "failover";

  Apply([](TSettingsValues& v) { v.UseAnonymousProxyServers = false; });
  EXPECT_EQ(DownloadProxy(), "") << "switched off";
}

TEST_F(MainPoolTest, DownloadsStartWithTheUpstreamPickedAtStartUp) {
  StorePool({100, 200, 300});
  Start();
  ASSERT_EQ(Upstream(), "p2");
  EXPECT_EQ(DownloadProxy(), "p2:3002");
}

TEST_F(MainPoolTest, NothingUsableGoesDirectOrIsRefused) {
  for (const bool failClosed : {false, true}) {
    StorePool({100}, true,
              [failClosed](TRegistrySettings& s) { s.AnonymousProxyFailClosed = failClosed; });
    Start();
    const std::optional<TUpstreamRoute> next = Main->ProxyServer().OnUpstreamFailed("p1", 3001);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->Host, "");
    EXPECT_EQ(next->Refuse, failClosed);
    ASSERT_TRUE(ProcessEventsUntil([&] { return Upstream().empty(); }));
    EXPECT_EQ(Main->ProxyServer().UpstreamRoute().Refuse, failClosed);
    Main.reset();
  }
}

TEST_F(MainPoolTest, WithoutFailoverAFailureWaitsForTheRotation) {
  StorePool({100, 200}, true, [](TRegistrySettings& s) { s.AnonymousProxyFailover = false; });
  Start();
  EXPECT_FALSE(Main->ProxyServer().OnUpstreamFailed("p2", 3002).has_value());
  EXPECT_EQ(Entry("p2")->ResponseTime, 200);
}

TEST_F(MainPoolTest, HttpsOffKeepsTunnelsDirect) {
  StorePool({100}, true, [](TRegistrySettings& s) { s.AnonymousProxyForHTTPS = false; });
  Start();
  EXPECT_EQ(Upstream(), "p1");
  EXPECT_FALSE(Main->ProxyServer().UpstreamRoute().Tunnel);
  Apply([](TSettingsValues& v) { v.AnonymousProxyForHTTPS = true; });
  EXPECT_TRUE(Main->ProxyServer().UpstreamRoute().Tunnel);
  EXPECT_EQ(Upstream(), "p1");
}

} // namespace
