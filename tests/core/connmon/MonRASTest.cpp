// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/MonRAS.h"

#include "ManualPollTimers.h"
#include "ScriptedInterfaces.h"
#include "TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace {

// Dial-up networking as a system with finer states than pppd's would report it.
class TScriptedRemoteAccess final : public TRemoteAccess {
public:
  bool Available() const override { return true; }
  std::optional<std::vector<TRasConnection>> EnumConnections(std::size_t) const override {
    return Connections;
  }
  std::optional<TRasConnStatus> GetConnectStatus(TRasHandle handle) const override {
    const auto found = Statuses.find(handle);
    if (found == Statuses.end())
      return std::nullopt;
    return found->second;
  }
  std::vector<TPhonebookEntry> EnumEntries(std::size_t) const override { return {}; }

  std::vector<TRasConnection> Connections;
  std::map<TRasHandle, TRasConnStatus> Statuses;
};

// RAS states on the way: authenticating, authenticated.
constexpr std::uint32_t RASCS_Authenticate = 6;
constexpr std::uint32_t RASCS_Authenticated = 14;

TEST(DialUpWatcherStates, ConnectsOnceAtTheConnectedStateAndDropsAtTheDisconnectedState) {
  TScriptedRemoteAccess ras;
  TManualPollTimers timers;
  TRASBase watcher(ras, timers.Factory()());
  std::vector<std::string> reports;
  watcher.OnConnected = [&](TRASBase&, int state) {
    reports.push_back("connected " + std::to_string(state));
  };
  watcher.OnDisconnected = [&](TRASBase&) { reports.push_back("disconnected"); };
  watcher.Start();

  ras.Connections = {{42, "office", "ppp0"}};
  timers.Tick(); // enumerated, but its status cannot be read: forgotten again
  EXPECT_EQ(watcher.Handle(), 0u);
  for (const std::uint32_t state : {RASCS_Authenticate, RASCS_Authenticated, RASCS_Connected}) {
    ras.Statuses[42] = {state, 0};
    timers.Tick();
  }
  EXPECT_EQ(reports, (std::vector<std::string>{"connected 8192"}));
  EXPECT_EQ(watcher.Handle(), 42u);

  ras.Statuses[42] = {RASCS_Disconnected, 0};
  timers.Tick();
  EXPECT_EQ(reports, (std::vector<std::string>{"connected 8192", "disconnected"}));
  EXPECT_EQ(watcher.Handle(), 0u);
  ras.Connections.clear();
  timers.Tick(2);
  EXPECT_EQ(reports.size(), 2u);
}

// The dial-up watcher over scripted ppp interfaces, recording its reports in order.
class DialUpWatcher : public testing::Test {
protected:
  DialUpWatcher() {
    std::filesystem::create_directories(FFolder / "run");
    std::filesystem::create_directories(FFolder / "peers");
    FWatcher.OnConnected = [this](TRASBase&, int state) {
      FReports.push_back("connected " + std::to_string(state));
    };
    FWatcher.OnDisconnected = [this](TRASBase&) { FReports.push_back("disconnected"); };
    FWatcher.OnWaiting = [this](TRASBase&) { FReports.push_back("waiting"); };
    FWatcher.OnStop = [this](TRASBase&) { FReports.push_back("stop"); };
  }
  // Switched on and, with link, running: pppd's interface at each stage of a call.
  void Ppp(const std::string& name, unsigned index, bool up, bool running) {
    FInterfaces->Set({name, index, up, running});
  }
  std::vector<std::string> TakeReports() { return std::exchange(FReports, {}); }

  TTempFolder FFolder;
  std::shared_ptr<TScriptedInterfaces> FInterfaces = std::make_shared<TScriptedInterfaces>();
  TPppRemoteAccess FRemoteAccess{FInterfaces, FFolder / "run", FFolder / "peers"};
  TManualPollTimers FTimers;
  TRASBase FWatcher{FRemoteAccess, FTimers.Factory()()};
  std::vector<std::string> FReports;
};

