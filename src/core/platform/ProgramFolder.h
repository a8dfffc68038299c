// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Full path of the running executable; empty when it cannot be told.
std::string ProgramFile();
// The folder of the running executable, with a trailing "/"; "./" when the
// executable cannot be told.
std::string ProgramFolder();
