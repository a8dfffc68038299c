// SPDX-License-Identifier: GPL-3.0-or-later
// The browser-close watcher and its process-mode window lookup.
#include "PrivacyTestSupport.h"
#include "TempFolder.h"
#include "privacy/BrowserMonitorClassUnit.h"

#include <QCoreApplication>
#include <deque>
#include <gmock/gmock.h>
#include <map>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;

// Answers each class with the next scripted list of windows (then none).
class TScriptedWindows : public TTopLevelWindows {
public:
  std::vector<std::uint64_t> Find(std::string_view windowClass) override {
    auto& queue = Script[std::string(windowClass)];
    if (queue.empty())
      return {};
    std::vector<std::uint64_t> next = queue.front();
    queue.pop_front();
    return next;
  }
  std::map<std::string, std::deque<std::vector<std::uint64_t>>> Script;
};

class Monitor : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "quorvane_privacy_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
      new QCoreApplication(argc, argv);
  }
  void SetUp() override {
    auto windows = std::make_unique<TScriptedWindows>();
    Windows = windows.get();
    Watcher = std::make_unique<TBrowserMonitorClass>(std::move(windows));
    Watcher->OnIEClosed = [this] { Events.push_back("IE"); };
    Watcher->OnMozillaClosed = [this] { Events.push_back("Mozilla"); };
    Watcher->OnOperaClosed = [this] { Events.push_back("Opera"); };
    Watcher->OnChromiumClosed = [this] { Events.push_back("Chromium"); };
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i)
      Watcher->Tick();
  }

  TScriptedWindows* Windows = nullptr;
  std::unique_ptr<TBrowserMonitorClass> Watcher;
  std::vector<std::string> Events;
};

TEST_F(Monitor, NothingFiresForABrowserNeverSeen) {
  Watcher->SetActive(true);
  Ticks(3);
  EXPECT_TRUE(Events.empty());
}

TEST_F(Monitor, FiresOnceWhenTheLastOfThreeWindowsCloses) {
  Windows->Script["IEFrame"] = {{1}, {1, 2, 3}, {2, 3}, {3}, {}, {}};
  Watcher->SetActive(true);
  Ticks(6);
  EXPECT_THAT(Events, ElementsAre("IE"));
}

TEST_F(Monitor, EachBrowserFiresItsOwnEventInOrder) {
  Windows->Script["MozillaWindowClass"] = {{7}, {}};
  Windows->Script["OpWindow"] = {{8}, {}};
  Windows->Script["IEFrame"] = {{9}, {}};
  Windows->Script["Chromium"] = {{4}, {}};
  Ticks(2);
  EXPECT_THAT(Events, ElementsAre("IE", "Mozilla", "Opera", "Chromium"));
}

TEST_F(Monitor, StartingForgetsWindowsSeenBefore) {
  Windows->Script["MozillaWindowClass"] = {{7}, {}};
  Watcher->SetActive(true);
  Ticks(1);
  Watcher->SetActive(false);
  Watcher->SetActive(true);
  Ticks(1);
  EXPECT_TRUE(Events.empty());
}

TEST_F(Monitor, TheTimerTicksWhileActive) {
  Windows->Script["OpWindow"] = {{5}, {}};
  Watcher->SetActive(true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Events.empty() && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  EXPECT_THAT(Events, ElementsAre("Opera"));
}

TEST(ProcessWindows, FindTheBrowsersMainProcessesByName) {
  TTempFolder proc;
  const auto process = [&](const char* pid, const char* comm) {
    privacy_test::WriteFile(proc / pid / "comm", std::string(comm) + "\n");
  };
  process("100", "firefox-esr");
  process("101", "Isolated Web Co");
  process("200", "chromium");
  process("300", "bash");
  privacy_test::WriteFile(proc / "self" / "comm", "firefox-esr\n");
  TProcessWindows windows(proc.Path(), getuid());
  EXPECT_THAT(windows.Find("MozillaWindowClass"), ElementsAre(100u));
  EXPECT_THAT(windows.Find("Chromium"), ElementsAre(200u));
  EXPECT_TRUE(windows.Find("IEFrame").empty());
  EXPECT_TRUE(TProcessWindows(proc.Path(), getuid() + 1).Find("Chromium").empty())
      << "another user's browser is not watched";
}

} // namespace
