// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include "WindowedStart.h"
#include "app/HeadlessUnit.h"
#include "app/MainUnit.h"
#include "app/OnlyOne.h"
#include "app/StartFlags.h"
#include "app/StopSignals.h"
#include "net/ProxyProcess.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

std::string ProgramFolder() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("./") : program.parent_path().string() + "/";
}

// The controller without widgets: status lines on standard output, messages on
// standard error, until "Beenden" or a stop signal.
int RunHeadless(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals) {
  QCoreApplication application(argc, argv);
  THeadlessUserInterface userInterface(std::cerr);
  THeadlessMainView view(std::cout);
  TOnlyOne onlyOne;
  const TStartFlags flags = InitializeProgram(options.Switches, onlyOne, userInterface);
  if (flags.TerminateAtStart)
    return 0;

  TRegistry registry(TRegistryLocations::FromEnvironment());
  TMain main(registry, userInterface, view, ProgramFolder(), flags, RunOptionsOf(options));
  onlyOne.Listen([&main] { main.RestoreRequested(); });
  stopSignals.Watch([&main] {
    main.FormCloseQuery();
    QCoreApplication::quit();
  });
  main.FormCreate();
  QCoreApplication::exec();
  main.FormDestroy();
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  TCommandLine options;
  try {
    options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ECommandLineError& error) {
    std::cerr << "quorvane: " << error.what() << "\n" << CommandLineUsage;
    return 2;
  }
  PrepareProxyProcess();
  // Before any thread exists, so that only the watcher receives the stop signals.
  TStopSignals stopSignals;
  std::signal(SIGPIPE, SIG_IGN);

  if (!options.ScreenshotFolder.empty())
    return RunScreenshots(argc, argv, options);
  if (!options.Headless) {
    const bool hasDisplay =
        std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (hasDisplay && HasWindow())
      return RunWindowed(argc, argv, options, stopSignals);
    std::cerr << (hasDisplay ? "quorvane: this build has no window; running headless\n"
                             : "quorvane: no display; running headless\n");
  }
  return RunHeadless(argc, argv, options, stopSignals);
}
