// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrowserSetupHost.h"

#include "app/UserInterface.h"
#include "browsers/DesktopProxy.h"
#include "platform/Phonebook.h"
#include "platform/Registry.h"

#include <cstdlib>

namespace {

std::filesystem::path EnvironmentFolder(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::filesystem::path(value)
                                            : std::filesystem::path();
}

} // namespace

TBrowserSetupHost BrowserSetupHostFor(TRegistry& registry, TDesktopProxy& desktop,
                                      TUserInterface& userInterface) {
  const std::filesystem::path home = EnvironmentFolder("HOME");
  std::filesystem::path configHome = EnvironmentFolder("XDG_CONFIG_HOME");
  if (configHome.empty() && !home.empty())
    configHome = home / ".config";
  return TBrowserSetupHost{
      .Registry = registry,
      .Desktop = desktop,
      .Home = home,
      .ConfigHome = configHome,
      .PhonebookEntries =
          [] {
            std::vector<std::string> names;
            for (const TPhonebookEntry& entry : ReadPhonebook(PppPeersFolder()))
              names.push_back(entry.Name);
            return names;
          },
      .ShowMessage =
          [&userInterface](std::string_view text, TBrowserMessageKind kind) {
            userInterface.ShowMessageBox(text, {},
                                         kind == TBrowserMessageKind::Error ? TMsgKind::Error
                                                                            : TMsgKind::Information,
                                         TMsgButtons::OK);
          },
  };
}

void DeinstallBrowserProxies(TUserInterface& userInterface) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  const auto desktop = CreateDesktopProxy();
  TBrowserSetup(BrowserSetupHostFor(registry, *desktop, userInterface)).RemoveAllBrowserProxies();
}
