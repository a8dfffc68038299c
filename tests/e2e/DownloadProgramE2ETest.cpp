// SPDX-License-Identifier: GPL-3.0-or-later
// The headless program's download manager as the add-on and the user drive it: an
// offer through qhelper-offer, a stop signal in the middle of the transfer, a restart
// that resumes it, and the command-line switches --download and --downloads.
#include "E2ETest.h"

#include <csignal>
#include <gmock/gmock.h>
#include <regex>
#include <thread>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr auto StopTimeout = 10s;
constexpr auto TransferTimeout = 60s;
constexpr const char* MainKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Main";
constexpr const char* OptionsKey = "HKCU\\Software\\Torvimsk Software\\Downloadmanager\\Options";
constexpr const char* StatisticsKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Statistics";

class DownloadProgramE2E : public TE2ETest {
protected:
  std::filesystem::path Home() { return Folder / "home"; }
  std::filesystem::path DownloadFolder() { return Home() / "Documents/Quorvane/Downloads"; }

  std::vector<std::string> Environment() {
    for (const char* sub : {"config", "data", "runtime", "registry"})
      std::filesystem::create_directories(Home() / sub);
    std::filesystem::permissions(Home() / "runtime", std::filesystem::perms::owner_all);
    return {"HOME=" + Home().string(), "XDG_CONFIG_HOME=" + (Home() / "config").string(),
            "XDG_DATA_HOME=" + (Home() / "data").string(),
            "XDG_RUNTIME_DIR=" + (Home() / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string()};
  }

  // The headless program on this test's home, once its download queue listens.
  TChildProcess& Start(const std::string& name) {
    TChildProcess& process = Spawn(
        {.Argv = {QuorvaneBinary().string(), "--headless", "--port", std::to_string(FreePort())},
         .SetEnv = Environment(),
         .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
         .StdoutPath = Home() / (name + ".stdout"),
         .StderrPath = Home() / (name + ".stderr")});
    const auto queue = Home() / "runtime/quorvane/QuorvaneDownloadManager";
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    while (!std::filesystem::exists(queue) && process.Running() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(std::filesystem::exists(queue)) << process.ReadStderr();
    return process;
  }

  struct TOutcome {
    int Code = -1;
    std::string Stdout;
    std::string Stderr;
  };
  // A program of the test's own on this test's home, to its end.
  TOutcome RunTool(std::vector<std::string> argv, const std::string& name) {
    TChildProcess& tool = Spawn({.Argv = std::move(argv),
                                 .SetEnv = Environment(),
                                 .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                                 .StdoutPath = Home() / (name + ".stdout"),
                                 .StderrPath = Home() / (name + ".stderr")});
    const auto exit = tool.WaitExit(TransferTimeout);
    EXPECT_TRUE(exit && exit->Exited) << name;
    return {exit && exit->Exited ? exit->Code : -1, tool.ReadStdout(), tool.ReadStderr()};
  }
  void SetValue(const char* key, const std::string& name, const std::string& value) {
    const auto result =
        RunTool({QUORVANE_REG_BINARY, "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"},
                "reg-" + name);
    EXPECT_EQ(result.Code, 0) << result.Stderr;
  }
  static void Stop(TChildProcess& process) {
    const TExitStatus exit = process.Stop(SIGTERM, StopTimeout);
    EXPECT_TRUE(exit.Exited && exit.Code == 0)
        << exit.Describe() << "; stderr: " << process.ReadStderr();
  }
  // Waits until the file holds at least size bytes.
  static bool WaitForSize(const std::filesystem::path& file, std::uintmax_t size) {
    const auto deadline = std::chrono::steady_clock::now() + TransferTimeout;
    std::error_code error;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto now = std::filesystem::file_size(file, error);
      if (!error && now >= size)
        return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }
};

TEST_F(DownloadProgramE2E, OfferedDownloadSurvivesAStopAndCompletesAfterRestart) {
  const std::string content = PatternBytes(2 * 1024 * 1024 + 3, 11);
  Publish("setup.exe", content);
  const TNginx nginx = StartNginx();
  const std::string url = Url(nginx.HttpPort, "/setup.exe");
  // 50 % of 1024 kbit/s: the transfer takes half a minute, time enough to stop it.
  SetValue(MainKey, "DMDrossel", "1");
  SetValue(MainKey, "DMDrosselPercent", "50");
  SetValue(MainKey, "DMMaxDownload", "1024");

  TChildProcess& first = Start("first");
  // The first start took the wizard's answers, which switch the download manager on.
  SetValue(OptionsKey, "Enabled", "0");
  const TOutcome disabled = RunTool({QHELPER_OFFER_BINARY, url, "--as-browser"}, "offer-off");
  EXPECT_EQ(disabled.Code, 1);
  EXPECT_THAT(disabled.Stderr, HasSubstr("not enabled"));
  SetValue(OptionsKey, "Enabled", "1");

  const TOutcome offer = RunTool({QHELPER_OFFER_BINARY, url, "--as-browser"}, "offer");
  EXPECT_EQ(offer.Code, 0) << offer.Stderr;
  EXPECT_EQ(offer.Stdout, "00 00 00 00 01 00 00 00\n");
  const TOutcome again = RunTool({QHELPER_OFFER_BINARY, url}, "offer-again");
  EXPECT_EQ(again.Code, 1);
  EXPECT_EQ(again.Stdout, "00 00 00 00 00 00 00 00\n") << "a known URL is answered unchanged";

  const auto file = DownloadFolder() / "setup.exe";
  ASSERT_TRUE(WaitForSize(file, 64 * 1024));
  Stop(first);
  const auto partial = std::filesystem::file_size(file);
  EXPECT_LT(partial, content.size());
  const TOutcome stopped = RunTool({QuorvaneBinary().string(), "--downloads"}, "list-stopped");
  EXPECT_EQ(stopped.Stdout, url + "\t" + file.string() + "\tDownload läuft\t" +
                                std::to_string(content.size()) + "\n")
      << "the state is kept so the download goes on at the next start";

  SetValue(MainKey, "DMDrossel", "0");
  TChildProcess& second = Start("second");
  ASSERT_TRUE(WaitForSize(file, content.size()));
  // The completion is counted and stored before the stop.
  const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
  std::string statistics;
  while (std::chrono::steady_clock::now() < deadline &&
         statistics.find("TotalDownloads    REG_SZ    1") == std::string::npos) {
    statistics = RunTool({QUORVANE_REG_BINARY, "query", StatisticsKey}, "stats").Stdout;
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_THAT(statistics, HasSubstr("TotalDownloads    REG_SZ    1"));
  EXPECT_THAT(statistics,
              HasSubstr("TotalBytesInDownloads    REG_SZ    " + std::to_string(content.size())));
  Stop(second);

  EXPECT_EQ(Sha256Hex(ReadFileOrEmpty(file)), Sha256Hex(content));
  const TOutcome done = RunTool({QuorvaneBinary().string(), "--downloads"}, "list-done");
  EXPECT_EQ(done.Stdout, url + "\t" + file.string() + "\tDownload abgeschlossen\t" +
                             std::to_string(content.size()) + "\n");
  // The restart asked only for the rest: its reply carried fewer bytes than the file.
  const std::string log = ReadFileOrEmpty(nginx.AccessLog);
  const std::regex resumed("\"GET /setup\\.exe HTTP/1\\.1\" 206 (\\d+)");
  std::vector<std::uintmax_t> sent;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), resumed);
       it != std::sregex_iterator(); ++it)
    sent.push_back(std::stoull((*it)[1].str()));
  ASSERT_EQ(sent.size(), 2u) << log;
  EXPECT_EQ(sent[1], content.size() - partial);
}

