// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadManagerKeys.h"

#include "common/AsciiText.h"
#include "downloads/DownloadFileNames.h"
#include "downloads/DownloadRecordCodec.h"
#include "platform/Registry.h"

#include <algorithm>

namespace {

bool ReadText(TRegistry& registry, std::string_view path, std::string_view name,
              std::string& text) {
  TRegKey key;
  TRegValue value;
  if (registry.OpenKey(TRootKey::CurrentUser, path, key) != TRegResult::Ok ||
      registry.QueryValue(key, name, value) != TRegResult::Ok)
    return false;
  text = ValueText(value);
  return true;
}

void WriteText(TRegistry& registry, std::string_view path, std::string_view name,
               std::string_view text) {
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, path, "", key) == TRegResult::Ok)
    registry.SetValue(key, name, MakeStringValue(text));
}

} // namespace

std::vector<TDownloadRecord> ReadStoredDownloads(TRegistry& registry) {
  std::vector<TDownloadRecord> records;
  TRegKey key;
  if (registry.OpenKey(TRootKey::CurrentUser, DownloadManagerKeys::Files, key) != TRegResult::Ok)
    return records;
  std::vector<std::string> names;
  registry.EnumValueNames(key, names);
  for (const std::string& name : names) {
    TRegValue value;
    if (registry.QueryValue(key, name, value) != TRegResult::Ok || value.Data.empty())
      continue;
    std::optional<TDownloadRecord> record = DecodeDownloadRecord(value.Data);
    if (!record || std::any_of(records.begin(), records.end(),
                               [&](const auto& known) { return known.URL == record->URL; }))
      continue;
    records.push_back(std::move(*record));
  }
  return records;
}

std::string LoadFileExtensions(TRegistry& registry) {
  std::string text;
  if (!ReadText(registry, DownloadManagerKeys::Settings, "FileExtensions", text))
    return std::string(DownloadManagerKeys::DefaultFileExtensions);
  return text;
}

void SaveFileExtensions(TRegistry& registry, std::string_view text) {
  WriteText(registry, DownloadManagerKeys::Settings, "FileExtensions", text);
}

void AddPendingURL(TRegistry& registry, const std::string& url) {
  WriteText(registry, DownloadManagerKeys::Files2Download, url, "");
}

void RemovePendingURL(TRegistry& registry, const std::string& url) {
  TRegKey key;
  if (registry.OpenKey(TRootKey::CurrentUser, DownloadManagerKeys::Files2Download, key) ==
      TRegResult::Ok)
    registry.DeleteValue(key, url);
}

bool IsPendingURL(TRegistry& registry, const std::string& url) {
  std::string ignored;
  return ReadText(registry, DownloadManagerKeys::Files2Download, url, ignored);
}

bool DownloadManagerEnabledValue(TRegistry& registry) {
  std::string text;
  return ReadText(registry, DownloadManagerKeys::Options, "Enabled", text) && text == "1";
}

bool ExtensionIsListed(const std::string& url, const std::string& extensions) {
  const std::string name = FileNameFromURL(url);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos)
    return false;
  const std::string extension = name.substr(dot);
  for (const std::string& listed : SplitText(extensions, ",")) {
    if (SameTextASCII(listed, extension))
      return true;
  }
  return false;
}
