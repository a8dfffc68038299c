// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserCommands.h"
#include "CleanCommands.h"
#include "CommandLine.h"
#include "DownloadCommands.h"
#include "PoolCommands.h"
#include "ProgramStart.h"
#include "UpdateCommands.h"
#include "WindowedStart.h"
#include "app/HeadlessUnit.h"
#include "app/StopSignals.h"
#include "net/ProxyProcess.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

// The controller without widgets: status lines on standard output, messages on
// standard error, until "Beenden" or a stop signal.
int RunHeadless(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals) {
  QCoreApplication application(argc, argv);
  THeadlessUserInterface userInterface(std::cerr);
  THeadlessMainView view(std::cout);
  // Without a window the first showing is now: the update reminder asks here.
  return RunProgram({userInterface, view, [](TMain& main) { main.FormShow(); }},
                    StartOptionsOf(options), stopSignals);
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
  for (const std::string& argument : options.Ignored)
    std::cerr << "quorvane: ignoring argument: " << argument << "\n";
  if (IsBrowserCommand(options))
    return RunBrowserCommand(options);
  if (options.Clean || options.CookieNames)
    return RunCleanCommand(options, std::cout, std::cerr);
  if (const int result = RunPoolCommand(options, std::cout, std::cerr); result >= 0)
    return result;
  PrepareProxyProcess();
  // Before any thread exists, so that only the watcher receives the stop signals.
  TStopSignals stopSignals;
  std::signal(SIGPIPE, SIG_IGN);

  if (options.ListDownloads)
    return RunListDownloads(std::cout);
  if (!options.DownloadURL.empty())
    return RunDownloadCommand(argc, argv, options.DownloadURL, stopSignals);
  if (!options.ScreenshotFolder.empty())
    return RunScreenshots(argc, argv, options, stopSignals);
  if (options.OnlineUpdate)
    return RunOnlineUpdate(argc, argv, options, stopSignals);
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
