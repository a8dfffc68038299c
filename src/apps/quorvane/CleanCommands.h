// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

struct TCommandLine;

// --clean [--dry-run] and --cookie-names: run over the stored settings without the
// proxy or a window, print to output (messages to errors) and give the exit code:
// 0, or 1 when the cleaner reported a failure.
int RunCleanCommand(const TCommandLine& options, std::ostream& output, std::ostream& errors);
