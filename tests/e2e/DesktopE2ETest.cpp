// SPDX-License-Identifier: GPL-3.0-or-later
// The headless program's first start: the wizard's answers taken unattended.
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

} // namespace
} // namespace e2e
