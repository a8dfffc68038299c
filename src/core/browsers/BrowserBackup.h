// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

class TRegistry;

// The values a browser row held before the program first pointed it at itself,
// kept in the user's hive beside the settings ("...\Quorvane\BrowserSetup\<area>")
// so that removal puts the user's own proxy back.
class TBrowserBackup {
public:
  TBrowserBackup(TRegistry& registry, std::string_view area);

  // Keeps `value` (nullopt: the item did not exist) unless the item already holds
  // a recorded value: a second install must not record the program's own values.
  void Record(std::string_view item, const std::optional<std::string>& value);
  // nullopt when nothing is recorded; otherwise the recorded value, itself nullopt
  // when the item did not exist before.
  std::optional<std::optional<std::string>> Recorded(std::string_view item);
  void Forget(std::string_view item);

private:
  TRegistry& FRegistry;
  std::string FKeyPath;
};
