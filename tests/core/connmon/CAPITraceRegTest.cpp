// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/CAPITraceReg.h"

#include "ManualPollTimers.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

// The ISDN watcher over a scratch hive that the test writes as the call-charge counter
// would, recording reports as "connect <channel> <first byte of the record>" and
// "disconnect <channel> <reason>".
class ISDNWatcher : public testing::Test {
protected:
  ISDNWatcher() {
    FWatcher.OnCAPIConnect = [this](TCAPITraceReg&, TCAPIConnectInfo record, int channel) {
      FReports.push_back("connect " + std::to_string(channel) + " " + std::to_string(record[0]));
    };
    FWatcher.OnCAPIDisconnect = [this](TCAPITraceReg&, int channel, int reason) {
      FReports.push_back("disconnect " + std::to_string(channel) + " " + std::to_string(reason));
    };
  }
  // Writes the counter's value with the given bytes set to 1 (the rest 0).
  void WriteRecords(std::initializer_list<std::size_t> setBytes,
                    std::size_t size = CAPIConnectInfoArraySize) {
    std::vector<std::uint8_t> data(size, 0);
    for (std::size_t offset : setBytes)
      data[offset] = 1;
    TRegKey key;
    ASSERT_EQ(FRegistry.CreateKey(TRootKey::CurrentUser, CAPITraceKey, "", key), TRegResult::Ok);
    ASSERT_EQ(FRegistry.SetValue(key, CAPITraceValue, {TRegValueType::Binary, data}),
              TRegResult::Ok);
  }
  std::vector<std::string> TakeReports() { return std::exchange(FReports, {}); }

  TTempFolder FFolder;
  TRegistry FRegistry{TRegistryLocations::InFolder(FFolder.Path())};
  TManualPollTimers FTimers;
  TCAPITraceReg FWatcher{FRegistry, FTimers.Factory()()};
  std::vector<std::string> FReports;
};

constexpr std::size_t Record1 = 0, Channel1 = 1, Bundled = 261, Record2 = 522, Channel2 = 523;

TEST_F(ISDNWatcher, ReportsChannelOneConnectingOnceAndItsEndOnce) {
  FWatcher.SetActive(true);
  FTimers.Tick();
  WriteRecords({Record1, Channel1});
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect 1 1"}));

  // Rewritten unchanged, and changed elsewhere while channel 1 stays up.
  WriteRecords({Record1, Channel1});
  FTimers.Tick();
  WriteRecords({Record1, Channel1, 17});
  FTimers.Tick();
  EXPECT_TRUE(TakeReports().empty());

  WriteRecords({Record1});
  FTimers.Tick();
  WriteRecords({});
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect 1 3"}));
}

TEST_F(ISDNWatcher, ABundledSecondChannelIsReportedEachTimeItsRecordChanges) {
  FWatcher.SetActive(true);
  WriteRecords({Record1, Channel1});
  FTimers.Tick();
  WriteRecords({Record1, Channel1, Bundled, Record2, Channel2});
  FTimers.Tick();
  WriteRecords({Record1, Channel1, Bundled, Record2, Channel2, 600});
  FTimers.Tick();
  // Without the bundling flag channel 2 is not looked at.
  WriteRecords({Record1, Channel1, Record2, Channel2});
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect 1 1", "connect 2 1", "connect 2 1"}));
}

TEST_F(ISDNWatcher, AChannelWithoutRecordDataIsNotReportedButItsEndIs) {
  FWatcher.SetActive(true);
  WriteRecords({Channel1});
  FTimers.Tick();
  EXPECT_TRUE(TakeReports().empty());
  WriteRecords({});
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect 1 3"}));
}

TEST_F(ISDNWatcher, ValuesThatDoNotFitOrAreMissingAreIgnored) {
  FWatcher.SetActive(true);
  FTimers.Tick();
  WriteRecords({Record1, Channel1}, CAPIConnectInfoArraySize + 1);
  FTimers.Tick();
  EXPECT_TRUE(TakeReports().empty());
  // A short value reads as far as it goes.
  WriteRecords({Record1, Channel1}, 2);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect 1 1"}));
}

TEST_F(ISDNWatcher, ActivatingStartsFromABlankRecord) {
  WriteRecords({Record1, Channel1});
  FWatcher.SetActive(true);
  FTimers.Tick();
  FWatcher.SetActive(false);
  EXPECT_FALSE(FWatcher.Active());
  EXPECT_EQ(FTimers.EnabledCount(), 0u);
  FWatcher.SetActive(true);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"connect 1 1", "connect 1 1"}));
}

} // namespace
