// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/BrowserProfiles.h"

#include "common/AsciiText.h"
#include "privacy/DestroyerFileWalk.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>

namespace {

std::filesystem::path FromVariable(const char* name, const std::filesystem::path& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::filesystem::path(value) : fallback;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
    text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  return text;
}

bool ClimbsOut(const std::filesystem::path& relative) {
  return std::any_of(relative.begin(), relative.end(),
                     [](const std::filesystem::path& part) { return part == ".."; });
}

void AddOnce(std::vector<std::filesystem::path>& list, const std::filesystem::path& path) {
  if (std::find(list.begin(), list.end(), path) == list.end())
    list.push_back(path);
}

} // namespace

TBrowserHome TBrowserHome::FromEnvironment() {
  TBrowserHome home;
  home.Home = FromVariable("HOME", "/");
  home.ConfigHome = FromVariable("XDG_CONFIG_HOME", home.Home / ".config");
  home.DataHome = FromVariable("XDG_DATA_HOME", home.Home / ".local" / "share");
  home.CacheHome = FromVariable("XDG_CACHE_HOME", home.Home / ".cache");
  return home;
}

std::vector<std::filesystem::path> MozillaRoots(const TBrowserHome& home) {
  std::vector<std::filesystem::path> roots;
  for (const std::filesystem::path& root :
       {home.Home / ".mozilla" / "seamonkey", home.Home / ".netscape",
        home.Home / ".mozilla" / "firefox", home.ConfigHome / "mozilla" / "firefox"}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(
            std::filesystem::symlink_status(root / "profiles.ini", error))) {
      AddOnce(roots, root);
    }
  }
  return roots;
}

std::vector<std::filesystem::path> ProfilesOfIni(std::string_view content,
                                                 const std::filesystem::path& root) {
  std::vector<std::filesystem::path> profiles;
  struct TSection {
    bool IsProfile = false;
    bool Relative = true;
    std::string Path;
  } section;
  const auto finish = [&] {
    if (section.IsProfile && !section.Path.empty()) {
      const std::filesystem::path path(section.Path);
      if (section.Relative && !path.is_absolute() && !ClimbsOut(path)) {
        AddOnce(profiles, root / path);
      } else if (!section.Relative && path.is_absolute()) {
        AddOnce(profiles, path);
      }
    }
    section = {};
  };
  for (const std::string& rawLine : SplitText(content, "\n")) {
    const std::string_view line = Trimmed(rawLine);
    if (line.starts_with('[')) {
      finish();
      section.IsProfile = line.size() > 8 && SameTextASCII(line.substr(0, 8), "[Profile");
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      continue;
    const std::string_view name = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (SameTextASCII(name, "Path")) {
      section.Path = std::string(value);
    } else if (SameTextASCII(name, "IsRelative")) {
      section.Relative = value != "0";
    }
  }
  finish();
  return profiles;
}

std::vector<std::filesystem::path> MozillaProfileFolders(const TBrowserHome& home) {
  std::vector<std::filesystem::path> profiles;
  for (const std::filesystem::path& root : MozillaRoots(home)) {
    std::string content;
    if (!ReadPlainFile(root / "profiles.ini", content))
      continue;
    for (const std::filesystem::path& profile : ProfilesOfIni(content, root)) {
      std::error_code error;
      if (std::filesystem::is_directory(std::filesystem::symlink_status(profile, error)))
        AddOnce(profiles, profile);
    }
  }
  return profiles;
}

std::vector<std::filesystem::path> MozillaCacheFolders(const TBrowserHome& home,
                                                       const std::filesystem::path& profile) {
  // The browser keeps a profile's disk cache below the cache home, in a folder named
  // like the profile's below its root's product folder.
  const std::filesystem::path product = profile.parent_path().filename();
  return {profile / "cache2", home.CacheHome / "mozilla" / product / profile.filename() / "cache2"};
}

std::filesystem::path ChromiumUserDataFolder(const TBrowserHome& home) {
  return home.ConfigHome / "chromium";
}

std::vector<std::filesystem::path> ChromiumProfileFolders(const TBrowserHome& home) {
  const std::filesystem::path userData = ChromiumUserDataFolder(home);
  std::vector<std::string> names;
  std::string content;
  if (ReadPlainFile(userData / "Local State", content)) {
    const QJsonObject cache = QJsonDocument::fromJson(QByteArray::fromStdString(content))
                                  .object()
                                  .value(QStringLiteral("profile"))
                                  .toObject()
                                  .value(QStringLiteral("info_cache"))
                                  .toObject();
    for (const QString& key : cache.keys())
      names.push_back(key.toStdString());
  }
  names.emplace_back("Default");
  std::vector<std::filesystem::path> profiles;
  for (const std::string& name : names) {
    std::error_code error;
    if (IsPlainName(name) &&
        std::filesystem::is_directory(std::filesystem::symlink_status(userData / name, error))) {
      AddOnce(profiles, userData / name);
    }
  }
  return profiles;
}

std::vector<std::filesystem::path> ChromiumCacheFolders(const TBrowserHome& home,
                                                        const std::filesystem::path& profile) {
  const std::filesystem::path cache = home.CacheHome / "chromium" / profile.filename();
  return {profile / "Cache", profile / "Code Cache", cache / "Cache", cache / "Code Cache"};
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}
