// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramStart.h"

#include "AddOnCommands.h"
#include "CommandLine.h"
#include "app/BrowserSetupHost.h"
#include "app/OnlyOne.h"
#include "app/StartFlags.h"
#include "app/StopSignals.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <memory>

namespace {

// Shared with the stop-signal handler, which may still run after RunProgram returned.
struct TStopState {
  TMain* Running = nullptr;
  bool Requested = false;
};

} // namespace

TStartOptions StartOptionsOf(const TCommandLine& options) {
  TStartOptions start;
  start.Switches = options.Switches;
  start.Run = RunOptionsOf(options);
  return start;
}

int RunProgram(const TFrontEnd& frontEnd, TStartOptions options, TStopSignals& stopSignals,
               const std::function<int(TMain&)>& work) {
  const auto stop = std::make_shared<TStopState>();
  stopSignals.Watch([stop] {
    stop->Requested = true;
    if (stop->Running != nullptr) {
      stop->Running->mnuExitExecute();
    } else {
      // Ends the loop of a message box shown before the controller exists.
      QCoreApplication::exit(0);
    }
  });

  TOnlyOne onlyOne;
  TStartFlags flags;
  if (options.SingleInstance) {
    flags = InitializeProgram(options.Switches, onlyOne, frontEnd.UserInterface);
    if (flags.RemoveBrowserProxies)
      DeinstallBrowserProxies(frontEnd.UserInterface);
    if (flags.DeinstallAddOn)
      DeinstallAddOn();
    if (flags.TerminateAtStart || stop->Requested)
      return 0;
  }

  TRegistry registry(TRegistryLocations::FromEnvironment());
  TMain main(registry, frontEnd.UserInterface, frontEnd.View, ProgramFolder(), flags,
             std::move(options.Run), std::move(options.AutoStart));
  // A stop that comes while start-up waits in a message box ends that box's loop
  // only; this keeps the main loop from starting afterwards.
  main.OnCloseQuery = [stop] { stop->Requested = true; };
  stop->Running = &main;
  if (options.SingleInstance)
    onlyOne.Listen([&main] { main.RestoreRequested(); });
  main.FormCreate();
  if (frontEnd.Attach)
    frontEnd.Attach(main);
  int result = 0;
  if (work) {
    result = work(main);
  } else if (!stop->Requested) {
    QCoreApplication::exec();
  }
  stop->Running = nullptr;
  main.FormDestroy();
  return result;
}
