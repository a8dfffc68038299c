// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutoStrt.h"
#include "app/MainUnit.h"

#include <functional>
#include <string>
#include <vector>

class TMainView;
class TStopSignals;
class TUserInterface;
struct TCommandLine;

// What distinguishes the headless, windowed and screenshot starts: how the program
// talks to the user and what stands in for its window.
struct TFrontEnd {
  TUserInterface& UserInterface;
  TMainView& View;
  // After the start-up: the window takes the controller and shows itself.
  std::function<void(TMain&)> Attach{};
};

struct TStartOptions {
  // The single-instance rule and the command-line passes apply.
  bool SingleInstance = true;
  std::vector<std::string> Switches;
  TRunOptions Run;
  TAutoStart AutoStart;
};

TStartOptions StartOptionsOf(const TCommandLine& options);

// The program's one composition root, on the Qt application object the caller
// created: the command-line passes and the single-instance rule, the registry, the
// controller, the stop signals, the start-up, the event loop (or work, which then
// runs instead of it and gives the exit code) and the shutdown. SIGINT and SIGTERM
// end every part of it, a message box shown before the controller exists included.
int RunProgram(const TFrontEnd& frontEnd, TStartOptions options, TStopSignals& stopSignals,
               const std::function<int(TMain&)>& work = {});
