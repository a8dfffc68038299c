// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBaseTable.h"
#include "FakeFritzDSL.h"
#include "ManualPollTimers.h"
#include "TempFolder.h"
#include "connmon/AVMFRITZDSLClassUnit.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

namespace {

class DSLWatcher : public testing::Test {
protected:
  std::unique_ptr<TAVMFRITZDSL> MakeWatcher() {
    auto watcher = std::make_unique<TAVMFRITZDSL>(FSoftware, FLog, FTimers.Factory()());
    watcher->OnConnect = [this](TAVMFRITZDSL&, const std::string& name, const std::string& a,
                                const std::string& b, const std::string& c) {
      FReports.push_back("connect " + name + " | " + a + " | " + b + " | " + c);
    };
    watcher->OnDisconnect = [this](TAVMFRITZDSL&) { FReports.push_back("disconnect"); };
    return watcher;
  }
  void WriteLog(const std::string& lastMessage) {
    ASSERT_EQ(WriteFileAtomically(
                  FLog, DBaseTable({{"MELDUNG", 60}}, {{"Verbindung getrennt"}, {lastMessage}})),
              0);
  }
  void Line(int state, int lineStatus) {
    FSoftware.Script().State = state;
    FSoftware.Script().LineStatus = lineStatus;
  }
  std::vector<std::string> TakeReports() { return std::exchange(FReports, {}); }

  TTempFolder FFolder;
  std::filesystem::path FLog = FFolder / "FRIDSLEV.DBF";
  TFakeFritzDSL FSoftware;
  TManualPollTimers FTimers;
  std::vector<std::string> FReports;
};

TEST_F(DSLWatcher, ReportsTheConnectionNamedAfterTheLogAndItsDrop) {
  WriteLog("Verbindung zu 'Arcor DSL' wurde aufgebaut");
  auto watcher = MakeWatcher();
  ASSERT_TRUE(watcher->Available());
  watcher->SetActive(true);
  FTimers.Tick();
  Line(1, 1);
  FTimers.Tick(2);
  EXPECT_EQ(TakeReports(),
            (std::vector<std::string>{
                "connect FRITZ!web DSL - Arcor DSL | 768 kbit/s | 128 kbit/s | PPPoE"}));
  EXPECT_FALSE(watcher->ConnectTimeText().empty());

  Line(0, 0);
  FTimers.Tick(2);
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"disconnect"}));
}

TEST_F(DSLWatcher, ALineStatusOtherThanOneWhileConnectedIsADrop) {
  WriteLog("Verbindung zu 'Arcor' aufgebaut");
  auto watcher = MakeWatcher();
  watcher->SetActive(true);
  Line(1, 1);
  FTimers.Tick();
  Line(1, 2);
  FTimers.Tick(2);
  Line(1, 1);
  FTimers.Tick();
  EXPECT_EQ(TakeReports(),
            (std::vector<std::string>{
                "connect FRITZ!web DSL - Arcor | 768 kbit/s | 128 kbit/s | PPPoE", "disconnect",
                "connect FRITZ!web DSL - Arcor | 768 kbit/s | 128 kbit/s | PPPoE"}));
}

TEST_F(DSLWatcher, WithoutItsEventLogNothingIsReported) {
  auto watcher = MakeWatcher();
  watcher->SetActive(true);
  Line(1, 1);
  FTimers.Tick(3);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(watcher->Connected());
}

TEST_F(DSLWatcher, AttachesAnewWhileNotConnected) {
  auto watcher = MakeWatcher();
  watcher->SetActive(true);
  FTimers.Tick(2);
  EXPECT_EQ(FSoftware.Script().Connects, 3);
  EXPECT_EQ(FSoftware.Script().Refreshes, 2);
}

TEST_F(DSLWatcher, SoftwareErrorsKeepTheStateAndThePolling) {
  WriteLog("Verbindung zu 'Arcor' aufgebaut");
  auto watcher = MakeWatcher();
  watcher->SetActive(true);
  Line(1, 1);
  FTimers.Tick();
  FSoftware.Script().Throwing = true;
  FTimers.Tick(2);
  EXPECT_TRUE(watcher->Connected());
  EXPECT_EQ(FTimers.EnabledCount(), 1u);
  FSoftware.Script().Throwing = false;
  Line(0, 0);
  FTimers.Tick();
  EXPECT_EQ(TakeReports().size(), 2u);
}

TEST_F(DSLWatcher, IsUnavailableWithoutTheSoftware) {
  FSoftware.Script().Installed = false;
  EXPECT_FALSE(MakeWatcher()->Available());
  FSoftware.Script() = {};
  FSoftware.Script().Throwing = true;
  EXPECT_FALSE(MakeWatcher()->Available());
}

struct TNameCase {
  const char* Label;
  const char* Message;
  const char* Name;
};

class DSLConnectionName : public testing::TestWithParam<TNameCase> {};

TEST_P(DSLConnectionName, TakesThePeerFromTheLastLogMessage) {
  EXPECT_EQ(NameWithLogMessage("DSL", GetParam().Message), GetParam().Name);
}

INSTANTIATE_TEST_SUITE_P(
    AVMFRITZDSL, DSLConnectionName,
    testing::Values(TNameCase{"Established", "Verbindung zu 'Arcor' aufgebaut", "DSL - Arcor"},
                    TNameCase{"UpToTheLastQuote", "Verbindung zu 'T-DSL 'Business'' aufgebaut",
                              "DSL - T-DSL 'Business'"},
                    TNameCase{"NotEstablished", "Verbindung zu 'Arcor' getrennt", "DSL"},
                    TNameCase{"NoPeer", "Verbindung aufgebaut", "DSL"},
                    TNameCase{"NoClosingQuote", "aufgebaut: Verbindung zu 'Arcor", "DSL"}),
    [](const testing::TestParamInfo<TNameCase>& info) { return std::string(info.param.Label); });

} // namespace
