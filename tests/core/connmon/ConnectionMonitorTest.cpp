// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeFritzDSL.h"
#include "ManualPollTimers.h"
#include "ScriptedInterfaces.h"
#include "TempFolder.h"
#include "connmon/ConnectionMonitorUnit.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

// The monitor over scripted ppp interfaces, a scratch hive and a scripted DSL
// software, recording its reports as "connect <entry>" and "disconnect".
class ConnectionMonitor : public testing::Test {
protected:
  ConnectionMonitor() {
    std::filesystem::create_directories(FFolder / "run");
    std::filesystem::create_directories(FFolder / "peers");
  }
  std::unique_ptr<TConnectionMonitor> MakeMonitor() {
    auto monitor = std::make_unique<TConnectionMonitor>(TConnectionMonitorServices{
        FRemoteAccess, FDSL, FRegistry, FFolder / "FRIDSLEV.DBF", FTimers.Factory()});
    monitor->OnConnect = [this](TConnectionMonitor&, const std::string& entry) {
      FReports.push_back("connect " + entry);
    };
    monitor->OnDisconnect = [this](TConnectionMonitor&) { FReports.push_back("disconnect"); };
    return monitor;
  }
  void WriteISDN(bool channel1) {
    std::vector<std::uint8_t> data(CAPIConnectInfoArraySize, 0);
    data[0] = 1;
    data[1] = channel1 ? 1 : 0;
    TRegKey key;
    ASSERT_EQ(FRegistry.CreateKey(TRootKey::CurrentUser, CAPITraceKey, "", key), TRegResult::Ok);
    ASSERT_EQ(FRegistry.SetValue(key, CAPITraceValue, {TRegValueType::Binary, data}),
              TRegResult::Ok);
  }
  std::vector<std::string> TakeReports() { return std::exchange(FReports, {}); }

  TTempFolder FFolder;
  std::shared_ptr<TScriptedInterfaces> FInterfaces = std::make_shared<TScriptedInterfaces>();
  TPppRemoteAccess FRemoteAccess{FInterfaces, FFolder / "run", FFolder / "peers"};
  TRegistry FRegistry{TRegistryLocations::InFolder(FFolder / "registry")};
  TFakeFritzDSL FDSL;
  TManualPollTimers FTimers;
  std::vector<std::string> FReports;
};

TEST_F(ConnectionMonitor, NothingWatchesBeforeItIsActivated) {
  FDSL.Script().Installed = false;
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckDialUp);
  FInterfaces->Set({"ppp0", 5, true, true});
  FTimers.Tick(2);
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(monitor->Active());
  EXPECT_TRUE(monitor->RASAvailable());
  EXPECT_TRUE(monitor->CAPIInstalled());
  EXPECT_FALSE(monitor->DSLAvailable());
}

TEST_F(ConnectionMonitor, PermanentConnectionIsUpOnceWhileActiveAndLeavingItReportsOneDrop) {
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckPermanent);
  monitor->SetActive(true);
  monitor->SetActive(true);
  FTimers.Tick(3);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect "}));
  EXPECT_TRUE(monitor->Connected());

  monitor->SetConnectionType(ckDialUp);
  FTimers.Tick(2);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect"}));
  EXPECT_FALSE(monitor->Connected());
  EXPECT_TRUE(monitor->Active());

  monitor->SetConnectionType(ckPermanent);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect "}));
  monitor->SetActive(false);
  monitor->SetActive(false);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect"}));
}

TEST_F(ConnectionMonitor, DialUpReportsTheEntryItWasDialledThrough) {
  std::ofstream(FFolder / "run" / "ppp-office.pid") << "4711\nppp0\n";
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckDialUp);
  monitor->SetActive(true);
  EXPECT_TRUE(TakeReports().empty());
  FInterfaces->Set({"ppp0", 5, true, false});
  FTimers.Tick();
  EXPECT_TRUE(TakeReports().empty());
  FInterfaces->Set({"ppp0", 5, true, true});
  FTimers.Tick(2);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect office"}));
  FInterfaces->Remove("ppp0");
  FTimers.Tick(2);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect"}));
}

// The watcher itself forgets a connection silently when it is stopped; the monitor
// still owes the controller the drop.
TEST_F(ConnectionMonitor, LeavingAConnectedDialUpReportsOneDrop) {
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckDialUp);
  monitor->SetActive(true);
  FInterfaces->Set({"ppp0", 5, true, true});
  FTimers.Tick();
  monitor->SetConnectionType(ckISDN);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect ppp0", "disconnect"}));
  FTimers.Tick(2);
  EXPECT_TRUE(TakeReports().empty());

  monitor->SetConnectionType(ckDialUp);
  FTimers.Tick();
  monitor->SetActive(false);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect ppp0", "disconnect"}));
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
}

TEST_F(ConnectionMonitor, ISDNFollowsTheCounterRecords) {
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckISDN);
  monitor->SetActive(true);
  WriteISDN(true);
  FTimers.Tick(2);
  WriteISDN(false);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect ", "disconnect"}));
}

TEST_F(ConnectionMonitor, StoredDSLWithoutItsSoftwareRunsAsPermanent) {
  FDSL.Script().Installed = false;
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckDSL);
  EXPECT_EQ(monitor->ConnectionType(), ckPermanent);
  monitor->SetActive(true);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect "}));
}

TEST_F(ConnectionMonitor, DSLWithItsSoftwareIsWatched) {
  std::ofstream(FFolder / "FRIDSLEV.DBF") << "";
  auto monitor = MakeMonitor();
  ASSERT_TRUE(monitor->DSLAvailable());
  monitor->SetConnectionType(ckDSL);
  EXPECT_EQ(monitor->ConnectionType(), ckDSL);
  monitor->SetActive(true);
  EXPECT_TRUE(TakeReports().empty());
  FDSL.Script().State = 1;
  FDSL.Script().LineStatus = 1;
  FTimers.Tick();
  FDSL.Script().State = 0;
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect ", "disconnect"}));
}

TEST_F(ConnectionMonitor, UnknownTypesRunAsPermanent) {
  auto monitor = MakeMonitor();
  monitor->SetConnectionType(ckDialUp);
  monitor->SetConnectionType(7);
  EXPECT_EQ(monitor->ConnectionType(), ckPermanent);
  monitor->SetConnectionType(-1);
  EXPECT_EQ(monitor->ConnectionType(), ckPermanent);
}

TEST_F(ConnectionMonitor, DestroyingItStopsTheWatchersWithoutAReport) {
  auto monitor = MakeMonitor();
  monitor->SetActive(true);
  TakeReports();
  monitor.reset();
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
}

} // namespace
