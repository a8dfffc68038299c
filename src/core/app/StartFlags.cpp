// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartFlags.h"

#include "app/MainTexts.h"
#include "app/OnlyOne.h"
#include "app/Tools.h"
#include "app/UserInterface.h"

namespace {

constexpr std::string_view Deinstall = "/Deinstall";
constexpr std::string_view DeinstallProxy = "/DeinstallProxy";
constexpr std::string_view DeinstallPK = "/DeinstallPK";
constexpr std::string_view Multi = "/MULTI";
constexpr std::string_view UserAdmin = "/USERADMIN";
constexpr std::string_view Silent = "/SILENT";

bool Contains(const std::string& upper, std::string_view word) {
  return upper.find(word) != std::string::npos;
}

} // namespace

bool CarriesSwitch(const std::string& argument) {
  if (argument == Deinstall || argument == DeinstallProxy || argument == DeinstallPK)
    return true;
  const std::string upper = UpperCaseGerman(argument);
  return Contains(upper, Multi) || Contains(upper, UserAdmin) || Contains(upper, Silent);
}

TStartFlags ScanCommandLine(const std::vector<std::string>& arguments) {
  TStartFlags flags;
  // "/Deinstall" undoes the whole set-up; the scan stops there.
  for (const std::string& argument : arguments) {
    if (argument == Deinstall) {
      flags.TerminateAtStart = true;
      flags.RemoveBrowserProxies = true;
      flags.DeinstallAddOn = true;
      break;
    }
    if (argument == DeinstallProxy)
      flags.RemoveBrowserProxies = true;
    if (argument == DeinstallProxy || argument == DeinstallPK)
      flags.TerminateAtStart = true;
    if (argument == DeinstallPK)
      flags.DeinstallAddOn = true;
  }
  if (flags.TerminateAtStart)
    return flags;
  for (const std::string& argument : arguments) {
    const std::string upper = UpperCaseGerman(argument);
    flags.MultiInstance = flags.MultiInstance || Contains(upper, Multi);
    flags.UserAdmin = flags.UserAdmin || Contains(upper, UserAdmin);
    flags.Silent = flags.Silent || Contains(upper, Silent);
  }
  return flags;
}

TStartFlags InitializeProgram(const std::vector<std::string>& arguments, TOnlyOne& onlyOne,
                              TUserInterface& userInterface) {
  TStartFlags flags = ScanCommandLine(arguments);
  if (flags.TerminateAtStart)
    return flags;
  if (!onlyOne.Acquire() && !flags.MultiInstance) {
    if (!flags.Silent) {
      userInterface.ShowMessageBox(MainTexts::AlreadyRunning(), {}, TMsgKind::Error,
                                   TMsgButtons::OK);
    }
    flags.TerminateAtStart = true;
    onlyOne.AskFirstToRestore();
  }
  return flags;
}
