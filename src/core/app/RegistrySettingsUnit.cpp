// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RegistrySettingsUnit.h"

#include "app/SettingsKeys.h"
#include "common/AsciiText.h"
#include "common/Overloaded.h"
#include "common/ProductInfo.h"
#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"
#include "privacy/PopupKillerUnit.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

using S = TSettingsValues;

constexpr std::string_view ProxyListFile = "proxies.dat";

// One counter: 64-bit ones have Wide set, 32-bit ones Narrow.
struct TCounter {
  const char* Name;
  std::int64_t TStatistics::*Wide;
  std::uint32_t TStatistics::*Narrow;
};

constexpr TCounter StatisticsCounters[] = {
    {"Bytes", &TStatistics::Bytes, nullptr},
    {"GETFiles", nullptr, &TStatistics::GETFiles},
    {"POSTFiles", nullptr, &TStatistics::POSTFiles},
    {"HEADFiles", nullptr, &TStatistics::HEADFiles},
    {"BlockedCookies", nullptr, &TStatistics::BlockedCookies},
    {"BlockedActiveX", nullptr, &TStatistics::BlockedActiveX},
    {"BlockedFlash", nullptr, &TStatistics::BlockedFlash},
    {"BlockedExeFiles", nullptr, &TStatistics::BlockedExeFiles},
    {"BlockedJavaScript", nullptr, &TStatistics::BlockedJavaScript},
    {"BlockedURLs", nullptr, &TStatistics::BlockedURLs},
    {"TotalDownloads", nullptr, &TStatistics::TotalDownloads},
    {"TotalBytesInDownloads", &TStatistics::TotalBytesInDownloads, nullptr},
};

std::string WithSeparator(std::string path) {
  if (!path.empty() && path.back() != '/')
    path += '/';
  return path;
}

bool InSection(std::string_view keySection, std::string_view section) {
  return keySection == section;
}

// A list key belongs to the section it lies below.
bool BelowSection(std::string_view listSection, std::string_view section) {
  return listSection.size() > section.size() && listSection.starts_with(section) &&
         listSection[section.size()] == '\\';
}

// Points the registry file at a full key path: everything up to the last "\" is
// the area, the rest the section.
void SetKey(TTheRegIniFile& file, TRootKey root, std::string_view path) {
  const std::size_t split = path.rfind('\\');
  file.SetRegKey(root);
  file.SetArea(std::string(path.substr(0, split)));
  file.SetSection(std::string(path.substr(split + 1)));
}

} // namespace

TRegistrySettings::TRegistrySettings(TRegistry& registry, TUserInterface& userInterface,
                                     std::string programFolder)
    : FRegistry(registry), FProgramFolder(std::move(programFolder)),
      FRegIniFile(registry, userInterface) {}

void TRegistrySettings::SetSection(std::string_view section) {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.SetArea("\\" + std::string(ProductInfo::ProductKey));
  FRegIniFile.SetSection(std::string(section));
}

void TRegistrySettings::Load() {
  const auto loadAll = [this] {
    WriteMarkers();
    LoadMain();
    SeedPopupKillerDefaults(FRegistry, FProgramFolder);
    LoadStatistics();
    LoadBrowserSecurity();
    LoadDestroyer();
    return true;
  };
  SetSection("Main");
  // One write for the markers and the keys a fresh account gets; when the hive
  // refuses it, load anyway, value by value.
  if (!FRegIniFile.WriteAtomically(loadAll))
    loadAll();
}

void TRegistrySettings::WriteMarkers() {
  SetKey(FRegIniFile, TRootKey::CurrentUser, ProductInfo::MakerKey);
  FRegIniFile.WriteString(ProductInfo::ProgramName, ProductInfo::Version);
  // Only root may write the machine hive; for anyone else this fails quietly.
  // One write there for the key and the value.
  SetKey(FRegIniFile, TRootKey::LocalMachine, ProductInfo::InstallKey);
  FRegIniFile.WriteAtomically([this] {
    const std::string installPath = FRegIniFile.ReadString("InstallPath", "");
    if (FRegIniFile.ErrorCode() != RegOk || installPath != FProgramFolder) {
      FRegIniFile.WriteString("InstallPath", FProgramFolder);
    }
    return true;
  });
}

void TRegistrySettings::LoadMain() {
  LoadSection("Main");
  PrepareDataFolder();
  // Store the defaults of missing values, so that a user who inspects the
  // registry sees every setting; stored values stay as they are.
  std::vector<std::string> stored;
  FRegIniFile.ReadValueNames(stored);
  SaveSection("Main", &stored);
}

