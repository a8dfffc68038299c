// SPDX-License-Identifier: GPL-3.0-or-later
#include "PoolCommands.h"

#include "CommandLine.h"
#include "app/HeadlessUnit.h"
#include "app/RegistrySettingsUnit.h"
#include "app/StartFlags.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "pool/ProxyFileUnit.h"

#include <cstring>

namespace {

// One line per entry: enabled flag, host:port, response time, failure level.
void PrintList(const TProxyFileClass& list, std::ostream& output) {
  for (const TProxyEntryPtr& entry : list.List()) {
    output << (entry->Enabled ? 1 : 0) << ' ' << entry->Host << ':' << entry->Port << ' '
           << entry->ResponseTime << "ms " << static_cast<int>(entry->FailureLevel) << "x\n";
  }
}

} // namespace

int RunPoolCommand(const TCommandLine& options, std::ostream& output, std::ostream& errors) {
  if (!options.ProxyList && options.ImportProxies.empty() && options.ExportProxies.empty()) {
    return -1;
  }
  THeadlessUserInterface userInterface(errors);
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TRegistrySettings settings(registry, userInterface, ProgramFolder());
  settings.Load();
  TProxyFileClass list(settings.GetDataFolder() + "proxies.dat",
                       ScanCommandLine(options.Switches).UserAdmin);
  if (!options.ImportProxies.empty()) {
    const std::optional<int> added = list.ImportFromFile(options.ImportProxies);
    if (!added) {
      errors << "quorvane: cannot read " << options.ImportProxies << "\n";
      return 1;
    }
    if (list.Modified()) {
      errors << "quorvane: cannot write " << list.FileName().string() << "\n";
      return 1;
    }
    output << *added << " added\n";
  }
  if (!options.ExportProxies.empty()) {
    if (const int error = list.ExportToFile(options.ExportProxies); error != 0) {
      errors << "quorvane: cannot write " << options.ExportProxies << ": " << std::strerror(error)
             << "\n";
      return 1;
    }
  }
  if (options.ProxyList) {
    PrintList(list, output);
  }
  return 0;
}
