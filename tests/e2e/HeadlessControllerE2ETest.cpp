// SPDX-License-Identifier: GPL-3.0-or-later
// The headless program as a whole: settings from a fresh hive, rewritten headers at
// a real origin, and the counters in the hive after a stop signal and a restart.
#include "E2ETest.h"

#include <csignal>
#include <gmock/gmock.h>
#include <iostream>
#include <regex>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr auto StopTimeout = std::chrono::seconds(10);
constexpr const char* StatisticsKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Statistics";
constexpr const char* BrowserSecurityKey =
    "HKCU\\Software\\Torvimsk Software\\Quorvane\\BrowserSecurity";

class HeadlessControllerE2E : public TE2ETest {
protected:
  std::filesystem::path Home() { return Folder / "home"; }

  std::vector<std::string> Environment() {
    for (const char* sub : {"config", "data", "runtime", "registry"}) {
      std::filesystem::create_directories(Home() / sub);
    }
    std::filesystem::permissions(Home() / "runtime", std::filesystem::perms::owner_all);
    return {"HOME=" + Home().string(), "XDG_CONFIG_HOME=" + (Home() / "config").string(),
            "XDG_DATA_HOME=" + (Home() / "data").string(),
            "XDG_RUNTIME_DIR=" + (Home() / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string()};
  }

  // One run of the program on this test's home; every run shares the hives.
  TProxy Run(const std::string& name) {
    const std::uint16_t port = FreePort();
    TChildProcess& process =
        Spawn({.Argv = {QuorvaneBinary().string(), "--headless", "--port", std::to_string(port)},
               .SetEnv = Environment(),
               .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
               .StdoutPath = Home() / (name + ".stdout"),
               .StderrPath = Home() / (name + ".stderr")});
    EXPECT_TRUE(WaitForPort(port, std::chrono::seconds(10), [&] { return process.Running(); }))
        << "stderr: " << process.ReadStderr();
    return TProxy{port, &process};
  }

  // quorvane-reg with the test's hives; returns its standard output.
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

  static std::string Counter(const std::string& query, const std::string& name) {
    std::smatch match;
    const std::regex line("\\s" + name + "\\s+REG_\\w+\\s+(\\S+)");
    return std::regex_search(query, match, line) ? match[1].str() : "(missing)";
  }

  static void Stop(const TProxy& proxy) {
    const TExitStatus exit = proxy.Process->Stop(SIGTERM, StopTimeout);
    EXPECT_TRUE(exit.Exited && exit.Code == 0)
        << exit.Describe() << "; stderr: " << proxy.Process->ReadStderr();
  }
};

TEST_F(HeadlessControllerE2E, RewritesHeadersAndKeepsCountersAcrossRestart) {
  const std::uint16_t origin = StartEchoOrigin();
  Reg({"add", BrowserSecurityKey, "/v", "BlockCookies", "/t", "REG_SZ", "/d", "1", "/f"},
      "reg-add");

  const TProxy first = Run("first");
  const TCurlResult get =
      CurlVia(first, {"-H", "User-Agent: Browser/9", "-H", "Referer: http://from.example/", "-H",
                      "Cookie: session=42", Url(origin, "/echo")});
  const TCurlResult post =
      CurlVia(first, {"-H", "Cookie: session=42", "-d", "a=b", Url(origin, "/echo")});
  const TCurlResult head = CurlVia(first, {"-I", Url(origin, "/echo")});
  std::cout << "origin saw (GET):\n" << get.Body << std::flush;

  EXPECT_EQ(get.Status, 200) << get.Describe();
  EXPECT_THAT(get.Body, HasSubstr("header: User-Agent: Quorvane 1.20\n"));
  EXPECT_THAT(
      get.Body,
      HasSubstr("header: Referer: blocked_by_Quorvane_1.20_http://www.quorvane.example/\n"));
  EXPECT_THAT(get.Body, Not(HasSubstr("Browser/9")));
  EXPECT_THAT(get.Body, Not(HasSubstr("session=42")));
  EXPECT_THAT(post.Body, Not(HasSubstr("session=42"))) << post.Describe();
  EXPECT_EQ(head.Status, 200) << head.Describe();
  Stop(first);

  const std::string afterFirst = Reg({"query", StatisticsKey}, "query-first");
  std::cout << "quorvane-reg query after the first run:\n" << afterFirst << std::flush;
  EXPECT_EQ(Counter(afterFirst, "GETFiles"), "1");
  EXPECT_EQ(Counter(afterFirst, "POSTFiles"), "1");
  EXPECT_EQ(Counter(afterFirst, "HEADFiles"), "1");
  EXPECT_EQ(Counter(afterFirst, "BlockedCookies"), "2");

  const TProxy second = Run("second");
  EXPECT_EQ(CurlVia(second, {Url(origin, "/echo")}).Status, 200);
  Stop(second);
  const std::string afterSecond = Reg({"query", StatisticsKey}, "query-second");
  std::cout << "quorvane-reg query after the restart:\n" << afterSecond << std::flush;
  EXPECT_EQ(Counter(afterSecond, "GETFiles"), "2")
      << "the counters continue from the stored values";
  EXPECT_EQ(Counter(afterSecond, "BlockedCookies"), "2");
}

} // namespace
} // namespace e2e
