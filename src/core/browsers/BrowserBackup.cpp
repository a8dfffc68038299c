// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/BrowserBackup.h"

#include "common/ProductInfo.h"
#include "platform/Registry.h"

namespace {

// A stored value is "=" and the old value, or "-" for an item that did not exist.
constexpr char Present = '=';
constexpr char Absent = '-';

} // namespace

TBrowserBackup::TBrowserBackup(TRegistry& registry, std::string_view area)
    : FRegistry(registry),
      FKeyPath(std::string(ProductInfo::ProductKey) + "\\BrowserSetup\\" + std::string(area)) {}

void TBrowserBackup::Record(std::string_view item, const std::optional<std::string>& value) {
  if (Recorded(item))
    return;
  TRegKey key;
  if (FRegistry.CreateKey(TRootKey::CurrentUser, FKeyPath, "", key) != TRegResult::Ok)
    return;
  const std::string stored = value ? Present + *value : std::string(1, Absent);
  FRegistry.SetValue(key, item, MakeStringValue(stored));
}

std::optional<std::optional<std::string>> TBrowserBackup::Recorded(std::string_view item) {
  TRegKey key;
  TRegValue value;
  if (FRegistry.OpenKey(TRootKey::CurrentUser, FKeyPath, key) != TRegResult::Ok ||
      FRegistry.QueryValue(key, item, value) != TRegResult::Ok) {
    return std::nullopt;
  }
  const std::string stored = ValueText(value);
  if (stored.empty() || stored.front() != Present)
    return std::optional<std::string>();
  return std::optional<std::string>(stored.substr(1));
}

void TBrowserBackup::Forget(std::string_view item) {
  TRegKey key;
  if (FRegistry.OpenKey(TRootKey::CurrentUser, FKeyPath, key) == TRegResult::Ok)
    FRegistry.DeleteValue(key, item);
}
