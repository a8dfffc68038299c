// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class TRegistry;

// The command line tool over the registry hives, in the manner of reg.exe:
//   query KEY [/v NAME] [/s]
//   add KEY [/v NAME] [/t REG_SZ|REG_DWORD|REG_BINARY] [/d DATA] [/f]
//   delete KEY [/v NAME] [/f]
//   export KEY FILE [/y]
// KEY is a root (HKCU, HKLM, HKCR or their long names) and a "\"-separated path.
// Questions (overwrite, delete) are asked on output and answered on input unless
// /f or /y is given. Returns the process exit code: 0 success, 1 failure.
int RunRegTool(const std::vector<std::string>& arguments, TRegistry& registry, std::istream& input,
               std::ostream& output, std::ostream& errors);
