// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsKeys.h"

#include "app/Tools.h"
#include "common/Overloaded.h"
#include "common/ProductInfo.h"

#include <climits>
#include <stdexcept>

namespace {

using S = TSettingsValues;

constexpr int MaxPort = 65535;

// In the order in which they are saved, and so created in a fresh hive.
constexpr TSettingKey Keys[] = {
    {"Main", "LastUpdate", &S::LastUpdate, TComputedDefault::Now},
    {"Main", "UserProxyServer", &S::UserProxyServer, std::string_view()},
    {"Main", "UserProxyPort", &S::UserProxyPort, 80},
    {"Main", "ConnectionType", &S::ConnectionType, 0},
    {"Main", "FirstStart", &S::FirstStart, true},
    {"Main", "DataPath", &S::DataPath, TComputedDefault::DataFolder},
    {"Main", "ProxyPort", &S::ProxyPort, 8080, TBounds{1, MaxPort, 8080}},
    // A damaged access mode must not open the proxy to the network: this machine only.
    {"Main", "ProxyAuthType", &S::ProxyAuthType, 1, TBounds{0, 2, 1}},
    {"Main", "ProxyAuthIP", &S::ProxyAuthIP, std::string_view()},
    {"Main", "saveLastCalledSites", &S::SaveLastCalledSites, true},
    {"Main", "MaxLastCalledSites", &S::MaxLastCalledSites, 100, TBounds{0, INT_MAX, 1}},
    {"Main", "BlockSites", &S::BlockSites, true},
    {"Main", "UseAnonymousProxyServers", &S::UseAnonymousProxyServers, false},
    // A stored 0 would run the rotation timer without pause.
    {"Main", "AnonymousProxyChangeInterval", &S::AnonymousProxyChangeInterval, 1,
     TBounds{1, 90, 1}},
    {"Main", "AnonymousProxyCheckInterval", &S::AnonymousProxyCheckInterval, 60,
     TBounds{30, 1800, 60}},
    {"Main", "AnonymousProxyForHTTPS", &S::AnonymousProxyForHTTPS, true},
    {"Main", "AnonymousProxyFailover", &S::AnonymousProxyFailover, true},
    {"Main", "AnonymousProxyFailClosed", &S::AnonymousProxyFailClosed, false},
    {"Main", "AnonymousProxyParallelChecks", &S::AnonymousProxyParallelChecks, false},
    {"Main", "DMNoQuorvane", &S::DMNoQuorvane, true},
    {"Main", "DefaultDMDirectory", &S::DefaultDMDirectory, TComputedDefault::DownloadFolder},
    {"Main", "DontRequestDMFileName", &S::DontRequestDMFileName, true},
    {"Main", "DMInfoWindow", &S::DMInfoWindow, true},
    // The download options keep to their controls' ranges, whatever the hive holds.
    {"Main", "DMInfoWindowTimeout", &S::DMInfoWindowTimeout, 3, TBounds{1, 90, 3}},
    {"Main", "DMShowMessageOnSuccess", &S::DMShowMessageOnSuccess, true},
    {"Main", "DMDrossel", &S::DMDrossel, false},
    {"Main", "DMMaxDownload", &S::DMMaxDownload, 768, TBounds{1, 8192, 768}},
    {"Main", "DMDrosselPercent", &S::DMDrosselPercent, 100, TBounds{1, 100, 100}},

    {"BrowserSecurity", "BlockActiveX", &S::BlockActiveX, true},
    {"BrowserSecurity", "BlockBrowserName", &S::BlockBrowserName, true},
    {"BrowserSecurity", "BlockCookies", &S::BlockCookies, false},
    {"BrowserSecurity", "BlockExeFiles", &S::BlockExeFiles, false},
    {"BrowserSecurity", "BlockFlash", &S::BlockFlash, false},
    {"BrowserSecurity", "BlockReferer", &S::BlockReferer, true},
    {"BrowserSecurity", "BlockJS", &S::BlockJS, false},

    {"Destroyer", "AutoKill", &S::AutoKill, false},
    {"Destroyer", "ClearTempFiles", &S::ClearTempFiles, false},
    {"Destroyer", "ClearLastDocs", &S::ClearLastDocs, false},
    {"Destroyer", "ClearLastFilesInOpenSaveDlgs", &S::ClearLastFilesInOpenSaveDlgs, false},
    {"Destroyer", "ClearLastNetRes", &S::ClearLastNetRes, false},
    {"Destroyer", "ClearLastRun", &S::ClearLastRun, false},
    {"Destroyer", "ClearLastSearchedDocs", &S::ClearLastSearchedDocs, false},
    {"Destroyer", "ClearRecycle", &S::ClearRecycle, false},
    {"Destroyer", "WinMsgSvc", &S::WinMsgSvc, false},
    {"Destroyer", "IETemp", &S::IETemp, false},
    {"Destroyer", "IECookies", &S::IECookies, false},
    {"Destroyer", "IEHistory", &S::IEHistory, false},
    {"Destroyer", "IEAutoComplete", &S::IEAutoComplete, false},
    {"Destroyer", "NSCache", &S::NSCache, false},
    {"Destroyer", "NSCookies", &S::NSCookies, false},
    {"Destroyer", "NSHistory", &S::NSHistory, false},
    {"Destroyer", "NSAutoComplete", &S::NSAutoComplete, false},
    {"Destroyer", "OperaCache", &S::OperaCache, false},
    {"Destroyer", "OperaCookies", &S::OperaCookies, false},
    {"Destroyer", "OperaHistory", &S::OperaHistory, false},
    {"Destroyer", "OperaAutoComplete", &S::OperaAutoComplete, false},
    {"Destroyer", "AOLCache", &S::AOLCache, false},
    {"Destroyer", "AOLCookies", &S::AOLCookies, false},
    {"Destroyer", "AOLHistory", &S::AOLHistory, false},
    {"Destroyer", "TOnlineCache", &S::TOnlineCache, false},
    {"Destroyer", "TOnlineCookies", &S::TOnlineCookies, false},
    {"Destroyer", "TOnlineHistory", &S::TOnlineHistory, false},
    // Beyond the options of old: thumbnails and Chromium's stores, default off.
    {"Destroyer", "ClearThumbnails", &S::ClearThumbnails, false},
    {"Destroyer", "ChromiumCache", &S::ChromiumCache, false},
    {"Destroyer", "ChromiumCookies", &S::ChromiumCookies, false},
    {"Destroyer", "ChromiumHistory", &S::ChromiumHistory, false},
    {"Destroyer", "ChromiumAutoComplete", &S::ChromiumAutoComplete, false},
};

std::vector<std::string> DefaultBlockedURLs() {
  std::string entry = "dialer";
  for (const std::string_view domain : ProductInfo::DialerExceptionDomains) {
    entry += ExceptionSeparator;
    entry += domain;
  }
  return {entry};
}

std::vector<std::string> DefaultCookieDomains() {
  return {std::string(ProductInfo::AllowedCookieDomain)};
}

constexpr TListKey Lists[] = {
    {"BrowserSecurity\\BlockedURLs", &S::BlockedURLList, &DefaultBlockedURLs},
    {"BrowserSecurity\\DomainCookiesAllowed", &S::DomainCookiesAllowedList, &DefaultCookieDomains},
    {"Destroyer\\DontDeleteCookies", &S::DontDeleteCookiesList, nullptr},
};

} // namespace

std::span<const TSettingKey> SettingKeys() {
  return Keys;
}

std::span<const TListKey> ListKeys() {
  return Lists;
}

int WithinBounds(const TSettingKey& key, int value) {
  if (key.Bounds && (value < key.Bounds->Min || value > key.Bounds->Max))
    return key.Bounds->Replacement;
  return value;
}

TSettingsValues::TSettingsValues() {
  for (const TSettingKey& key : Keys) {
    std::visit(TOverloaded{[this](bool S::*member, bool value) { this->*member = value; },
                           [this](int S::*member, int value) { this->*member = value; },
                           [this](std::string S::*member, std::string_view value) {
                             this->*member = std::string(value);
                           },
                           // Left to loading, which knows the clock and the folders.
                           [](TDateTime S::*, TComputedDefault) {},
                           [](std::string S::*, TComputedDefault) {},
                           [](auto, auto) {
                             throw std::logic_error("a settings key's default does not fit "
                                                    "its member");
                           }},
               key.Member, key.Default);
  }
}
