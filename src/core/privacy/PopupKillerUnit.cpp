// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/PopupKillerUnit.h"

#include "common/AsciiText.h"
#include "common/ProductInfo.h"
#include "platform/Registry.h"
#include "privacy/AddOnHelper.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view AllowedPopupsSection = "AllowedPopups";
constexpr std::string_view BlockedURLsSection = "BlockedURLs";
constexpr std::string_view KilledURLsSection = "KilledURLs";
constexpr std::string_view StatisticsSection = "Statistics";
constexpr std::string_view OptionsSection = "Options";
constexpr std::string_view KilledValue = "Killed";
constexpr std::string_view EnabledValue = "Enabled";
constexpr std::string_view SoundFileNameValue = "SoundFileName";
constexpr std::string_view SoundFile = "pkclose.wav";

// The first entries of the lists: popups from dialers are closed; the sites that
// warn against dialers and the maker's own may open theirs.
constexpr std::string_view DefaultBlockedPopup = "dialer";
const std::array<std::string, 4> DefaultAllowedPopups = {
    std::string(ProductInfo::HomePage),
    "http://www." + std::string(ProductInfo::DialerExceptionDomains[0]) + "/",
    "http://www." + std::string(ProductInfo::DialerExceptionDomains[1]) + "/",
    "http://www." + std::string(ProductInfo::DialerExceptionDomains[2]) + "/"};

std::string KeyPath(std::string_view root, std::string_view section) {
  return std::string(root) + "\\" + std::string(section);
}

bool OpenKey(TRegistry& registry, std::string_view root, std::string_view section, TRegKey& key) {
  return registry.OpenKey(TRootKey::CurrentUser, KeyPath(root, section), key) == TRegResult::Ok;
}

bool ReadText(TRegistry& registry, std::string_view root, std::string_view section,
              std::string_view name, std::string& text) {
  TRegKey key;
  TRegValue value;
  if (!OpenKey(registry, root, section, key) ||
      registry.QueryValue(key, name, value) != TRegResult::Ok)
    return false;
  text = ValueText(value);
  return true;
}

void WriteText(TRegistry& registry, std::string_view root, std::string_view section,
               std::string_view name, std::string_view text) {
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, KeyPath(root, section), "", key) == TRegResult::Ok)
    registry.SetValue(key, name, MakeStringValue(text));
}

std::vector<std::string> ReadList(TRegistry& registry, std::string_view section) {
  std::vector<std::string> list;
  TRegKey key;
  std::vector<std::string> names;
  if (!OpenKey(registry, PopupKillerKey, section, key) ||
      registry.EnumValueNames(key, names) != TRegResult::Ok)
    return list;
  for (const std::string& name : names) {
    TRegValue value;
    list.push_back(registry.QueryValue(key, name, value) == TRegResult::Ok ? ValueText(value)
                                                                           : std::string());
  }
  return list;
}

// The add-on may read the list at any moment: it sees the old list or the new one.
void WriteList(TRegistry& registry, std::string_view section,
               const std::vector<std::string>& list) {
  TRegistry::TTransaction transaction(registry, TRootKey::CurrentUser);
  if (transaction.Begun() != TRegResult::Ok)
    return;
  const std::string path = KeyPath(PopupKillerKey, section);
  TRegKey key;
  if (registry.OpenKey(TRootKey::CurrentUser, path, key) == TRegResult::Ok &&
      registry.DeleteTree(key, true) != TRegResult::Ok)
    return;
  if (registry.CreateKey(TRootKey::CurrentUser, path, "", key) != TRegResult::Ok)
    return;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (registry.SetValue(key, std::to_string(i), MakeStringValue(list[i])) != TRegResult::Ok)
      return;
  }
  transaction.Commit();
}

bool HasFirstEntry(TRegistry& registry, std::string_view section) {
  TRegKey key;
  TRegValue value;
  return OpenKey(registry, PopupKillerKey, section, key) &&
         registry.QueryValue(key, "0", value) == TRegResult::Ok;
}

bool ReadEnabled(TRegistry& registry, std::string_view root) {
  std::string text;
  return ReadText(registry, root, OptionsSection, EnabledValue, text) && text == "1";
}

bool IsEnabled(TRegistry& registry, const TAddOnHelper& addOn, std::string_view root) {
  return addOn.IsHelperAvailable() && addOn.IsHelperRegistered() && ReadEnabled(registry, root);
}

