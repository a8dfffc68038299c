// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

class TOnlyOne;
class TUserInterface;

// Process-wide flags set before the controller exists.
struct TStartFlags {
  bool TerminateAtStart = false;
  bool MultiInstance = false;
  bool UserAdmin = false;
  bool Silent = false;
  // "/Deinstall" or "/DeinstallProxy": the browsers' proxy settings are removed
  // silently before the program ends.
  bool RemoveBrowserProxies = false;
  // "/Deinstall" or "/DeinstallPK": the popup killer and the download manager are
  // switched off in the browser add-on before the program ends.
  bool DeinstallAddOn = false;
};

// The command-line passes: the uninstall switches (exact, case-sensitive; they set
// TerminateAtStart and end initialisation), then "/MULTI", "/USERADMIN" and
// "/SILENT" anywhere in an upper-cased argument.
TStartFlags ScanCommandLine(const std::vector<std::string>& arguments);
// Whether those passes take anything from argument.
bool CarriesSwitch(const std::string& argument);

// ScanCommandLine, then the single-instance rule: when another instance holds the
// lock and "/MULTI" is not given, shows "Quorvane läuft bereits! ..." unless
// silent, asks the first instance to restore its window and sets TerminateAtStart.
TStartFlags InitializeProgram(const std::vector<std::string>& arguments, TOnlyOne& onlyOne,
                              TUserInterface& userInterface);
