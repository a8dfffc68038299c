// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Full path of the running executable.
std::string ProgramFile();
// The folder of the running executable, with a trailing "/".
std::string ProgramFolder();
