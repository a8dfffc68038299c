// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartFlags.h"

#include "app/MainTexts.h"
#include "app/OnlyOne.h"
#include "app/Tools.h"
#include "app/UserInterface.h"

TStartFlags ScanCommandLine(const std::vector<std::string>& arguments) {
  TStartFlags flags;
  // Browser set-up and the helper registrations join these switches when they exist;
  // until then an uninstall run only ends at once.
  for (const std::string& argument : arguments) {
    if (argument == "/Deinstall") {
      flags.TerminateAtStart = true;
      break;
    }
    if (argument == "/DeinstallProxy" || argument == "/DeinstallPK")
      flags.TerminateAtStart = true;
  }
  if (flags.TerminateAtStart)
    return flags;
  for (const std::string& argument : arguments) {
    const std::string upper = UpperCaseGerman(argument);
    if (upper.find("/MULTI") != std::string::npos)
      flags.MultiInstance = true;
    if (upper.find("/USERADMIN") != std::string::npos)
      flags.UserAdmin = true;
    if (upper.find("/SILENT") != std::string::npos)
      flags.Silent = true;
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