TEST_F(DialUpWatcher, ReportsOneConnectWhenTheLinkRunsAndOneDisconnectAfterHangUp) {
  FInterfaces->Set({"lo", 1, true, true});
  FWatcher.Start();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"waiting"}));

  FTimers.Tick(2);
  Ppp("ppp0", 5, false, false); // pppd made the unit, still negotiating
  FTimers.Tick();
  Ppp("ppp0", 5, true, false); // switched on, no link yet
  FTimers.Tick(2);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(FWatcher.Connected());

  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connected 8192"}));
  EXPECT_EQ(FWatcher.Handle(), 5u);
  FTimers.Tick(3);
  EXPECT_TRUE(TakeReports().empty());

  Ppp("ppp0", 5, false, false);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnected", "waiting"}));
  EXPECT_EQ(FWatcher.Handle(), 0u);
  FTimers.Tick(2);
  EXPECT_TRUE(TakeReports().empty());
}

TEST_F(DialUpWatcher, ALinkRebuiltUnderTheSameNameIsANewConnection) {
  FWatcher.Start();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  FInterfaces->Remove("ppp0");
  Ppp("ppp0", 6, true, true);
  FTimers.Tick();
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"waiting", "connected 8192", "disconnected",
                                                     "waiting", "connected 8192"}));
  EXPECT_EQ(FWatcher.Handle(), 6u);
}

TEST_F(DialUpWatcher, KeepsItsStateWhileTheInterfacesCannotBeRead) {
  FWatcher.Start();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  FInterfaces->SetFailing(true);
  FInterfaces->Remove("ppp0");
  FTimers.Tick(3);
  EXPECT_TRUE(FWatcher.Connected());
  FInterfaces->SetFailing(false);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(),
            (std::vector<std::string>{"waiting", "connected 8192", "disconnected", "waiting"}));
}

TEST_F(DialUpWatcher, ALinkThatLosesItsCarrierStaysConnectedUntilSwitchedOff) {
  FWatcher.Start();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  Ppp("ppp0", 5, true, false);
  FTimers.Tick(2);
  EXPECT_TRUE(FWatcher.Connected());
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"waiting", "connected 8192"}));
}

TEST_F(DialUpWatcher, StatusReportsFollowTheWatchedConnection) {
  std::vector<int> states;
  FWatcher.OnStatus = [&](TRASBase&, int state) { states.push_back(state); };
  FWatcher.Start();
  Ppp("ppp0", 5, true, false);
  FTimers.Tick();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick(3);
  FInterfaces->Remove("ppp0");
  FTimers.Tick();
  // Not connected, each look reports afresh; connected, only changes; gone, -9999.
  EXPECT_EQ(states, (std::vector<int>{RASCS_Connecting, RASCS_Connected, RASCS_Connected,
                                      TRASBase::InvalidHandleState}));
}

TEST_F(DialUpWatcher, StoppedItNeitherPollsNorReportsAndStartsAfreshNotConnected) {
  FWatcher.Start();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  FWatcher.Stop();
  EXPECT_FALSE(FWatcher.Active());
  EXPECT_FALSE(FWatcher.Connected());
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
  FWatcher.Stop();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"waiting", "connected 8192", "stop"}));

  FWatcher.Start();
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"waiting", "connected 8192"}));
  // Starting a running watcher stops it first.
  FWatcher.Start();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"stop", "waiting"}));
}

TEST_F(DialUpWatcher, AHandlerThatStopsTheWatcherEndsThePolling) {
  FWatcher.OnConnected = [](TRASBase& sender, int) { sender.Stop(); };
  FWatcher.Start();
  Ppp("ppp0", 5, true, true);
  FTimers.Tick();
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
}

TEST_F(DialUpWatcher, EntryNamesAndNumbersComeFromThePhonebook) {
  std::ofstream(FFolder / "peers" / "office") << "connect 'chat -T \"030 12 34\"'\n";
  std::ofstream(FFolder / "peers" / "home") << "noauth\n";
  FWatcher.ListPhonebookEntries();
  EXPECT_EQ(FWatcher.EntryNames(), (std::vector<std::string>{"home", "office"}));
  EXPECT_EQ(FWatcher.TelephoneNumbers(), (std::vector<std::string>{"home", "0301234"}));

  std::filesystem::remove(FFolder / "peers" / "home");
  FWatcher.ListPhonebookEntries();
  EXPECT_EQ(FWatcher.EntryNames(), (std::vector<std::string>{"office"}));
}

TEST_F(DialUpWatcher, EntryNameOfAnActiveConnection) {
  Ppp("ppp0", 5, true, true);
  std::ofstream(FFolder / "run" / "ppp-office.pid") << "4711\nppp0\n";
  EXPECT_EQ(FWatcher.EntryNameOf(5), "office");
  EXPECT_EQ(FWatcher.EntryNameOf(6), "");
}

} // namespace
