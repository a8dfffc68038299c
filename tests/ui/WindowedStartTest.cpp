// SPDX-License-Identifier: GPL-3.0-or-later
// The program with its window: started with a display, ended by a stop signal
// through its normal shutdown although its window refuses to close.
#include "TempFolder.h"
#include "UiTestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <csignal>
#include <gmock/gmock.h>
#include <thread>

namespace {

TEST(WindowedStart, StopSignalEndsTheWindowedProgramThroughItsShutdown) {
  EnsureApplication();
  TTestHome home;
  const auto runtime = home.Path() / "runtime";
  std::filesystem::create_directories(runtime);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // A display is named, so the window is chosen; Qt draws it offscreen.
  environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":quorvane-test"));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(QUORVANE_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
  ASSERT_TRUE(program.waitForStarted());

  // The single-instance server listens once the controller exists.
  const auto server = runtime / "quorvane" / "Quorvane-Server32";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(server) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(std::filesystem::exists(server)) << program.readAllStandardError().toStdString();
  ASSERT_EQ(program.state(), QProcess::Running)
      << "no headless fallback: the window keeps it running";

  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(10000)) << "the stop signal did not end the windowed program";
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_FALSE(program.readAllStandardError().contains("running headless"));

  TFakeUserInterface userInterface;
  TRegistry registry(TRegistryLocations::InFolder(home.RegistryFolder()));
  TRegistrySettings settings(registry, userInterface, (home.Path() / "program").string() + "/");
  settings.Load();
  EXPECT_FALSE(settings.FirstStart) << "the first start was recorded";
}

} // namespace