TEST_F(DownloadProgramE2E, WithoutARunningProgramDownloadIsFetchedInTheForeground) {
  const std::string content = PatternBytes(300000, 5);
  Publish("tool.zip", content);
  const TNginx nginx = StartNginx();
  const std::string url = Url(nginx.HttpPort, "/tool.zip");

  const TOutcome fetched = RunTool({QuorvaneBinary().string(), "--download", url}, "fetch");
  EXPECT_EQ(fetched.Code, 0) << fetched.Stderr;
  EXPECT_THAT(fetched.Stderr, HasSubstr("300000 / 300000 Byte (100%)"));
  EXPECT_EQ(Sha256Hex(ReadFileOrEmpty(DownloadFolder() / "tool.zip")), Sha256Hex(content));

  const TOutcome again = RunTool({QuorvaneBinary().string(), "--download", url}, "fetch-again");
  EXPECT_EQ(again.Code, 1);
  EXPECT_THAT(again.Stderr, HasSubstr("exists already"));
  EXPECT_EQ(Sha256Hex(ReadFileOrEmpty(DownloadFolder() / "tool.zip")), Sha256Hex(content));

  const TOutcome local =
      RunTool({QuorvaneBinary().string(), "--download", "file:///etc/hostname"}, "fetch-file");
  EXPECT_EQ(local.Code, 2);
  EXPECT_FALSE(std::filesystem::exists(DownloadFolder() / "hostname"));
}

} // namespace
} // namespace e2e
