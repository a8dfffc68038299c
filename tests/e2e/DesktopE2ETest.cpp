// SPDX-License-Identifier: GPL-3.0-or-later
// The headless program's first start (the wizard's answers taken unattended), its
// update reminder, and `quorvane --online-update` with the LiveUpd stand-in.
#include "E2ETest.h"

#include <csignal>
#include <gmock/gmock.h>
#include <sstream>

namespace e2e {
namespace {

using ::testing::HasSubstr;

constexpr auto StopTimeout = std::chrono::seconds(10);

class DesktopE2E : public TE2ETest {
protected:
  std::filesystem::path Home() { return Folder / "home"; }

  std::vector<std::string> Environment() {
    for (const char* sub : {"config", "data", "runtime", "registry"})
      std::filesystem::create_directories(Home() / sub);
    std::filesystem::permissions(Home() / "runtime", std::filesystem::perms::owner_all);
    return {"HOME=" + Home().string(), "XDG_CONFIG_HOME=" + (Home() / "config").string(),
            "XDG_DATA_HOME=" + (Home() / "data").string(),
            "XDG_RUNTIME_DIR=" + (Home() / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string()};
  }

  // One headless run until it listens, then a stop signal; its standard error.
  std::string RunOnce(const std::string& name) {
    const std::uint16_t port = FreePort();
    TChildProcess& process =
        Spawn({.Argv = {QuorvaneBinary().string(), "--headless", "--port", std::to_string(port)},
               .SetEnv = Environment(),
               .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
               .StdoutPath = Home() / (name + ".stdout"),
               .StderrPath = Home() / (name + ".stderr")});
    EXPECT_TRUE(WaitForPort(port, StopTimeout, [&] { return process.Running(); }))
        << process.ReadStderr();
    const TExitStatus exit = process.Stop(SIGTERM, StopTimeout);
    EXPECT_TRUE(exit.Exited && exit.Code == 0) << exit.Describe();
    return process.ReadStderr();
  }

  // quorvane-reg on this test's hives; its standard output.
  std::string Reg(std::vector<std::string> args, const std::string& name) {
    args.insert(args.begin(), QUORVANE_REG_BINARY);
    TChildProcess& reg = Spawn({.Argv = args,
                                .SetEnv = Environment(),
                                .StdoutPath = Home() / (name + ".stdout"),
                                .StderrPath = Home() / (name + ".stderr")});
    const auto exit = reg.WaitExit(StopTimeout);
    EXPECT_TRUE(exit && exit->Exited && exit->Code == 0) << reg.ReadStderr();
    return reg.ReadStdout();
  }

  static std::vector<std::string> LinesNaming(const std::string& text, const std::string& word) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
      if (line.find(word) != std::string::npos)
        lines.push_back(line);
    }
    return lines;
  }
};

TEST_F(DesktopE2E, HeadlessFirstStartTakesTheWizardsAnswersAndSaysSoOnce) {
  const std::string first = RunOnce("first");
  const auto lines = LinesNaming(first, "Einrichtungsassistent");
  ASSERT_EQ(lines.size(), 1U) << first;
  EXPECT_THAT(lines[0], HasSubstr("kein Browser"));

  const std::string second = RunOnce("second");
  EXPECT_TRUE(LinesNaming(second, "Einrichtungsassistent").empty())
      << "only the first start runs the wizard: " << second;
}

constexpr const char* MainKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Main";

TEST_F(DesktopE2E, HeadlessReminderAnswersNeinAndStartsNoOtherProgram) {
  RunOnce("first");
  // 40000 is the year 2009: long past the 30 days.
  Reg({"add", MainKey, "/v", "LastUpdate", "/d", "40000.00000", "/f"}, "reg-old");
  const std::filesystem::path log = Home() / "liveupd.log";
  std::vector<std::string> environment = Environment();
  const std::uint16_t port = FreePort();
  environment.push_back("LIVEUPD_LOG=" + log.string());
  TChildProcess& process =
      Spawn({.Argv = {QuorvaneBinary().string(), "--headless", "--port", std::to_string(port)},
             .SetEnv = environment,
             .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
             .StdoutPath = Home() / "reminded.stdout",
             .StderrPath = Home() / "reminded.stderr"});
  ASSERT_TRUE(WaitForPort(port, StopTimeout, [&] { return process.Running(); }));
  const TExitStatus exit = process.Stop(SIGTERM, StopTimeout);
  EXPECT_TRUE(exit.Exited && exit.Code == 0) << exit.Describe();
  const auto asked = LinesNaming(process.ReadStderr(), "Online-Updates liegt mehr als 30 Tage");
  ASSERT_EQ(asked.size(), 1U) << process.ReadStderr();
  EXPECT_THAT(asked[0], ::testing::StartsWith("Quorvane: Die letzte Ausführung"));
  EXPECT_FALSE(std::filesystem::exists(log)) << "the update program was not started";
  EXPECT_THAT(Reg({"query", MainKey, "/v", "LastUpdate"}, "reg-after"),
              ::testing::Not(HasSubstr("40000.00000")))
      << "Nein stores now: the reminder returns in 30 days";
}

TEST_F(DesktopE2E, OnlineUpdateMergesTheDeliveredListAndStoresItsDate) {
  RunOnce("first");
  WriteFile(Home() / "list.txt", "# from the update\n10.1.0.1:3128\n10.1.0.2\n:80\n10.1.0.1:1\n");
  std::vector<std::string> environment = Environment();
  environment.push_back("LIVEUPD_PROXIES=" + (Home() / "list.txt").string());
  environment.push_back("LIVEUPD_LOG=" + (Home() / "liveupd.log").string());
  environment.push_back("LIVEUPD_DATE=46000.5");
  TChildProcess& update = Spawn({.Argv = {QuorvaneBinary().string(), "--online-update"},
                                 .SetEnv = environment,
                                 .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                                 .StdoutPath = Home() / "update.stdout",
                                 .StderrPath = Home() / "update.stderr"});
  const auto exit = update.WaitExit(std::chrono::seconds(30));
  ASSERT_TRUE(exit && exit->Exited && exit->Code == 0)
      << (exit ? exit->Describe() : "still running") << "\n"
      << update.ReadStderr();
  EXPECT_THAT(update.ReadStdout(), HasSubstr("\n10.1.0.1:3128\n10.1.0.2:8080\n"));
  EXPECT_THAT(update.ReadStdout(), ::testing::Not(HasSubstr("10.1.0.1:1\n")));
  const std::string log = ReadFileOrEmpty(Home() / "liveupd.log");
  EXPECT_THAT(log, HasSubstr("ProductName=Quorvane\n"));
  EXPECT_THAT(log, HasSubstr("Unattended=1\n"));
  EXPECT_THAT(log, HasSubstr("ProgramFolder=" + QuorvaneBinary().parent_path().string() + "/\n"));
  EXPECT_THAT(Reg({"query", MainKey, "/v", "LastUpdate"}, "reg-after"), HasSubstr("46000.50000"));

  // The merged proxies were saved into the pool: enabled, response time 1, as new entries.
  TChildProcess& list = Spawn({.Argv = {QuorvaneBinary().string(), "--proxy-list"},
                               .SetEnv = Environment(),
                               .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                               .StdoutPath = Home() / "list.stdout",
                               .StderrPath = Home() / "list.stderr"});
  const auto listed = list.WaitExit(StopTimeout);
  ASSERT_TRUE(listed && listed->Exited && listed->Code == 0) << list.ReadStderr();
  EXPECT_THAT(list.ReadStdout(), HasSubstr("1 10.1.0.1:3128 1ms 1x\n1 10.1.0.2:8080 1ms 1x\n"));
}

TEST_F(DesktopE2E, OnlineUpdateWithoutTheUpdateProgramFails) {
  // A copy of the program in a folder of its own, without LiveUpd beside it.
  const std::filesystem::path alone = Folder / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(QuorvaneBinary(), alone / "quorvane");
  TChildProcess& update = Spawn({.Argv = {(alone / "quorvane").string(), "--online-update"},
                                 .SetEnv = Environment(),
                                 .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                                 .StdoutPath = Home() / "alone.stdout",
                                 .StderrPath = Home() / "alone.stderr"});
  const auto exit = update.WaitExit(std::chrono::seconds(30));
  ASSERT_TRUE(exit && exit->Exited);
  EXPECT_EQ(exit->Code, 1);
  EXPECT_THAT(update.ReadStderr(),
              HasSubstr("Fehler: Fehler beim Ausführen: No such file or directory"));
}

} // namespace
} // namespace e2e
