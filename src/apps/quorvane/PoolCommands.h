// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

struct TCommandLine;

// --proxy-list, --import-proxies FILE, --export-proxies FILE: run on the stored list
// and end. Returns the exit code, or -1 when the command line asks for none of them.
int RunPoolCommand(const TCommandLine& options, std::ostream& output, std::ostream& errors);
