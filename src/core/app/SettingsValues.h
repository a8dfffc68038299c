// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

// Every main setting of the program as plain data, named after the registry values
// that store them (SettingsKeys.cpp has the names, defaults and bounds). The window
// hands a changed copy to the controller, which applies and stores it.
struct TSettingsValues {
  // Every setting at its default; the defaults that depend on the user's folders
  // and the clock stay empty until the settings are loaded.
  TSettingsValues();

  // Main
  TDateTime LastUpdate{};
  int ConnectionType{};
  std::string UserProxyServer;
  int UserProxyPort{};
  bool FirstStart{};
  std::string DataPath;
  int ProxyPort{};
  int ProxyAuthType{};
  std::string ProxyAuthIP;
  bool SaveLastCalledSites{};
  int MaxLastCalledSites{};
  bool BlockSites{};
  bool UseAnonymousProxyServers{};
  int AnonymousProxyChangeInterval{};
  int AnonymousProxyCheckInterval{};
  bool AnonymousProxyForHTTPS{};
  bool AnonymousProxyFailover{};
  bool AnonymousProxyFailClosed{};
  bool AnonymousProxyParallelChecks{};
  bool DMNoQuorvane{};
  std::string DefaultDMDirectory;
  bool DontRequestDMFileName{};
  bool DMInfoWindow{};
  int DMInfoWindowTimeout{};
  bool DMShowMessageOnSuccess{};
  bool DMDrossel{};
  int DMMaxDownload{};
  int DMDrosselPercent{};

  // BrowserSecurity
  bool BlockActiveX{};
  bool BlockBrowserName{};
  bool BlockCookies{};
  bool BlockExeFiles{};
  bool BlockFlash{};
  bool BlockReferer{};
  bool BlockJS{};
  std::vector<std::string> BlockedURLList;
  std::vector<std::string> DomainCookiesAllowedList;

  // Destroyer
  bool AutoKill{};
  bool ClearTempFiles{};
  bool ClearLastDocs{};
  bool ClearLastFilesInOpenSaveDlgs{};
  bool ClearLastNetRes{};
  bool ClearLastRun{};
  bool ClearLastSearchedDocs{};
  bool ClearRecycle{};
  bool WinMsgSvc{};
  bool IETemp{};
  bool IECookies{};
  bool IEHistory{};
  bool IEAutoComplete{};
  bool NSCache{};
  bool NSCookies{};
  bool NSHistory{};
  bool NSAutoComplete{};
  bool OperaCache{};
  bool OperaCookies{};
  bool OperaHistory{};
  bool OperaAutoComplete{};
  bool AOLCache{};
  bool AOLCookies{};
  bool AOLHistory{};
  bool TOnlineCache{};
  bool TOnlineCookies{};
  bool TOnlineHistory{};
  bool ClearThumbnails{};
  bool ChromiumCache{};
  bool ChromiumCookies{};
  bool ChromiumHistory{};
  bool ChromiumAutoComplete{};
  std::vector<std::string> DontDeleteCookiesList;

  bool operator==(const TSettingsValues&) const = default;
};

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
