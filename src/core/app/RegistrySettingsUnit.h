// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SettingsValues.h"
#include "app/TheRegIniFile.h"

#include <cstdint>
#include <string>
#include <vector>

class TRegistry;
class TUserInterface;

// Every main setting of the program, held in memory and kept in the per-user
// registry below ProductInfo::ProductKey, as the key table of SettingsKeys.h says.
class TRegistrySettings : public TSettingsValues {
public:
  // programFolder is where the program runs from, with a trailing "/".
  TRegistrySettings(TRegistry& registry, TUserInterface& userInterface, std::string programFolder);

  // Everything, once at start; writes the version and install markers first.
  void Load();
  // The Main values, then statistics, browser security and trace cleaner.
  void Save();
  void LoadBrowserSecurity();
  void SaveBrowserSecurity();
  void LoadDestroyer();
  void SaveDestroyer();
  void LoadStatistics();
  void SaveStatistics();

  // DataPath with a trailing "/" (the program's folder when DataPath is empty);
  // the folder is created when missing.
  std::string GetDataFolder() const;

  TStatistics Statistics;

private:
  void WriteMarkers();
  void LoadMain();
  // Reads the values and lists of one section (and of the lists below it).
  void LoadSection(std::string_view section);
  // Writes them all; with stored, only the values missing from it and no lists.
  void SaveSection(std::string_view section, const std::vector<std::string>* stored = nullptr);
  void SaveStatisticsValues();
  void PrepareDataFolder();
  void SetSection(std::string_view section);

  TRegistry& FRegistry;
  std::string FProgramFolder;
  TTheRegIniFile FRegIniFile;
};
