// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowedStart.h"

#include <iostream>

bool HasWindow() {
  return false;
}

int RunWindowed(int, char**, const TCommandLine&, TStopSignals&) {
  std::cerr << "quorvane: this build has no window\n";
  return 2;
}

int RunScreenshots(int, char**, const TCommandLine&, TStopSignals&) {
  std::cerr << "quorvane: this build has no window to render\n";
  return 2;
}
