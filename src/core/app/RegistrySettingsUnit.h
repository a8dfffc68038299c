// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DateTime.h"
#include "app/TheRegIniFile.h"

#include <cstdint>
#include <string>
#include <vector>

class TRegistry;
class TUserInterface;

// The statistics counters, as the proxy and the download manager add to them.
struct TStatistics {
  std::int64_t Bytes = 0;
  std::uint32_t GETFiles = 0;
  std::uint32_t POSTFiles = 0;
  std::uint32_t HEADFiles = 0;
  std::uint32_t BlockedCookies = 0;
  std::uint32_t BlockedActiveX = 0;
  std::uint32_t BlockedFlash = 0;
  std::uint32_t BlockedExeFiles = 0;
  std::uint32_t BlockedJavaScript = 0;
  std::uint32_t BlockedURLs = 0;
  std::uint32_t TotalDownloads = 0;
  std::int64_t TotalBytesInDownloads = 0;
};

// Every main setting of the program, held in memory and kept in the per-user
// registry below ProductInfo::ProductKey. Members are named after the values
// that store them.
class TRegistrySettings {
public:
  // Bounds of AnonymousProxyCheckInterval in seconds; outside them it is reset.
  static constexpr int MinCheckInterval = 30;
  static constexpr int MaxCheckInterval = 1800;
  static constexpr int DefaultCheckInterval = 60;
  static constexpr int DefaultProxyPort = 8080;

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

  // Main
  TDateTime LastUpdate = 0;
  int ConnectionType = 0;
  std::string UserProxyServer;
  int UserProxyPort = 80;
  bool FirstStart = true;
  std::string DataPath;
  int ProxyPort = DefaultProxyPort;
  int ProxyAuthType = 1;
  std::string ProxyAuthIP;
  bool SaveLastCalledSites = true;
  int MaxLastCalledSites = 100;
  bool BlockSites = true;
  bool UseAnonymousProxyServers = false;
  int AnonymousProxyChangeInterval = 1;
  int AnonymousProxyCheckInterval = DefaultCheckInterval;
  bool DMNoQuorvane = true;
  std::string DefaultDMDirectory;
  bool DontRequestDMFileName = true;
  bool DMInfoWindow = true;
  int DMInfoWindowTimeout = 3;
  bool DMShowMessageOnSuccess = true;
  bool DMDrossel = false;
  int DMMaxDownload = 768;
  int DMDrosselPercent = 100;

  // BrowserSecurity
  bool BlockActiveX = true;
  bool BlockBrowserName = true;
  bool BlockCookies = false;
  bool BlockExeFiles = false;
  bool BlockFlash = false;
  bool BlockReferer = true;
  bool BlockJS = false;
  std::vector<std::string> BlockedURLList;
  std::vector<std::string> DomainCookiesAllowedList;

  // Destroyer
  bool AutoKill = false;
  bool ClearTempFiles = false;
  bool ClearLastDocs = false;
  bool ClearLastFilesInOpenSaveDlgs = false;
  bool ClearLastNetRes = false;
  bool ClearLastRun = false;
  bool ClearLastSearchedDocs = false;
  bool ClearRecycle = false;
  bool WinMsgSvc = false;
  bool IETemp = false;
  bool IECookies = false;
  bool IEHistory = false;
  bool IEAutoComplete = false;
  bool NSCache = false;
  bool NSCookies = false;
  bool NSHistory = false;
  bool NSAutoComplete = false;
  bool OperaCache = false;
  bool OperaCookies = false;
  bool OperaHistory = false;
  bool OperaAutoComplete = false;
  bool AOLCache = false;
  bool AOLCookies = false;
  bool AOLHistory = false;
  bool TOnlineCache = false;
  bool TOnlineCookies = false;
  bool TOnlineHistory = false;
  std::vector<std::string> DontDeleteCookiesList;

  TStatistics Statistics;

private:
  void WriteMarkers();
  void LoadMain();
  // Writes the Main values, leaving out those named in stored.
  void SaveMain(const std::vector<std::string>& stored = {});
  void SaveBrowserSecurityValues();
  void SaveDestroyerValues();
  void SaveStatisticsValues();
  void PrepareDataFolder();
  void SetSection(const char* section);

  TRegistry& FRegistry;
  std::string FProgramFolder;
  TTheRegIniFile FRegIniFile;
};
