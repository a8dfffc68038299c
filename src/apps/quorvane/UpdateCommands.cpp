// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateCommands.h"

#include "CommandLine.h"
#include "ProgramStart.h"
#include "app/HeadlessUnit.h"

#include <QCoreApplication>
#include <iostream>

int RunOnlineUpdate(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals) {
  QCoreApplication application(argc, argv);
  THeadlessUserInterface userInterface(std::cerr);
  THeadlessMainView view(std::cout);
  TStartOptions start = StartOptionsOf(options);
  // Beside a running instance, which keeps its window, its port and its channels.
  start.SingleInstance = false;
  if (!start.Run.Port)
    start.Run.Port = 0;
  return RunProgram({userInterface, view}, std::move(start), stopSignals, [](TMain& main) {
    const TOnlineUpdateResult result = main.mnuOnlineUpdateExecute(true);
    for (const auto& proxy : result.Added)
      std::cout << proxy.Host << ":" << proxy.Port << "\n";
    return result.Ran ? 0 : 1;
  });
}
