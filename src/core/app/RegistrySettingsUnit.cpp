// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RegistrySettingsUnit.h"

#include "app/Tools.h"
#include "common/AsciiText.h"
#include "common/ProductInfo.h"
#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view ProxyListFile = "proxies.dat";

struct TFlag {
  const char* Name;
  bool TRegistrySettings::*Member;
  bool Default;
};

constexpr TFlag BrowserSecurityFlags[] = {
    {"BlockActiveX", &TRegistrySettings::BlockActiveX, true},
    {"BlockBrowserName", &TRegistrySettings::BlockBrowserName, true},
    {"BlockCookies", &TRegistrySettings::BlockCookies, false},
    {"BlockExeFiles", &TRegistrySettings::BlockExeFiles, false},
    {"BlockFlash", &TRegistrySettings::BlockFlash, false},
    {"BlockReferer", &TRegistrySettings::BlockReferer, true},
    {"BlockJS", &TRegistrySettings::BlockJS, false},
};

constexpr TFlag DestroyerFlags[] = {
    {"AutoKill", &TRegistrySettings::AutoKill, false},
    {"ClearTempFiles", &TRegistrySettings::ClearTempFiles, false},
    {"ClearLastDocs", &TRegistrySettings::ClearLastDocs, false},
    {"ClearLastFilesInOpenSaveDlgs", &TRegistrySettings::ClearLastFilesInOpenSaveDlgs, false},
    {"ClearLastNetRes", &TRegistrySettings::ClearLastNetRes, false},
    {"ClearLastRun", &TRegistrySettings::ClearLastRun, false},
    {"ClearLastSearchedDocs", &TRegistrySettings::ClearLastSearchedDocs, false},
    {"ClearRecycle", &TRegistrySettings::ClearRecycle, false},
    {"WinMsgSvc", &TRegistrySettings::WinMsgSvc, false},
    {"IETemp", &TRegistrySettings::IETemp, false},
    {"IECookies", &TRegistrySettings::IECookies, false},
    {"IEHistory", &TRegistrySettings::IEHistory, false},
    {"IEAutoComplete", &TRegistrySettings::IEAutoComplete, false},
    {"NSCache", &TRegistrySettings::NSCache, false},
    {"NSCookies", &TRegistrySettings::NSCookies, false},
    {"NSHistory", &TRegistrySettings::NSHistory, false},
    {"NSAutoComplete", &TRegistrySettings::NSAutoComplete, false},
    {"OperaCache", &TRegistrySettings::OperaCache, false},
    {"OperaCookies", &TRegistrySettings::OperaCookies, false},
    {"OperaHistory", &TRegistrySettings::OperaHistory, false},
    {"OperaAutoComplete", &TRegistrySettings::OperaAutoComplete, false},
    {"AOLCache", &TRegistrySettings::AOLCache, false},
    {"AOLCookies", &TRegistrySettings::AOLCookies, false},
    {"AOLHistory", &TRegistrySettings::AOLHistory, false},
    {"TOnlineCache", &TRegistrySettings::TOnlineCache, false},
    {"TOnlineCookies", &TRegistrySettings::TOnlineCookies, false},
    {"TOnlineHistory", &TRegistrySettings::TOnlineHistory, false},
};

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

std::string DefaultBlockedURL() {
  std::string entry = "dialer";
  for (const std::string_view domain : ProductInfo::DialerExceptionDomains) {
    entry += ExceptionSeparator;
    entry += domain;
  }
  return entry;
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

void TRegistrySettings::SetSection(const char* section) {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.SetArea("\\" + std::string(ProductInfo::ProductKey));
  FRegIniFile.SetSection(section);
}

void TRegistrySettings::Load() {
  const auto loadAll = [this] {
    WriteMarkers();
    LoadMain();
    // The popup killer seeds its own defaults when it loads its settings.
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
  const std::string dataPathDefault =
      ShellFolder(FRegistry, ShellFolderAppData) + "/" + std::string(ProductInfo::ProgramName);
  const std::string downloadsDefault = ShellFolder(FRegistry, ShellFolderPersonal) + "/" +
                                       std::string(ProductInfo::ProgramName) + "/Downloads";
  TTheRegIniFile& r = FRegIniFile;
  SetSection("Main");
  LastUpdate = r.ReadFloat("LastUpdate", NowDateTime());
  ConnectionType = r.ReadInteger("ConnectionType", 0);
  UserProxyServer = r.ReadString("UserProxyServer", "");
  UserProxyPort = r.ReadInteger("UserProxyPort", 80);
  FirstStart = r.ReadBool("FirstStart", true);
  DataPath = r.ReadString("DataPath", dataPathDefault);
  ProxyPort = r.ReadInteger("ProxyPort", DefaultProxyPort);
  if (ProxyPort <= 0)
    ProxyPort = DefaultProxyPort;
  ProxyAuthType = r.ReadInteger("ProxyAuthType", 1);
  ProxyAuthIP = r.ReadString("ProxyAuthIP", "");
  PrepareDataFolder();
  SaveLastCalledSites = r.ReadBool("saveLastCalledSites", true);
  MaxLastCalledSites = r.ReadInteger("MaxLastCalledSites", 100);
  if (MaxLastCalledSites < 0)
    MaxLastCalledSites = 1;
  BlockSites = r.ReadBool("BlockSites", true);
  UseAnonymousProxyServers = r.ReadBool("UseAnonymousProxyServers", false);
  AnonymousProxyChangeInterval = r.ReadInteger("AnonymousProxyChangeInterval", 1);
  AnonymousProxyCheckInterval = r.ReadInteger("AnonymousProxyCheckInterval", DefaultCheckInterval);
  DMNoQuorvane = r.ReadBool("DMNoQuorvane", true);
  DefaultDMDirectory = r.ReadString("DefaultDMDirectory", downloadsDefault);
  DontRequestDMFileName = r.ReadBool("DontRequestDMFileName", true);
  DMInfoWindow = r.ReadBool("DMInfoWindow", true);
  DMInfoWindowTimeout = r.ReadInteger("DMInfoWindowTimeout", 3);
  DMShowMessageOnSuccess = r.ReadBool("DMShowMessageOnSuccess", true);
  DMDrossel = r.ReadBool("DMDrossel", false);
  DMMaxDownload = r.ReadInteger("DMMaxDownload", 768);
  DMDrosselPercent = r.ReadInteger("DMDrosselPercent", 100);
  if (AnonymousProxyCheckInterval < MinCheckInterval ||
      AnonymousProxyCheckInterval > MaxCheckInterval) {
    AnonymousProxyCheckInterval = DefaultCheckInterval;
  }
  // Store the defaults of missing values, so that a user who inspects the
  // registry sees every setting; stored values stay as they are.
  std::vector<std::string> stored;
  r.ReadValueNames(stored);
  SaveMain(stored);
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
    SaveMain();
    SaveStatisticsValues();
    SaveBrowserSecurityValues();
    SaveDestroyerValues();
    return true;
  });
}

