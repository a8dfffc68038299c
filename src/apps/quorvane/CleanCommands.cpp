// SPDX-License-Identifier: GPL-3.0-or-later
#include "CleanCommands.h"

#include "CommandLine.h"
#include "app/DestroyerSettings.h"
#include "app/HeadlessUnit.h"
#include "app/RegistrySettingsUnit.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "privacy/DestroyerClassUnit.h"

int RunCleanCommand(const TCommandLine& options, std::ostream& output, std::ostream& errors) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  THeadlessUserInterface userInterface(errors);
  TRegistrySettings settings(registry, userInterface, ProgramFolder());
  settings.Load();
  bool failed = false;
  TDestroyerClass destroyer(registry, [&](std::string_view text) {
    failed = true;
    errors << "quorvane: " << text << "\n";
  });
  if (options.CookieNames) {
    for (const std::string& name : destroyer.CollectCookieNames())
      output << name << "\n";
    return 0;
  }
  TCleanReport report;
  destroyer.SetDryRun(options.DryRun);
  destroyer.SetReport(&report);
  RunDestroyer(destroyer, DestroyerOptionsOf(settings), settings.DontDeleteCookiesList);
  if (options.DryRun)
    output << "dry run: nothing was removed\n";
  const std::vector<std::string_view> enabled = EnabledDestroyerOptions(settings);
  if (enabled.empty())
    output << "no cleaner option is on\n";
  for (const std::string_view option : enabled) {
    const TCleanTally tally = report.Of(option);
    output << option << ": " << tally.Items << " items, " << tally.Bytes << " bytes\n";
  }
  return failed ? 1 : 0;
}
