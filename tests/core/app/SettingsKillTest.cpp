// SPDX-License-Identifier: GPL-3.0-or-later
// A process killed (SIGKILL) at a random moment while it saves the settings: the
// hive afterwards holds one whole save, never older than the last save that
// returned, and no list half-written.
#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "app/RegistrySettingsUnit.h"
#include "platform/Registry.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Kills = 25;
constexpr int FirstPort = 1024;

// Save number g stores port FirstPort + g and a blocked list whose length and entries
// name g as well, so a half-written list or a mix of two saves shows.
std::vector<std::string> ListOf(int g) {
  std::vector<std::string> list;
  for (int i = 0; i < 1 + (g * 7) % 23; ++i) {
    list.push_back("gen" + std::to_string(g) + "-entry" + std::to_string(i) + ".example");
  }
  return list;
}

// The child: saves generation after generation and reports each one that returned.
[[noreturn]] void SaveUntilKilled(const std::string& programFolder, int reportFd) {
  try {
    TRegistry registry(TRegistryLocations::FromEnvironment());
    TFakeUserInterface ui;
    TRegistrySettings settings(registry, ui, programFolder);
    settings.Load();
    for (int g = std::max(settings.ProxyPort - FirstPort, 0) + 1;; ++g) {
      settings.ProxyPort = FirstPort + g;
      settings.BlockedURLList = ListOf(g);
      settings.Save();
      if (::write(reportFd, &g, sizeof g) != sizeof g) {
        ::_exit(3);
      }
    }
  } catch (...) {
    ::_exit(2);
  }
}

TEST(SettingsKill, KilledWhileSavingLosesNoEarlierSaveAndLeavesNoHalfList) {
  TTestHome home;
  const std::filesystem::path programDir = home.Path() / "program";
  std::filesystem::create_directories(programDir);
  std::mt19937 random(20240605);
  std::uniform_int_distribution<int> delayUs(0, 30000);
  int lastReturned = 0;
  int savesSeen = 0;
  for (int kill = 0; kill < Kills; ++kill) {
    int report[2];
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(report[0]);
      SaveUntilKilled(programDir.string() + "/", report[1]);
    }
    ::close(report[1]);
    // Once the child has loaded and finished a first save, it is saving all the time:
    // any moment after that is a moment inside some save.
    pollfd ready{report[0], POLLIN, 0};
    const bool saving = ::poll(&ready, 1, 20000) == 1;
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(saving) << "the saver did not finish a first save";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself, status " << status;
    for (int g; ::read(report[0], &g, sizeof g) == sizeof g;) {
      lastReturned = g;
      ++savesSeen;
    }
    ::close(report[0]);

    TRegistry registry(TRegistryLocations::FromEnvironment());
    TFakeUserInterface ui;
    TRegistrySettings settings(registry, ui, programDir.string() + "/");
    settings.Load();
    const int stored = settings.ProxyPort == 8080 ? 0 : settings.ProxyPort - FirstPort;
    // The save in flight may or may not have landed; every earlier one has.
    EXPECT_GE(stored, lastReturned) << "kill " << kill;
    EXPECT_LE(stored, lastReturned + 1) << "kill " << kill;
    if (stored > 0) {
      EXPECT_EQ(settings.BlockedURLList, ListOf(stored))
          << "kill " << kill << ": list of another save or cut";
    }
    lastReturned = std::max(lastReturned, stored);
  }
  RecordProperty("saves_returned", savesSeen);
}

} // namespace