void TRegistrySettings::SaveMain(const std::vector<std::string>& stored) {
  TTheRegIniFile& r = FRegIniFile;
  SetSection("Main");
  const auto wanted = [&stored](std::string_view name) {
    return std::none_of(stored.begin(), stored.end(),
                        [name](const std::string& s) { return SameTextASCII(s, name); });
  };
  const auto text = [&](std::string_view name, const std::string& value) {
    if (wanted(name))
      r.WriteString(name, value);
  };
  const auto number = [&](std::string_view name, int value) {
    if (wanted(name))
      r.WriteInteger(name, value);
  };
  const auto flag = [&](std::string_view name, bool value) {
    if (wanted(name))
      r.WriteBool(name, value);
  };
  if (wanted("LastUpdate"))
    r.WriteFloat("LastUpdate", LastUpdate);
  text("UserProxyServer", UserProxyServer);
  number("UserProxyPort", UserProxyPort);
  number("ConnectionType", ConnectionType);
  flag("FirstStart", FirstStart);
  text("DataPath", DataPath);
  number("ProxyPort", ProxyPort);
  number("ProxyAuthType", ProxyAuthType);
  text("ProxyAuthIP", ProxyAuthIP);
  flag("saveLastCalledSites", SaveLastCalledSites);
  number("MaxLastCalledSites", MaxLastCalledSites);
  flag("BlockSites", BlockSites);
  flag("UseAnonymousProxyServers", UseAnonymousProxyServers);
  number("AnonymousProxyChangeInterval", AnonymousProxyChangeInterval);
  number("AnonymousProxyCheckInterval", AnonymousProxyCheckInterval);
  flag("DMNoQuorvane", DMNoQuorvane);
  text("DefaultDMDirectory", DefaultDMDirectory);
  flag("DontRequestDMFileName", DontRequestDMFileName);
  flag("DMInfoWindow", DMInfoWindow);
  number("DMInfoWindowTimeout", DMInfoWindowTimeout);
  flag("DMShowMessageOnSuccess", DMShowMessageOnSuccess);
  flag("DMDrossel", DMDrossel);
  number("DMMaxDownload", DMMaxDownload);
  number("DMDrosselPercent", DMDrosselPercent);
}

void TRegistrySettings::LoadBrowserSecurity() {
  SetSection("BrowserSecurity");
  for (const TFlag& flag : BrowserSecurityFlags)
    this->*flag.Member = FRegIniFile.ReadBool(flag.Name, flag.Default);
  SetSection("BrowserSecurity\\BlockedURLs");
  FRegIniFile.ReadList(BlockedURLList);
  if (FRegIniFile.ErrorCode() == RegNotFound)
    BlockedURLList = {DefaultBlockedURL()};
  SetSection("BrowserSecurity\\DomainCookiesAllowed");
  FRegIniFile.ReadList(DomainCookiesAllowedList);
  if (FRegIniFile.ErrorCode() == RegNotFound) {
    DomainCookiesAllowedList = {std::string(ProductInfo::AllowedCookieDomain)};
  }
}

void TRegistrySettings::SaveBrowserSecurity() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveBrowserSecurityValues();
    return true;
  });
}

void TRegistrySettings::SaveBrowserSecurityValues() {
  SetSection("BrowserSecurity");
  for (const TFlag& flag : BrowserSecurityFlags)
    FRegIniFile.WriteBool(flag.Name, this->*flag.Member);
  SetSection("BrowserSecurity\\BlockedURLs");
  FRegIniFile.WriteList(BlockedURLList);
  SetSection("BrowserSecurity\\DomainCookiesAllowed");
  FRegIniFile.WriteList(DomainCookiesAllowedList);
}

void TRegistrySettings::LoadDestroyer() {
  SetSection("Destroyer");
  for (const TFlag& flag : DestroyerFlags)
    this->*flag.Member = FRegIniFile.ReadBool(flag.Name, flag.Default);
  SetSection("Destroyer\\DontDeleteCookies");
  FRegIniFile.ReadList(DontDeleteCookiesList);
}

void TRegistrySettings::SaveDestroyer() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.WriteAtomically([this] {
    SaveDestroyerValues();
    return true;
  });
}

void TRegistrySettings::SaveDestroyerValues() {
  SetSection("Destroyer");
  for (const TFlag& flag : DestroyerFlags)
    FRegIniFile.WriteBool(flag.Name, this->*flag.Member);
  SetSection("Destroyer\\DontDeleteCookies");
  FRegIniFile.WriteList(DontDeleteCookiesList);
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
