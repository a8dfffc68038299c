// SPDX-License-Identifier: GPL-3.0-or-later
// The Mozilla row: every profile of every Mozilla root that holds a profiles.ini.
#include "browsers/BrowserBackup.h"
#include "browsers/BrowserFiles.h"
#include "browsers/BrowserSetup.h"
#include "browsers/BrowserTexts.h"
#include "browsers/PrefsJs.h"
#include "browsers/ProfilesIni.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view PrefsFile = "prefs.js";
constexpr std::string_view PrefsCopy = "prefs.js.quorvane";
constexpr std::string_view HttpKey = "network.proxy.http";
constexpr std::string_view HttpPortKey = "network.proxy.http_port";
constexpr std::string_view TypeKey = "network.proxy.type";
constexpr std::array<std::string_view, 6> ProxyKeys = {"network.proxy.share_proxy_settings",
                                                       HttpKey,
                                                       "network.proxy.ssl",
                                                       HttpPortKey,
                                                       "network.proxy.ssl_port",
                                                       TypeKey};

std::string Item(const std::filesystem::path& profile, std::string_view key) {
  return profile.string() + "|" + std::string(key);
}

// Loads prefs.js and leaves the copy beside it; nullopt when either fails.
std::optional<TPrefsJs> LoadPrefs(const std::filesystem::path& profile) {
  const auto text = ReadTextFile(profile / PrefsFile);
  if (!text || !SaveTextFile(profile / PrefsCopy, *text))
    return std::nullopt;
  return ParsePrefsJs(*text);
}

bool PrefsInstalled(const TPrefsJs& prefs, int port) {
  return FindPrefLine(prefs, HttpKey) && ReadPref(prefs, HttpKey) == "localhost" &&
         ReadPref(prefs, HttpPortKey) == std::to_string(port) && ReadPref(prefs, TypeKey) == "1";
}

} // namespace

std::optional<std::vector<std::filesystem::path>> TBrowserSetup::MozillaProfiles(bool report) {
  if (FHost.Home.empty()) {
    if (report)
      Show(BrowserTexts::NoAppDataFolder, TBrowserMessageKind::Error);
    return std::nullopt;
  }
  // Every root is served: an old SeaMonkey folder must not hide today's Firefox.
  const std::array<std::filesystem::path, 4> roots = {
      FHost.Home / ".mozilla" / "seamonkey", FHost.Home / ".netscape",
      FHost.Home / ".mozilla" / "firefox", FHost.ConfigHome / "mozilla" / "firefox"};
  std::vector<std::filesystem::path> profiles;
  bool rootFound = false;
  for (const auto& root : roots) {
    const auto ini = ReadTextFile(root / "profiles.ini");
    if (!ini)
      continue;
    rootFound = true;
    for (const auto& folder : ProfileFolders(*ini, root)) {
      if (std::find(profiles.begin(), profiles.end(), folder) == profiles.end())
        profiles.push_back(folder);
    }
  }
  if (!rootFound) {
    if (report)
      Show(BrowserTexts::NoMozillaFolder, TBrowserMessageKind::Error);
    return std::nullopt;
  }
  return profiles;
}

bool TBrowserSetup::InstallMozillaProxy(int port) {
  const auto profiles = MozillaProfiles(true);
  if (!profiles)
    return false;
  if (FHost.BrowserRunning && FHost.BrowserRunning(TBrowserFamily::Mozilla))
    Show(BrowserTexts::CloseMozilla, TBrowserMessageKind::Information);
  for (const auto& profile : *profiles) {
    // The running browser would write its own prefs over ours when it ends.
    if (!MozillaProfileLocked(profile))
      InstallMozillaProfile(profile, port);
  }
  return true;
}

void TBrowserSetup::InstallMozillaProfile(const std::filesystem::path& profile, int port) {
  auto prefs = LoadPrefs(profile);
  if (!prefs)
    return;
  TBrowserBackup backup(FHost.Registry, "Mozilla");
  for (const std::string_view key : ProxyKeys) {
    const auto line = FindPrefLine(*prefs, key);
    backup.Record(Item(profile, key),
                  line ? std::optional<std::string>(prefs->Lines[*line]) : std::nullopt);
  }
  const std::string portText = std::to_string(port);
  const std::array<std::string_view, 6> values = {"false",  "localhost", "localhost",
                                                  portText, portText,    "1"};
  bool changed = false;
  for (std::size_t i = 0; i < ProxyKeys.size(); ++i)
    changed = SetPref(*prefs, ProxyKeys[i], values[i]) || changed;
  if (changed)
    SaveTextFile(profile / PrefsFile, PrefsJsText(*prefs));
}

bool TBrowserSetup::RemoveMozillaProxy(bool silent) {
  const auto profiles = MozillaProfiles(!silent);
  if (!profiles)
    return silent;
  if (!silent && FHost.BrowserRunning && FHost.BrowserRunning(TBrowserFamily::Mozilla))
    Show(BrowserTexts::CloseMozilla, TBrowserMessageKind::Information);
  for (const auto& profile : *profiles) {
    if (!MozillaProfileLocked(profile))
      RemoveMozillaProfile(profile);
  }
  return true;
}

void TBrowserSetup::RemoveMozillaProfile(const std::filesystem::path& profile) {
  auto prefs = LoadPrefs(profile);
  if (!prefs)
    return;
  TBrowserBackup backup(FHost.Registry, "Mozilla");
  bool changed = false;
  // Only a proxy that points at this machine is ours to take away.
  if (ReadPref(*prefs, HttpKey) == "localhost") {
    bool restored = false;
    for (const std::string_view key : ProxyKeys) {
      const auto recorded = backup.Recorded(Item(profile, key));
      if (!recorded)
        continue;
      restored = true;
      const auto line = FindPrefLine(*prefs, key);
      if (*recorded) {
        if (!line || prefs->Lines[*line] != **recorded) {
          ReplacePrefLine(*prefs, key, **recorded);
          changed = true;
        }
      } else {
        changed = DeletePref(*prefs, key) || changed;
      }
    }
    if (!restored && ReadPref(*prefs, TypeKey) == "1")
      changed = DeletePref(*prefs, TypeKey);
  }
  for (const std::string_view key : ProxyKeys)
    backup.Forget(Item(profile, key));
  if (changed)
    SaveTextFile(profile / PrefsFile, PrefsJsText(*prefs));
}

bool TBrowserSetup::IsMozillaProxyInstalled(int port) {
  const auto profiles = MozillaProfiles(false);
  if (!profiles)
    return false;
  bool anyInstalled = false;
  for (const auto& profile : *profiles) {
    const auto text = ReadTextFile(profile / PrefsFile);
    const bool installed = text && PrefsInstalled(ParsePrefsJs(*text), port);
    // A profile skipped because its browser runs still goes around the proxy.
    if (!installed && MozillaProfileLocked(profile))
      return false;
    anyInstalled = anyInstalled || installed;
  }
  return anyInstalled;
}
