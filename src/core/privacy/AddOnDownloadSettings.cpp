// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/AddOnDownloadSettings.h"

#include "platform/Registry.h"
#include "privacy/PopupKillerUnit.h"

namespace {

const std::string SettingsPath = std::string(DownloadManagerKey) + "\\Settings";
constexpr std::string_view FileExtensionsValue = "FileExtensions";

} // namespace

namespace AddOnDownloadSettings {

std::string LoadFileExtensions(TRegistry& registry) {
  TRegKey key;
  TRegValue value;
  if (registry.OpenKey(TRootKey::CurrentUser, SettingsPath, key) != TRegResult::Ok ||
      registry.QueryValue(key, FileExtensionsValue, value) != TRegResult::Ok)
    return std::string(DefaultFileExtensions);
  return ValueText(value);
}

void SaveFileExtensions(TRegistry& registry, std::string_view text) {
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, SettingsPath, "", key) == TRegResult::Ok)
    registry.SetValue(key, FileExtensionsValue, MakeStringValue(text));
}

std::string NormalizeFileExtensions(std::string_view text) {
  std::string normal;
  for (const char c : text) {
    if (c == ' ')
      continue;
    normal += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return normal;
}

} // namespace AddOnDownloadSettings
