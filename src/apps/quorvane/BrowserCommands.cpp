// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserCommands.h"

#include "CommandLine.h"
#include "app/BrowserSetupHost.h"
#include "app/HeadlessUnit.h"
#include "app/RegistrySettingsUnit.h"
#include "browsers/BrowserTexts.h"
#include "browsers/DesktopProxy.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

#include <algorithm>
#include <iostream>

namespace {

bool Listed(const std::vector<TBrowserRow>& rows, TBrowserRow row) {
  return std::find(rows.begin(), rows.end(), row) != rows.end();
}

} // namespace

bool IsBrowserCommand(const TCommandLine& options) {
  return !options.InstallProxy.empty() || !options.RemoveProxy.empty() || options.BrowserStatus;
}

int RunBrowserCommand(const TCommandLine& options) {
  THeadlessUserInterface userInterface(std::cerr);
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TRegistrySettings settings(registry, userInterface, ProgramFolder());
  settings.Load();
  const int port = options.Port.value_or(settings.ProxyPort);
  const auto desktop = CreateDesktopProxy();
  TBrowserSetup setup(BrowserSetupHostFor(registry, *desktop, userInterface));

  bool succeeded = true;
  // In list order, whatever order the command line named them in.
  for (const TBrowserRow row : BrowserRows) {
    if (Listed(options.RemoveProxy, row) && (!options.RemoveProxyAll || setup.Present(row)))
      succeeded = setup.Remove(row, true) && succeeded;
    if (Listed(options.InstallProxy, row) && (!options.InstallProxyAll || setup.Present(row)))
      succeeded = setup.Install(row, port) && succeeded;
  }
  if (options.BrowserStatus) {
    for (const TBrowserRow row : BrowserRows) {
      std::cout << BrowserRowText(row) << '\t'
                << (setup.IsInstalled(row, port) ? BrowserTexts::Installed
                                                 : BrowserTexts::NotInstalled)
                << '\n';
    }
    std::cout.flush();
  }
  return succeeded ? 0 : 1;
}
