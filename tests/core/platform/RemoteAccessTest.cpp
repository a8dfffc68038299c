// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RemoteAccess.h"

#include "ScriptedInterfaces.h"
#include "TempFolder.h"
#include "platform/NetworkInterfaces.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

class PppRemoteAccess : public testing::Test {
protected:
  PppRemoteAccess() {
    std::filesystem::create_directories(FRun);
    std::filesystem::create_directories(FPeers);
  }
  void WritePidFile(const std::string& name, const std::string& text) {
    std::ofstream(FRun / name) << text;
  }

  TTempFolder FFolder;
  std::filesystem::path FRun = FFolder / "run";
  std::filesystem::path FPeers = FFolder / "peers";
  std::shared_ptr<TScriptedInterfaces> FInterfaces = std::make_shared<TScriptedInterfaces>();
  TPppRemoteAccess FAccess{FInterfaces, FRun, FPeers};
};

TEST_F(PppRemoteAccess, ActiveConnectionsAreThePppInterfacesSwitchedOn) {
  FInterfaces->Set({"lo", 1, true, true});
  FInterfaces->Set({"eth0", 2, true, true});
  FInterfaces->Set({"ppp0", 7, true, true});
  FInterfaces->Set({"ppp1", 8, false, false});
  FInterfaces->Set({"ppp2", 9, true, false});

  EXPECT_EQ(FAccess.EnumConnections(10),
            (std::vector<TRasConnection>{{7, "ppp0", "ppp0"}, {9, "ppp2", "ppp2"}}));
  EXPECT_EQ(FAccess.EnumConnections(1), (std::vector<TRasConnection>{{7, "ppp0", "ppp0"}}));
}

TEST_F(PppRemoteAccess, EntryNameIsTheLinkNameWhosePidFileNamesTheInterface) {
  FInterfaces->Set({"ppp0", 7, true, true});
  FInterfaces->Set({"ppp1", 8, true, true});
  WritePidFile("ppp-office.pid", "4711\nppp1\n");
  WritePidFile("ppp-home.pid", "4712\nppp3\n");
  WritePidFile("ppp0.pid", "4713\n");
  WritePidFile("ppp-.pid", "4714\nppp0\n");
  WritePidFile("ppp-short.pid", "4715");

  EXPECT_EQ(FAccess.EnumConnections(10),
            (std::vector<TRasConnection>{{7, "ppp0", "ppp0"}, {8, "office", "ppp1"}}));
}

TEST_F(PppRemoteAccess, UnreadableInterfacesGiveNothingRatherThanNoConnections) {
  FInterfaces->SetFailing(true);
  EXPECT_EQ(FAccess.EnumConnections(10), std::nullopt);
  EXPECT_EQ(FAccess.GetConnectStatus(7), std::nullopt);
}

struct TStatusCase {
  const char* Label;
  std::optional<TInterfaceState> Interface;
  TRasConnStatus Status;
};

class PppConnectStatus : public PppRemoteAccess, public testing::WithParamInterface<TStatusCase> {};

TEST_P(PppConnectStatus, FollowsTheInterfaceOfTheHandle) {
  if (GetParam().Interface)
    FInterfaces->Set(*GetParam().Interface);
  FInterfaces->Set({"ppp9", 99, true, true});
  EXPECT_EQ(FAccess.GetConnectStatus(7), GetParam().Status);
}

INSTANTIATE_TEST_SUITE_P(
    RemoteAccess, PppConnectStatus,
    testing::Values(
        TStatusCase{"Running", TInterfaceState{"ppp0", 7, true, true}, {RASCS_Connected, 0}},
        TStatusCase{
            "OnWithoutLink", TInterfaceState{"ppp0", 7, true, false}, {RASCS_Connecting, 0}},
        TStatusCase{"SwitchedOff",
                    TInterfaceState{"ppp0", 7, false, false},
                    {RASCS_Disconnected, RasErrorInvalidHandle}},
        TStatusCase{"Gone", std::nullopt, {RASCS_Disconnected, RasErrorInvalidHandle}},
        TStatusCase{"IndexNowOfAnotherKind",
                    TInterfaceState{"eth1", 7, true, true},
                    {RASCS_Disconnected, RasErrorInvalidHandle}}),
    [](const testing::TestParamInfo<TStatusCase>& info) { return std::string(info.param.Label); });

TEST_F(PppRemoteAccess, PhonebookIsThePeersFolderCutToTheRoomGiven) {
  std::ofstream(FPeers / "b") << "connect 'chat -T 2'\n";
  std::ofstream(FPeers / "a") << "connect 'chat -T 1'\n";
  EXPECT_EQ(FAccess.EnumEntries(100), (std::vector<TPhonebookEntry>{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(FAccess.EnumEntries(1), (std::vector<TPhonebookEntry>{{"a", "1"}}));
}

TEST(SystemNetworkInterfaces, ListLoopbackOnceWithItsIndex) {
  const auto interfaces = TSystemNetworkInterfaces().Read();
  ASSERT_TRUE(interfaces);
  const auto loopback =
      std::count_if(interfaces->begin(), interfaces->end(),
                    [](const TInterfaceState& state) { return state.Name == "lo"; });
  EXPECT_EQ(loopback, 1);
  for (const TInterfaceState& state : *interfaces)
    EXPECT_NE(state.Index, 0u) << state.Name;
}

} // namespace
