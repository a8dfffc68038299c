// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DestroyerSettings.h"

#include "app/SettingsKeys.h"

#include <variant>

namespace {

// The Destroyer keys whose members are flags.
template <typename TVisit> void ForEachDestroyerFlag(TVisit visit) {
  for (const TSettingKey& key : SettingKeys()) {
    if (key.Section != "Destroyer")
      continue;
    if (const auto* member = std::get_if<bool TSettingsValues::*>(&key.Member))
      visit(key.Name, *member);
  }
}

} // namespace

TDestroyerOptions DestroyerOptionsOf(const TSettingsValues& v) {
  TDestroyerOptions o;
  o.WinMsgSvc = v.WinMsgSvc;
  o.ClearTempFiles = v.ClearTempFiles;
  o.ClearLastDocs = v.ClearLastDocs;
  o.ClearLastFilesInOpenSaveDlgs = v.ClearLastFilesInOpenSaveDlgs;
  o.ClearLastNetRes = v.ClearLastNetRes;
  o.ClearLastRun = v.ClearLastRun;
  o.ClearLastSearchedDocs = v.ClearLastSearchedDocs;
  o.ClearRecycle = v.ClearRecycle;
  o.ClearThumbnails = v.ClearThumbnails;
  o.IETemp = v.IETemp;
  o.IECookies = v.IECookies;
  o.IEHistory = v.IEHistory;
  o.IEAutoComplete = v.IEAutoComplete;
  o.NSCache = v.NSCache;
  o.NSCookies = v.NSCookies;
  o.NSHistory = v.NSHistory;
  o.NSAutoComplete = v.NSAutoComplete;
  o.OperaCache = v.OperaCache;
  o.OperaCookies = v.OperaCookies;
  o.OperaHistory = v.OperaHistory;
  o.OperaAutoComplete = v.OperaAutoComplete;
  o.TOnlineCache = v.TOnlineCache;
  o.TOnlineCookies = v.TOnlineCookies;
  o.TOnlineHistory = v.TOnlineHistory;
  o.ChromiumCache = v.ChromiumCache;
  o.ChromiumCookies = v.ChromiumCookies;
  o.ChromiumHistory = v.ChromiumHistory;
  o.ChromiumAutoComplete = v.ChromiumAutoComplete;
  return o;
}

std::vector<std::string_view> EnabledDestroyerOptions(const TSettingsValues& values) {
  std::vector<std::string_view> names;
  ForEachDestroyerFlag([&](std::string_view name, bool TSettingsValues::*member) {
    if (values.*member && name != "AutoKill" && !name.starts_with("AOL"))
      names.push_back(name);
  });
  return names;
}

void CopyDestroyerFlags(const TSettingsValues& from, TSettingsValues& to) {
  ForEachDestroyerFlag(
      [&](std::string_view, bool TSettingsValues::*member) { to.*member = from.*member; });
}
