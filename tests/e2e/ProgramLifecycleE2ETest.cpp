// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a user starts and stops it: its status line, signals, a port in use.
#include "E2ETest.h"

#include <csignal>
#include <gmock/gmock.h>
#include <thread>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr auto StopTimeout = std::chrono::seconds(10);
constexpr const char* BindErrorStart =
    "Quorvane konnte den Proxy-Server-Port nicht verwenden, da eine andere Server-Anwendung "
    "diesen Port bereits nutzt";

std::string StatusLine(std::uint16_t port) {
  return "Quorvane Proxy-Server am Port " + std::to_string(port) + " aktiv\n";
}

// Polls a child's output until `text` shows or the time is up; the program's status
// must be readable while it runs, not only once it has ended.
bool WaitForOutput(TChildProcess& child, const std::string& text, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (child.ReadStdout().find(text) != std::string::npos) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return child.ReadStdout().find(text) != std::string::npos;
}

class ProgramLifecycleE2E : public TE2ETest {
protected:
  // A home shared by the runs of one test, so that they meet at the single-instance lock.
  std::vector<std::string> SharedHome() {
    const auto home = Folder / "shared-home";
    for (const char* sub : {"config", "data", "runtime", "registry"}) {
      std::filesystem::create_directories(home / sub);
    }
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    return {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_DATA_HOME=" + (home / "data").string(),
            "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (home / "registry").string()};
  }
};

class ProgramStopSignalE2E : public TE2ETest, public ::testing::WithParamInterface<int> {};

TEST_P(ProgramStopSignalE2E, StopSignalEndsProgramWithExitCodeZeroAndClosesPort) {
  const TProxy proxy = StartProxy();
  ASSERT_TRUE(WaitForOutput(*proxy.Process, StatusLine(proxy.Port), std::chrono::seconds(5)))
      << "stdout so far: " << proxy.Process->ReadStdout();

  proxy.Process->Signal(GetParam());
  const auto exit = proxy.Process->WaitExit(StopTimeout);

  ASSERT_TRUE(exit.has_value()) << "still running " << StopTimeout.count() << " s after the signal";
  EXPECT_TRUE(exit->Exited && exit->Code == 0)
      << exit->Describe() << "; stderr: " << proxy.Process->ReadStderr();
  EXPECT_FALSE(PortAcceptsConnections(proxy.Port));
  EXPECT_EQ(proxy.Process->ReadStdout(), StatusLine(proxy.Port)) << "exactly one status line";
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramStopSignalE2E, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Int"; });

TEST_F(ProgramLifecycleE2E, SecondInstanceOnPortInUseReportsBindErrorAndInactive) {
  Publish("page.html", "still served\n");
  const TNginx origin = StartNginx();
  const TProxy first = StartProxy();

  TChildProcess& second = LaunchProxy(first.Port);
  ASSERT_TRUE(WaitForOutput(second, "Quorvane Proxy-Server inaktiv\n", std::chrono::seconds(10)))
      << "stdout: " << second.ReadStdout() << "; stderr: " << second.ReadStderr();

  // The bind error is a message box, which a headless run writes to standard error;
  // the status line goes to standard output.
  EXPECT_THAT(second.ReadStderr(), HasSubstr(BindErrorStart));
  EXPECT_THAT(second.ReadStdout(), Not(HasSubstr(" aktiv\n")));
  // The first instance keeps serving.
  const TCurlResult r =
      CurlVia(first, {Url(origin.HttpPort, "/page.html")}, std::chrono::seconds(30));
  EXPECT_EQ(r.Body, "still served\n") << r.Describe();
  // The inactive instance still stops cleanly.
  const TExitStatus exit = second.Stop(SIGTERM, StopTimeout);
  EXPECT_TRUE(exit.Exited && exit.Code == 0) << exit.Describe();
}

// A launcher or file manager may pass a file: the program runs and says what it
// ignores; a slash switch counts wherever it stands in an argument.
TEST_F(ProgramLifecycleE2E, ArgumentsThatAreNoOptionsAreIgnoredWithANotice) {
  const TProxy proxy = StartProxy({"notes.txt", "/nothing", "-x", "files/multi"});
  ASSERT_TRUE(WaitForOutput(*proxy.Process, StatusLine(proxy.Port), std::chrono::seconds(5)))
      << "stderr: " << proxy.Process->ReadStderr();
  const std::string errors = proxy.Process->ReadStderr();
  for (const char* ignored : {"notes.txt", "/nothing", "-x"}) {
    EXPECT_THAT(errors, HasSubstr(std::string("quorvane: ignoring argument: ") + ignored + "\n"));
  }
  EXPECT_THAT(errors, Not(HasSubstr("files/multi"))) << "it carries /MULTI";
  const TExitStatus exit = proxy.Process->Stop(SIGTERM, StopTimeout);
  EXPECT_TRUE(exit.Exited && exit.Code == 0) << exit.Describe();
}

TEST_F(ProgramLifecycleE2E, MisspeltOptionEndsWithTheUsageAndExitCodeTwo) {
  TChildProcess& program = LaunchProxy(FreePort(), {"--heedless"});
  const auto exit = program.WaitExit(StopTimeout);
  ASSERT_TRUE(exit.has_value());
  EXPECT_TRUE(exit->Exited && exit->Code == 2) << exit->Describe();
  EXPECT_THAT(program.ReadStderr(), HasSubstr("quorvane: unknown option: --heedless\n"));
  EXPECT_THAT(program.ReadStderr(), HasSubstr("usage: quorvane"));
}

// A second instance with a window waits in its "läuft bereits" box; a stop signal
// (a logout, say) still ends it.
TEST_F(ProgramLifecycleE2E, SecondInstanceShowingItsMessageEndsOnStopSignal) {
  const std::uint16_t port = FreePort();
  TChildProcess& first =
      Spawn({.Argv = {QuorvaneBinary().string(), "--headless", "--port", std::to_string(port)},
             .SetEnv = SharedHome(),
             .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
             .StdoutPath = Folder / "first.stdout",
             .StderrPath = Folder / "first.stderr"});
  ASSERT_TRUE(WaitForPort(port, std::chrono::seconds(10), [&] { return first.Running(); }))
      << first.ReadStderr();

  std::vector<std::string> environment = SharedHome();
  // A display is named, so the window's message box is chosen; Qt draws it offscreen.
  environment.push_back("DISPLAY=:quorvane-test");
  environment.push_back("QT_QPA_PLATFORM=offscreen");
  TChildProcess& second = Spawn({.Argv = {QuorvaneBinary().string(), "--port", "0"},
                                 .SetEnv = environment,
                                 .UnsetEnv = {"WAYLAND_DISPLAY"},
                                 .StdoutPath = Folder / "second.stdout",
                                 .StderrPath = Folder / "second.stderr"});
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(second.Running()) << "the second instance waits in its message box; stderr: "
                                << second.ReadStderr();

  second.Signal(SIGTERM);
  const auto exit = second.WaitExit(std::chrono::seconds(5));
  ASSERT_TRUE(exit.has_value()) << "the second instance ignored the stop signal";
  EXPECT_TRUE(exit->Exited && exit->Code == 0) << exit->Describe();
  EXPECT_TRUE(first.Running()) << "the first instance keeps running";
  EXPECT_TRUE(PortAcceptsConnections(port));
}

// Stopping the program closes the browser side of an open tunnel at once instead of
// waiting for the peers to finish.
TEST_F(ProgramLifecycleE2E, StopClosesOpenTunnelAndEndsPromptly) {
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy();
  TRawConnection browser(proxy.Port);
  browser.Send("CONNECT 127.0.0.1:" + std::to_string(origin.HttpPort) + " HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(browser.ReadUntil("\r\n\r\n", std::chrono::seconds(10))) << browser.Received();
  ASSERT_EQ(browser.Received().rfind("HTTP/1.0 200 Connection established\r\n", 0), 0u);

  proxy.Process->Signal(SIGTERM);

  EXPECT_TRUE(browser.ReadUntilClosed(StopTimeout)) << "the tunnel stayed open";
  const auto exit = proxy.Process->WaitExit(StopTimeout);
  ASSERT_TRUE(exit.has_value()) << "still running with a tunnel open";
  EXPECT_TRUE(exit->Exited && exit->Code == 0) << exit->Describe();
}

// Stopping the program ends a request that still waits for its origin, instead of
// waiting out the upstream read time-out.
TEST_F(ProgramLifecycleE2E, StopEndsRequestWaitingForOriginPromptly) {
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();
  TRawConnection browser(proxy.Port);
  browser.Send("GET " + Url(origin, "/stall?secs=50") + " HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(browser.ReadUntil("0123456789", std::chrono::seconds(10))) << browser.Received();

  proxy.Process->Signal(SIGTERM);

  EXPECT_TRUE(browser.ReadUntilClosed(StopTimeout)) << "the browser connection stayed open";
  const auto exit = proxy.Process->WaitExit(StopTimeout);
  ASSERT_TRUE(exit.has_value()) << "still running while a request waits for its origin";
  EXPECT_TRUE(exit->Exited && exit->Code == 0) << exit->Describe();
}

} // namespace
} // namespace e2e