void TRegistrySettings::LoadSection(std::string_view section) {
  TTheRegIniFile& r = FRegIniFile;
  const auto computed = [this](TComputedDefault which) {
    switch (which) {
    case TComputedDefault::DataFolder:
      return ShellFolder(FRegistry, ShellFolderAppData) + "/" +
             std::string(ProductInfo::ProgramName);
    case TComputedDefault::DownloadFolder:
      return ShellFolder(FRegistry, ShellFolderPersonal) + "/" +
             std::string(ProductInfo::ProgramName) + "/Downloads";
    case TComputedDefault::Now:
      break;
    }
    return std::string();
  };
  SetSection(section);
  for (const TSettingKey& key : SettingKeys()) {
    if (!InSection(key.Section, section))
      continue;
    std::visit(TOverloaded{[&](bool S::*member, bool fallback) {
                             this->*member = r.ReadBool(key.Name, fallback);
                           },
                           [&](int S::*member, int fallback) {
                             this->*member = WithinBounds(key, r.ReadInteger(key.Name, fallback));
                           },
                           [&](std::string S::*member, std::string_view fallback) {
                             this->*member = r.ReadString(key.Name, fallback);
                           },
                           [&](std::string S::*member, TComputedDefault fallback) {
                             this->*member = r.ReadString(key.Name, computed(fallback));
                           },
                           [&](TDateTime S::*member, TComputedDefault) {
                             this->*member = r.ReadFloat(key.Name, NowDateTime());
                           },
                           [](auto, auto) {}},
               key.Member, key.Default);
  }
  for (const TListKey& list : ListKeys()) {
    if (!BelowSection(list.Section, section))
      continue;
    SetSection(list.Section);
    r.ReadList(this->*list.Member);
    if (r.ErrorCode() == RegNotFound && list.Default != nullptr)
      this->*list.Member = list.Default();
  }
  SetSection(section);
}

void TRegistrySettings::PrepareDataFolder() {
  if (DataPath.empty())
    return;
  // Best effort: without the folder or the copy the program still runs.
  std::error_code ignored;
  std::filesystem::create_directories(DataPath, ignored);
  const std::filesystem::path dataFolder =
      std::filesystem::path(WithSeparator(DataPath)).lexically_normal();
  const std::filesystem::path programFolder =
      std::filesystem::path(WithSeparator(FProgramFolder)).lexically_normal();
  if (dataFolder == programFolder)
    return;
  const std::filesystem::path source = programFolder / ProxyListFile;
  const std::filesystem::path target = dataFolder / ProxyListFile;
  if (std::filesystem::exists(source, ignored) && !std::filesystem::exists(target, ignored)) {
    CopyFileAtomically(source, target);
  }
}

void TRegistrySettings::Save() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveSection("Main");
    SaveStatisticsValues();
    SaveSection("BrowserSecurity");
    SaveSection("Destroyer");
    return true;
  });
}

void TRegistrySettings::SaveSection(std::string_view section,
                                    const std::vector<std::string>* stored) {
  TTheRegIniFile& r = FRegIniFile;
  const auto wanted = [stored](std::string_view name) {
    return stored == nullptr ||
           std::none_of(stored->begin(), stored->end(),
                        [name](const std::string& s) { return SameTextASCII(s, name); });
  };
  SetSection(section);
  for (const TSettingKey& key : SettingKeys()) {
    if (!InSection(key.Section, section) || !wanted(key.Name))
      continue;
    std::visit(TOverloaded{[&](bool S::*member) { r.WriteBool(key.Name, this->*member); },
                           [&](int S::*member) { r.WriteInteger(key.Name, this->*member); },
                           [&](std::string S::*member) { r.WriteString(key.Name, this->*member); },
                           [&](TDateTime S::*member) { r.WriteFloat(key.Name, this->*member); }},
               key.Member);
  }
  // Only a full save writes the lists; filling in missing values leaves them alone.
  if (stored != nullptr)
    return;
  for (const TListKey& list : ListKeys()) {
    if (!BelowSection(list.Section, section))
      continue;
    SetSection(list.Section);
    r.WriteList(this->*list.Member);
  }
}

void TRegistrySettings::LoadBrowserSecurity() {
  LoadSection("BrowserSecurity");
}

void TRegistrySettings::SaveBrowserSecurity() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveSection("BrowserSecurity");
    return true;
  });
}

void TRegistrySettings::LoadDestroyer() {
  LoadSection("Destroyer");
}

void TRegistrySettings::SaveDestroyer() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveSection("Destroyer");
    return true;
  });
}

void TRegistrySettings::LoadStatistics() {
  SetSection("Statistics");
  for (const TCounter& counter : StatisticsCounters) {
    if (counter.Wide != nullptr) {
      Statistics.*counter.Wide = FRegIniFile.ReadInt64(counter.Name, 0);
    } else {
      Statistics.*counter.Narrow =
          static_cast<std::uint32_t>(FRegIniFile.ReadInt64(counter.Name, 0));
    }
  }
}

void TRegistrySettings::SaveStatistics() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveStatisticsValues();
    return true;
  });
}

void TRegistrySettings::SaveStatisticsValues() {
  SetSection("Statistics");
  for (const TCounter& counter : StatisticsCounters) {
    FRegIniFile.WriteInt64(counter.Name, counter.Wide != nullptr ? Statistics.*counter.Wide
                                                                 : Statistics.*counter.Narrow);
  }
}

std::string TRegistrySettings::GetDataFolder() const {
  const std::string folder = DataPath.empty() ? FProgramFolder : WithSeparator(DataPath);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder;
}
