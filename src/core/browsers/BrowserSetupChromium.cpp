// SPDX-License-Identifier: GPL-3.0-or-later
// The Chromium row: the "proxy" entry of each profile's Preferences.
#include "browsers/BrowserBackup.h"
#include "browsers/BrowserFiles.h"
#include "browsers/BrowserSetup.h"
#include "browsers/BrowserTexts.h"
#include "browsers/JsonMembers.h"

#include <algorithm>

namespace {

constexpr std::string_view ProxyMember = "proxy";

std::filesystem::path PreferencesOf(const std::filesystem::path& profile) {
  return profile / "Preferences";
}

bool PointsAtLocalhost(std::string_view preferences, const std::string& wantedPart) {
  const auto proxy = MemberText(preferences, ProxyMember);
  if (!proxy || MemberString(*proxy, "mode") != "fixed_servers")
    return false;
  const auto server = MemberString(*proxy, "server");
  if (!server)
    return false;
  const auto parts = ProxyParts(*server);
  return std::any_of(parts.begin(), parts.end(), [&](const std::string& part) {
    return wantedPart.ends_with(':') ? part.starts_with(wantedPart) : part == wantedPart;
  });
}

} // namespace

std::filesystem::path TBrowserSetup::ChromiumFolder() const {
  return FHost.ConfigHome / "chromium";
}

std::optional<std::vector<std::filesystem::path>> TBrowserSetup::ChromiumProfiles(bool report) {
  const auto folder = ChromiumFolder();
  std::vector<std::string> names;
  // "Local State" lists the profiles the browser knows; a folder it never wrote
  // holds at most the "Default" profile.
  if (const auto localState = ReadTextFile(folder / "Local State")) {
    const auto profile = MemberText(*localState, "profile");
    const auto cache = profile ? MemberText(*profile, "info_cache") : std::nullopt;
    if (const auto listed = cache ? MemberNames(*cache) : std::nullopt)
      names = *listed;
  }
  if (names.empty())
    names.emplace_back("Default");
  std::vector<std::filesystem::path> profiles;
  std::error_code error;
  for (const std::string& name : names) {
    // A name is one folder below the user-data folder, never a way out of it.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
      continue;
    if (std::filesystem::is_regular_file(PreferencesOf(folder / name), error))
      profiles.push_back(folder / name);
  }
  if (FHost.ConfigHome.empty() || profiles.empty()) {
    if (report)
      Show(BrowserTexts::NoChromiumFolder, TBrowserMessageKind::Error);
    return std::nullopt;
  }
  return profiles;
}

bool TBrowserSetup::InstallChromiumProxy(int port) {
  const auto profiles = ChromiumProfiles(true);
  if (!profiles)
    return false;
  // One browser process holds every profile of the folder.
  if (ChromiumProfileLocked(ChromiumFolder())) {
    Show(BrowserTexts::CloseChromium, TBrowserMessageKind::Information);
    return true;
  }
  const std::string server = ProxyString(port);
  const std::string value = "{\"mode\":\"fixed_servers\",\"server\":" + JsonQuote(server) + "}";
  TBrowserBackup backup(FHost.Registry, "Chromium");
  for (const auto& profile : *profiles) {
    const auto preferences = ReadTextFile(PreferencesOf(profile));
    if (!preferences)
      continue;
    const auto edited = SetMember(*preferences, ProxyMember, value);
    // A file that is not a JSON object is left as it is.
    if (!edited)
      continue;
    backup.Record(profile.string(), MemberText(*preferences, ProxyMember));
    if (*edited != *preferences)
      SaveTextFile(PreferencesOf(profile), *edited);
  }
  return true;
}

bool TBrowserSetup::RemoveChromiumProxy(bool silent) {
  const auto profiles = ChromiumProfiles(!silent);
  if (!profiles)
    return silent;
  if (ChromiumProfileLocked(ChromiumFolder())) {
    if (!silent)
      Show(BrowserTexts::CloseChromium, TBrowserMessageKind::Information);
    return true;
  }
  TBrowserBackup backup(FHost.Registry, "Chromium");
  for (const auto& profile : *profiles) {
    const auto preferences = ReadTextFile(PreferencesOf(profile));
    if (!preferences)
      continue;
    if (PointsAtLocalhost(*preferences, "http=localhost:")) {
      const auto recorded = backup.Recorded(profile.string());
      const auto edited = recorded && *recorded ? SetMember(*preferences, ProxyMember, **recorded)
                                                : RemoveMember(*preferences, ProxyMember);
      if (edited)
        SaveTextFile(PreferencesOf(profile), *edited);
    }
    backup.Forget(profile.string());
  }
  return true;
}

bool TBrowserSetup::IsChromiumProxyInstalled(int port) {
  const auto profiles = ChromiumProfiles(false);
  if (!profiles)
    return false;
  const bool locked = ChromiumProfileLocked(ChromiumFolder());
  const std::string wanted = "http=localhost:" + std::to_string(port);
  bool anyInstalled = false;
  for (const auto& profile : *profiles) {
    const auto preferences = ReadTextFile(PreferencesOf(profile));
    const bool installed = preferences && PointsAtLocalhost(*preferences, wanted);
    if (!installed && locked)
      return false;
    anyInstalled = anyInstalled || installed;
  }
  return anyInstalled;
}
