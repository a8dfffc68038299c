// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Registry.h"
#include "privacy/BrowserProfiles.h"
#include "privacy/DestroyerOptions.h"
#include "privacy/DestroyerReport.h"
#include "privacy/DestroyerSqlite.h"
#include "privacy/UrlCache.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The trace cleaner: deletes what the desktop and the browsers keep about the
// user's activity. It keeps nothing between runs; every step gets its options as
// arguments and reads the browsers' folders as they are at that moment. Messages go
// to ShowError (an error box); a dry run counts everything and changes nothing.
class TDestroyerClass {
public:
  using TShowError = std::function<void(std::string_view)>;

  TDestroyerClass(TRegistry& registry, TShowError showError);

  // Counting only; nothing is removed.
  void SetDryRun(bool dryRun) { FDryRun = dryRun; }
  // Where the tallies of the following steps go (none: not kept).
  void SetReport(TCleanReport* report) { FReport = report; }
  TUrlCache& UrlCache() { return FUrlCache; }

  void ClearWindowsTraces(const TDestroyerOptions& options);
  void DeleteCookies(const TCookieKeepList& keep, const TBrowserFlags& browsers, bool silent);
  void DeleteCache(const TBrowserFlags& browsers);
  void DeleteHistory(const TBrowserFlags& browsers, bool silent);
  void DeleteAutoComplete(const TBrowserFlags& browsers, bool silent);
  // Every cookie name found now, sorted without regard to case, each once.
  std::vector<std::string> CollectCookieNames();

  bool IsMozillaInstalled() const;
  bool IsOperaInstalled() const;
  bool IsAOLInstalled();
  bool IsTOnlineInstalled();
  bool IsChromiumInstalled() const;

  // The "AppData" shell folder with a trailing "/", empty when it cannot be read.
  std::string GetAppDataFolder();
  // The Opera data folders of the profiles that hold opera6.ini.
  std::vector<std::filesystem::path> OperaDataFolders() const;

private:
  void Add(std::string_view option, const TCleanTally& tally);
  void Error(std::string_view message, bool silent);
  // Edits one store; a store the browser holds, or a broken one, shows message.
  void EditStoreOf(std::string_view option, const std::filesystem::path& file,
                   const TStoreEdit& edit, const TCookieKeepList& keep, std::string_view message,
                   bool silent);
  void ClearRegistryListOf(std::string_view option, std::string_view key, std::string_view name);
  void DeleteUrlCacheEntries(std::string_view option,
                             const std::function<bool(const TUrlCacheEntry&)>& selected);

  TRegistry& FRegistry;
  TShowError FShowError;
  TBrowserHome FHome;
  TUrlCache FUrlCache;
  bool FDryRun = false;
  TCleanReport* FReport = nullptr;
};

// "Jetzt vernichten": the desktop's traces, then cookies (with the keep-list),
// caches, history and form data of every browser whose options are on.
void RunDestroyer(TDestroyerClass& destroyer, const TDestroyerOptions& options,
                  const TCookieKeepList& keep);

enum class TBrowserKind { IE, Mozilla, Opera, TOnline, Chromium };

// The automatic run after a browser closed: its four steps, silently, with only
// that browser's options.
void AutoKillBrowser(TDestroyerClass& destroyer, TBrowserKind kind,
                     const TDestroyerOptions& options, const TCookieKeepList& keep);
