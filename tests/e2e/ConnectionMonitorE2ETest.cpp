// SPDX-License-Identifier: GPL-3.0-or-later
// The controller with the dial-up connection kind follows a ppp0 link built from a
// veth pair, each test in a network namespace of its own.
#include "MainTestSupport.h"

#include <cstdlib>
#include <sched.h>

namespace {

using namespace std::chrono_literals;

// Long enough for several 1000 ms polls of the dial-up watcher.
constexpr auto ReportWait = 5000ms;
// Long enough for a poll that should change nothing to have happened.
constexpr auto QuietWait = 1500ms;

class DialUpLink : public MainTestBase {
protected:
  void SetUp() override {
    if (unshare(CLONE_NEWNET) != 0)
      GTEST_SKIP() << "no network namespace of its own (needs root or a user namespace)";
    Store([](TRegistrySettings& s) { s.ConnectionType = 1; });
  }

  static void Ip(const std::string& arguments) {
    const std::string command = "ip " + arguments + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  bool StaysOffline() {
    return !ProcessEventsUntil([this] { return Main->Online(); }, QuietWait);
  }
  bool GoesOnline() {
    return ProcessEventsUntil([this] { return Main->Online(); }, ReportWait);
  }
  bool GoesOffline() {
    return ProcessEventsUntil([this] { return !Main->Online(); }, ReportWait);
  }
};

TEST_F(DialUpLink, OnlineWhileTheLinkRunsAndOfflineOnceItIsSwitchedOff) {
  Start();
  EXPECT_FALSE(Main->Online());
  Ip("link add ppp0 type veth peer name pv0");
  EXPECT_TRUE(StaysOffline());
  // Switched on without the far end: still connecting.
  Ip("link set ppp0 up");
  EXPECT_TRUE(StaysOffline());

  Ip("link set pv0 up");
  ASSERT_TRUE(GoesOnline());
  EXPECT_EQ(Main->DialUpEntry(), "ppp0");

  const int shown = View.StatisticsShown;
  Ip("link set ppp0 down");
  ASSERT_TRUE(GoesOffline());
  EXPECT_EQ(Main->DialUpEntry(), "");
  EXPECT_EQ(View.StatisticsShown, shown + 1);
  EXPECT_EQ(View.LastStatistics.lCurrentIP, "n/a");
}

TEST_F(DialUpLink, ALinkDeletedAndBuiltAgainIsFollowed) {
  Ip("link add ppp0 type veth peer name pv0");
  Ip("link set pv0 up");
  Ip("link set ppp0 up");
  Start();
  ASSERT_TRUE(GoesOnline());

  Ip("link del ppp0");
  ASSERT_TRUE(GoesOffline());

  Ip("link add ppp0 type veth peer name pv0");
  Ip("link set pv0 up");
  Ip("link set ppp0 up");
  EXPECT_TRUE(GoesOnline());
}

TEST_F(DialUpLink, OtherInterfacesDoNotCount) {
  Ip("link add eth7 type veth peer name pv7");
  Ip("link set pv7 up");
  Ip("link set eth7 up");
  Start();
  EXPECT_TRUE(StaysOffline());
}

} // namespace