// The add-on serves both features: it stays registered while either is on.
bool SetEnabled(TRegistry& registry, const TAddOnHelper& addOn, std::string_view root,
                std::string_view otherRoot, bool enable) {
  if (!addOn.IsHelperAvailable())
    return false;
  addOn.Register(enable || IsEnabled(registry, addOn, otherRoot));
  WriteText(registry, root, OptionsSection, EnabledValue, enable ? "1" : "0");
  return true;
}

} // namespace

std::vector<std::string> LoadAllowedPopups(TRegistry& registry) {
  return ReadList(registry, AllowedPopupsSection);
}

void SaveAllowedPopups(TRegistry& registry, const std::vector<std::string>& list) {
  WriteList(registry, AllowedPopupsSection, list);
}

std::vector<std::string> LoadBlockedPopupURLs(TRegistry& registry) {
  return ReadList(registry, BlockedURLsSection);
}

void SaveBlockedPopupURLs(TRegistry& registry, const std::vector<std::string>& list) {
  WriteList(registry, BlockedURLsSection, list);
}

std::vector<std::string> LoadKilledURLs(TRegistry& registry) {
  return ReadList(registry, KilledURLsSection);
}

std::uint32_t KilledPopupCount(TRegistry& registry) {
  TRegKey key;
  TRegValue value;
  if (!OpenKey(registry, PopupKillerKey, StatisticsSection, key) ||
      registry.QueryValue(key, KilledValue, value) != TRegResult::Ok ||
      value.Type != TRegValueType::DWord || value.Data.size() != 4)
    return 0;
  return ValueDWord(value);
}

std::string LoadSoundFileName(TRegistry& registry) {
  std::string path;
  ReadText(registry, PopupKillerKey, OptionsSection, SoundFileNameValue, path);
  return path;
}

void SaveSoundFileName(TRegistry& registry, std::string_view path) {
  WriteText(registry, PopupKillerKey, OptionsSection, SoundFileNameValue, path);
}

void SeedPopupKillerDefaults(TRegistry& registry, const std::string& programFolder) {
  std::string stored;
  const std::string sound = programFolder + std::string(SoundFile);
  std::error_code ignored;
  if (!ReadText(registry, PopupKillerKey, OptionsSection, SoundFileNameValue, stored) &&
      std::filesystem::is_regular_file(sound, ignored))
    SaveSoundFileName(registry, sound);
  if (!HasFirstEntry(registry, BlockedURLsSection) &&
      !HasFirstEntry(registry, AllowedPopupsSection)) {
    SaveBlockedPopupURLs(registry, {std::string(DefaultBlockedPopup)});
    SaveAllowedPopups(registry, {DefaultAllowedPopups.begin(), DefaultAllowedPopups.end()});
  }
}

std::string SiteOfURL(std::string_view url) {
  const std::size_t slash = url.rfind('/');
  if (slash == std::string_view::npos)
    return std::string(url);
  // "scheme://host" has no path to cut: its last segment is the host.
  const std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos && slash <= scheme + 2)
    return std::string(url);
  if (url.substr(slash + 1).find('.') == std::string_view::npos)
    return std::string(url);
  return std::string(url.substr(0, slash));
}

void AllowKilledPages(TRegistry& registry, const std::vector<std::string>& collected) {
  std::vector<std::string> allowed = LoadAllowedPopups(registry);
  for (const std::string& page : collected) {
    std::string site = SiteOfURL(page);
    if (std::none_of(allowed.begin(), allowed.end(),
                     [&](const std::string& entry) { return SameTextASCII(entry, site); }))
      allowed.push_back(std::move(site));
  }
  SaveAllowedPopups(registry, allowed);
}

bool IsPopupKillerEnabled(TRegistry& registry, const TAddOnHelper& addOn) {
  return IsEnabled(registry, addOn, PopupKillerKey);
}

bool IsDownloadManagerEnabled(TRegistry& registry, const TAddOnHelper& addOn) {
  return IsEnabled(registry, addOn, DownloadManagerKey);
}

bool SetPopupKillerEnabled(TRegistry& registry, const TAddOnHelper& addOn, bool enable) {
  return SetEnabled(registry, addOn, PopupKillerKey, DownloadManagerKey, enable);
}

bool SetDownloadManagerEnabled(TRegistry& registry, const TAddOnHelper& addOn, bool enable) {
  return SetEnabled(registry, addOn, DownloadManagerKey, PopupKillerKey, enable);
}
