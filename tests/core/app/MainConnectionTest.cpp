// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's side of the connection monitor: the connection kind from the
// settings, the online flag, and the monitor stopped first at shutdown.
#include "MainTestSupport.h"
#include "connmon/CAPITraceReg.h"

namespace {

class MainConnection : public MainTestBase {
protected:
  void StoreConnectionType(int type) {
    Store([type](TRegistrySettings& s) { s.ConnectionType = type; });
  }
  // Writes the ISDN counter's records with channel 1 up or down.
  void WriteISDN(bool channel1) {
    std::vector<std::uint8_t> data(CAPIConnectInfoArraySize, 0);
    data[0] = 1;
    data[1] = channel1 ? 1 : 0;
    TRegKey key;
    ASSERT_EQ(Registry->CreateKey(TRootKey::CurrentUser, CAPITraceKey, "", key), TRegResult::Ok);
    ASSERT_EQ(Registry->SetValue(key, CAPITraceValue, {TRegValueType::Binary, data}),
              TRegResult::Ok);
  }
};

TEST_F(MainConnection, PermanentConnectionIsOnlineFromTheStart) {
  StoreConnectionType(0);
  TMain& main = Start();
  EXPECT_TRUE(main.Online());
  EXPECT_EQ(main.DialUpEntry(), "");
}

TEST_F(MainConnection, ChangingTheKindGoesOfflineOnceAndForgetsTheAddress) {
  StoreConnectionType(0);
  TMain& main = Start();
  const int shown = View.StatisticsShown;

  Apply([](TSettingsValues& s) { s.ConnectionType = 1; });
  EXPECT_FALSE(main.Online());
  EXPECT_EQ(View.StatisticsShown, shown + 1);
  EXPECT_EQ(View.LastStatistics.lCurrentIP, "n/a");
  EXPECT_EQ(Stored()->ConnectionType, 1);

  // Another change of something else leaves the monitor alone.
  Apply([](TSettingsValues& s) { s.BlockJS = true; });
  EXPECT_EQ(View.StatisticsShown, shown + 1);

  Apply([](TSettingsValues& s) { s.ConnectionType = 0; });
  EXPECT_TRUE(main.Online());
}

TEST_F(MainConnection, StoredDSLWithoutItsSoftwareRunsAsPermanent) {
  StoreConnectionType(3);
  TMain& main = Start();
  EXPECT_FALSE(main.DSLConnectionAvailable());
  EXPECT_TRUE(main.Online());
}

TEST_F(MainConnection, ShutdownReportsTheDropWhileEverythingIsThere) {
  StoreConnectionType(0);
  TMain& main = Start();
  const int shown = View.StatisticsShown;
  main.FormDestroy();
  EXPECT_FALSE(main.Online());
  EXPECT_EQ(View.StatisticsShown, shown + 1);
  EXPECT_EQ(View.LastStatistics.lCurrentIP, "n/a");
}

// The watchers' timers run on their worker threads and tick on the main thread.
TEST_F(MainConnection, ISDNRecordsTakeTheControllerOnlineAndOffline) {
  StoreConnectionType(2);
  TMain& main = Start();
  EXPECT_FALSE(main.Online());
  WriteISDN(true);
  EXPECT_TRUE(ProcessEventsUntil([&] { return main.Online(); }));
  WriteISDN(false);
  EXPECT_TRUE(ProcessEventsUntil([&] { return !main.Online(); }));
}

} // namespace
