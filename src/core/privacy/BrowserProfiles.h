// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

// Where the browsers keep their profiles: the home and XDG folders as the
// environment gives them, so tests use a temporary home.
struct TBrowserHome {
  std::filesystem::path Home;
  std::filesystem::path ConfigHome; // $XDG_CONFIG_HOME, default ~/.config
  std::filesystem::path DataHome;   // $XDG_DATA_HOME, default ~/.local/share
  std::filesystem::path CacheHome;  // $XDG_CACHE_HOME, default ~/.cache

  static TBrowserHome FromEnvironment();
};

// The Mozilla family's roots, in order: ~/.mozilla/seamonkey, ~/.netscape,
// ~/.mozilla/firefox, $XDG_CONFIG_HOME/mozilla/firefox; each only when it holds a
// profiles.ini.
std::vector<std::filesystem::path> MozillaRoots(const TBrowserHome& home);

// Every profile folder of every Mozilla root that exists, each once.
std::vector<std::filesystem::path> MozillaProfileFolders(const TBrowserHome& home);

// The profile folders named in one profiles.ini (its content), below root where
// relative. Paths that climb out of root ("..") are left out.
std::vector<std::filesystem::path> ProfilesOfIni(std::string_view content,
                                                 const std::filesystem::path& root);

// The disk cache folders of a Mozilla profile: "cache2" in the profile and in its
// folder below $XDG_CACHE_HOME/mozilla.
std::vector<std::filesystem::path> MozillaCacheFolders(const TBrowserHome& home,
                                                       const std::filesystem::path& profile);

// Chromium's user data folder and its profiles ("Local State" names them; "Default"
// counts whenever it exists).
std::filesystem::path ChromiumUserDataFolder(const TBrowserHome& home);
std::vector<std::filesystem::path> ChromiumProfileFolders(const TBrowserHome& home);

// "Cache" and "Code Cache" in the profile and in its folder below
// $XDG_CACHE_HOME/chromium.
std::vector<std::filesystem::path> ChromiumCacheFolders(const TBrowserHome& home,
                                                        const std::filesystem::path& profile);

// A name read from a browser's files may only name a file in the folder it is
// used in: not empty, no "/", not "." or "..".
bool IsPlainName(std::string_view name);
