// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerClassUnit.h"

#include "common/AsciiText.h"
#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"
#include "privacy/CookieNames.h"
#include "privacy/DestroyerDesktop.h"
#include "privacy/DestroyerFileWalk.h"
#include "privacy/DestroyerSqlite.h"
#include "privacy/DestroyerTempFiles.h"
#include "privacy/DestroyerTexts.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr std::string_view ExplorerKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr std::string_view WalletPrefix = "user_pref(\"wallet.SchemaValueFileName\", \"";

// Where a Linux program keeps its own runtime files: never part of a temp clean.
std::filesystem::path OwnRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && *runtime != '\0' ? std::filesystem::path(runtime) / "quorvane"
                                                : std::filesystem::path();
}

std::string RegistryText(TRegistry& registry, std::string_view path, std::string_view name) {
  TRegKey key;
  TRegValue value;
  if (registry.OpenKey(TRootKey::CurrentUser, path, key) != TRegResult::Ok ||
      registry.QueryValue(key, name, value) != TRegResult::Ok) {
    return {};
  }
  return ValueText(value);
}

// The value of name in [section] of an ini text.
std::string IniValue(std::string_view content, std::string_view section, std::string_view name) {
  bool inSection = false;
  for (std::string line : SplitText(content, "\n")) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
      line.pop_back();
    if (line.starts_with('[')) {
      inSection = line.size() == section.size() + 2 &&
                  SameTextASCII(std::string_view(line).substr(1, section.size()), section);
    } else if (inSection) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos && SameTextASCII(line.substr(0, equals), name))
        return line.substr(equals + 1);
    }
  }
  return {};
}

// The wallet file a prefs.js names, when it names a plain file name.
std::vector<std::string> WalletFiles(std::string_view prefs) {
  std::vector<std::string> files;
  for (const std::string& line : SplitText(prefs, "\n")) {
    const std::size_t at = line.find(WalletPrefix);
    if (at == std::string::npos)
      continue;
    const std::string rest = line.substr(at + WalletPrefix.size());
    const std::string name = rest.substr(0, rest.find('"'));
    if (IsPlainName(name))
      files.push_back(name);
  }
  return files;
}

} // namespace

std::string UrlCacheCookieName(const std::string& sourceUrl) {
  const std::size_t at = sourceUrl.find('@');
  std::string name = at == std::string::npos ? sourceUrl : sourceUrl.substr(at + 1);
  if (name.ends_with('/'))
    name.pop_back();
  return name;
}

TDestroyerClass::TDestroyerClass(TRegistry& registry, TShowError showError)
    : FRegistry(registry), FShowError(std::move(showError)),
      FHome(TBrowserHome::FromEnvironment()) {}

void TDestroyerClass::Add(std::string_view option, const TCleanTally& tally) {
  if (FReport != nullptr)
    FReport->Add(option, tally.Items, tally.Bytes);
}

void TDestroyerClass::Error(std::string_view message, bool silent) {
  if (!silent && FShowError)
    FShowError(message);
}

void TDestroyerClass::EditStoreOf(std::string_view option, const std::filesystem::path& file,
                                  const TStoreEdit& edit, const TCookieKeepList& keep,
                                  std::string_view message, bool silent) {
  TCleanTally tally;
  const TStoreResult result = EditStore(file, edit, keep, FDryRun, tally);
  Add(option, tally);
  if (result == TStoreResult::Busy || result == TStoreResult::Failed)
    Error(message, silent);
}

void TDestroyerClass::ClearRegistryListOf(std::string_view option, std::string_view key,
                                          std::string_view name) {
  Add(option, ClearRegistryList(FRegistry, TRootKey::CurrentUser, key, name, FDryRun));
}

void TDestroyerClass::DeleteUrlCacheEntries(
    std::string_view option, const std::function<bool(const TUrlCacheEntry&)>& selected) {
  std::vector<TUrlCacheEntry>& entries = FUrlCache.Entries();
  TCleanTally tally;
  for (const TUrlCacheEntry& entry : entries) {
    if (selected(entry))
      ++tally.Items;
  }
  if (!FDryRun)
    std::erase_if(entries, selected);
  Add(option, tally);
}

std::string TDestroyerClass::GetAppDataFolder() {
  std::string folder = ShellFolder(FRegistry, ShellFolderAppData);
  if (!folder.empty() && !folder.ends_with('/'))
    folder += '/';
  return folder;
}

std::vector<std::filesystem::path> TDestroyerClass::OperaDataFolders() const {
  std::vector<std::filesystem::path> candidates{FHome.Home / ".opera"};
  for (const char* version : {"Opera", "Opera6", "Opera7"})
    candidates.push_back(FHome.DataHome / "Opera" / version / "profile");
  std::vector<std::filesystem::path> folders;
  for (const std::filesystem::path& candidate : candidates) {
    std::string ini;
    if (!ReadPlainFile(candidate / "opera6.ini", ini))
      continue;
    const std::string data = IniValue(ini, "User Prefs", "Opera Directory");
    if (!data.empty())
      folders.emplace_back(data);
  }
  return folders;
}

void TDestroyerClass::ClearWindowsTraces(const TDestroyerOptions& options) {
  if (options.WinMsgSvc) {
    if (FReport != nullptr)
      FReport->Touch("WinMsgSvc");
    TRegKey key;
    bool written = FDryRun;
    if (!FDryRun && FRegistry.CreateKey(TRootKey::LocalMachine,
                                        "SYSTEM\\CurrentControlSet\\Services\\Messenger", "",
                                        key) == TRegResult::Ok) {
      written = FRegistry.SetValue(key, "Start", MakeDWordValue(4)) == TRegResult::Ok;
    }
    if (!written)
      Error(DestroyerTexts::MessengerFailed, false);
  }
  if (options.ClearTempFiles) {
    const std::filesystem::path temp = GetTempFolder();
    Add("ClearTempFiles", temp.empty()
                              ? TCleanTally{}
                              : ClearTempFolder(temp, geteuid(), {OwnRuntimeFolder()}, FDryRun));
  }
  if (options.ClearLastDocs) {
    ClearRegistryListOf("ClearLastDocs", ExplorerKey, "RecentDocs");
    Add("ClearLastDocs", EmptyXbel(FHome.DataHome / "recently-used.xbel", FDryRun));
  }
  if (options.ClearLastFilesInOpenSaveDlgs) {
    const std::string comDlg = std::string(ExplorerKey) + "\\ComDlg32";
    ClearRegistryListOf("ClearLastFilesInOpenSaveDlgs", comDlg, "OpenSaveMRU");
    ClearRegistryListOf("ClearLastFilesInOpenSaveDlgs", comDlg, "LastVisitedMRU");
    Add("ClearLastFilesInOpenSaveDlgs",
        DropIniKeys(FHome.ConfigHome / "QtProject.conf", "FileDialog", {"history", "lastVisited"},
                    FDryRun));
    Add("ClearLastFilesInOpenSaveDlgs",
        DropIniKeys(FHome.ConfigHome / "gtk-2.0" / "gtkfilechooser.ini", "Filechooser Settings",
                    {"LastFolderUri"}, FDryRun));
  }
  if (options.ClearLastNetRes) {
    ClearRegistryListOf("ClearLastNetRes", ExplorerKey, "Map Network Drive MRU");
    Add("ClearLastNetRes", EmptyXbel(FHome.ConfigHome / "gtk-3.0" / "servers", FDryRun));
  }
  if (options.ClearLastRun)
    ClearRegistryListOf("ClearLastRun", ExplorerKey, "RunMRU");
  if (options.ClearLastSearchedDocs) {
    constexpr std::string_view bar = "Software\\Microsoft\\Internet Explorer\\Explorer "
                                     "Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
    ClearRegistryListOf("ClearLastSearchedDocs", bar, "ContainingTextMRU");
    ClearRegistryListOf("ClearLastSearchedDocs", bar, "FilesNamedMRU");
    ClearRegistryListOf("ClearLastSearchedDocs", "Software\\Microsoft\\Search Assistant", "ACMru");
  }
  if (options.ClearRecycle) {
    std::string mountinfo;
    ReadPlainFile("/proc/self/mountinfo", mountinfo);
    Add("ClearRecycle",
        EmptyTrash(TrashFolders(FHome.DataHome, getuid(), MountPoints(mountinfo)), FDryRun));
  }
  if (options.ClearThumbnails)
    Add("ClearThumbnails", DeleteFilesInTree(FHome.CacheHome / "thumbnails", FDryRun));
}

void TDestroyerClass::DeleteCookies(const TCookieKeepList& keep, const TBrowserFlags& browsers,
                                    bool silent) {
  if (browsers.IE || browsers.TOnline) {
    DeleteUrlCacheEntries(browsers.IE ? "IECookies" : "TOnlineCookies",
                          [&](const TUrlCacheEntry& entry) {
                            if ((entry.Type & UrlCacheType::Cookie) == 0)
                              return false;
                            const std::string name = UrlCacheCookieName(entry.SourceUrl);
                            return !name.empty() && !IsCookieKept(name, keep);
                          });
  }
  if (browsers.Opera) {
    for (const std::filesystem::path& data : OperaDataFolders()) {
      TCleanTally tally;
      if (DeletePlainFile(data / "cookies4.dat", FDryRun, tally) == TDeleteResult::Failed)
        Error(DestroyerTexts::OperaCookiesFailed, silent);
      Add("OperaCookies", tally);
    }
  }
  if (browsers.Netscape) {
    for (const std::filesystem::path& root : MozillaRoots(FHome)) {
      WalkFolders(root, true, [&](int folder, const std::filesystem::path& path) {
        std::string content;
        if (!ReadPlainFileAt(folder, "cookies.txt", content))
          return;
        const TCookiesTxtFilter filtered = FilterCookiesTxt(content, keep);
        // Rewritten even when every line stays, as the file always was.
        if (!FDryRun && WriteFileAtomically(path / "cookies.txt", filtered.Content) != 0) {
          // Shown also in the automatic run: the cookies it should have removed stay.
          Error(DestroyerTexts::NetscapeCookiesFailed, false);
          return;
        }
        Add("NSCookies", {filtered.DroppedLines, filtered.DroppedBytes});
      });
    }
    for (const std::filesystem::path& profile : MozillaProfileFolders(FHome)) {
      EditStoreOf("NSCookies", profile / "cookies.sqlite", BrowserStores::FirefoxCookies, keep,
                  DestroyerTexts::NetscapeCookiesFailed, false);
    }
  }
  if (browsers.Chromium) {
    for (const std::filesystem::path& profile : ChromiumProfileFolders(FHome)) {
      for (const std::filesystem::path& file :
           {profile / "Cookies", profile / "Network" / "Cookies"})
        EditStoreOf("ChromiumCookies", file, BrowserStores::ChromiumCookies, keep,
                    DestroyerTexts::ChromiumCookiesFailed, false);
    }
  }
}

void TDestroyerClass::DeleteCache(const TBrowserFlags& browsers) {
  if (browsers.IE || browsers.TOnline) {
    using namespace UrlCacheType;
    DeleteUrlCacheEntries(browsers.IE ? "IETemp" : "TOnlineCache", [](const TUrlCacheEntry& entry) {
      return (entry.Type & (Normal | Stable | Sticky | Sparse)) != 0 &&
             (entry.Type & (Cookie | UrlHistory | TrackOffline | TrackOnline | Ocx)) == 0;
    });
  }
  if (browsers.Opera) {
    for (const std::filesystem::path& data : OperaDataFolders()) {
      WalkFolders(data / "cache4", true, [&](int folder, const std::filesystem::path&) {
        Add("OperaCache", DeleteFilesInFolder(folder, FDryRun));
      });
    }
  }
  if (browsers.Netscape) {
    for (const std::filesystem::path& root : MozillaRoots(FHome)) {
      WalkFolders(root, true, [&](int folder, const std::filesystem::path& path) {
        if (path.filename() == "Cache")
          Add("NSCache", DeleteFilesInFolder(folder, FDryRun));
      });
    }
    for (const std::filesystem::path& profile : MozillaProfileFolders(FHome)) {
      for (const std::filesystem::path& cache : MozillaCacheFolders(FHome, profile))
        Add("NSCache", DeleteFilesInTree(cache, FDryRun));
    }
  }
  if (browsers.Chromium) {
    for (const std::filesystem::path& profile : ChromiumProfileFolders(FHome)) {
      for (const std::filesystem::path& cache : ChromiumCacheFolders(FHome, profile))
        Add("ChromiumCache", DeleteFilesInTree(cache, FDryRun));
    }
  }
}

void TDestroyerClass::DeleteHistory(const TBrowserFlags& browsers, bool silent) {
  if (browsers.IE || browsers.TOnline) {
    const std::string_view option = browsers.IE ? "IEHistory" : "TOnlineHistory";
    DeleteUrlCacheEntries(option, [](const TUrlCacheEntry& entry) {
      return (entry.Type & UrlCacheType::UrlHistory) != 0;
    });
    ClearRegistryListOf(option, "Software\\Microsoft\\Internet Explorer", "TypedURLS");
  }
  if (browsers.Opera) {
    for (const std::filesystem::path& data : OperaDataFolders()) {
      TCleanTally tally;
      if (DeletePlainFile(data / "global.dat", FDryRun, tally) == TDeleteResult::Failed)
        Error(DestroyerTexts::OperaHistoryFailed, silent);
      Add("OperaHistory", tally);
    }
  }
  if (browsers.Netscape) {
    for (const std::filesystem::path& root : MozillaRoots(FHome)) {
      for (const std::filesystem::path& folder : ListFolderTree(root)) {
        TCleanTally tally;
        if (DeletePlainFile(folder / "history.dat", FDryRun, tally) == TDeleteResult::Failed)
          Error(DestroyerTexts::NetscapeHistoryFailed, silent);
        Add("NSHistory", tally);
      }
    }
    for (const std::filesystem::path& profile : MozillaProfileFolders(FHome)) {
      EditStoreOf("NSHistory", profile / "places.sqlite", BrowserStores::FirefoxHistory, {},
                  DestroyerTexts::NetscapeHistoryFailed, silent);
    }
  }
  if (browsers.Chromium) {
    for (const std::filesystem::path& profile : ChromiumProfileFolders(FHome)) {
      EditStoreOf("ChromiumHistory", profile / "History", BrowserStores::ChromiumHistory, {},
                  DestroyerTexts::ChromiumHistoryFailed, silent);
    }
  }
}

void TDestroyerClass::DeleteAutoComplete(const TBrowserFlags& browsers, bool silent) {
  if (browsers.IE)
    ClearRegistryListOf("IEAutoComplete", "Software\\Microsoft\\Internet Explorer\\IntelliForms",
                        "SPW");
  if (browsers.Netscape) {
    const auto deleteFile = [&](const std::filesystem::path& file) {
      TCleanTally tally;
      if (DeletePlainFile(file, FDryRun, tally) == TDeleteResult::Failed)
        Error(DestroyerTexts::NetscapeAutoCompleteFailed, silent);
      Add("NSAutoComplete", tally);
    };
    for (const std::filesystem::path& root : MozillaRoots(FHome)) {
      for (const std::filesystem::path& folder : ListFolderTree(root)) {
        deleteFile(folder / "localstore.rdf");
        std::string prefs;
        if (!ReadPlainFile(folder / "prefs.js", prefs))
          continue;
        for (const std::string& name : WalletFiles(prefs))
          deleteFile(folder / name);
      }
    }
    for (const std::filesystem::path& profile : MozillaProfileFolders(FHome)) {
      EditStoreOf("NSAutoComplete", profile / "formhistory.sqlite",
                  BrowserStores::FirefoxFormHistory, {}, DestroyerTexts::NetscapeAutoCompleteFailed,
                  silent);
      // The saved passwords are today's wallet; their key store and the
      // certificates stay.
      deleteFile(profile / "logins.json");
      deleteFile(profile / "logins-backup.json");
    }
  }
  if (browsers.Opera) {
    for (const std::filesystem::path& data : OperaDataFolders()) {
      TCleanTally tally;
      if (DeletePlainFile(data / "wand.dat", FDryRun, tally) == TDeleteResult::Failed)
        Error(DestroyerTexts::OperaPasswordsFailed, silent);
      Add("OperaAutoComplete", tally);
    }
  }
  if (browsers.Chromium) {
    for (const std::filesystem::path& profile : ChromiumProfileFolders(FHome)) {
      EditStoreOf("ChromiumAutoComplete", profile / "Web Data", BrowserStores::ChromiumFormData, {},
                  DestroyerTexts::ChromiumAutoCompleteFailed, silent);
    }
  }
}

std::vector<std::string> TDestroyerClass::CollectCookieNames() {
  std::vector<std::string> names;
  for (const TUrlCacheEntry& entry : FUrlCache.Entries()) {
    if ((entry.Type & UrlCacheType::Cookie) == 0)
      continue;
    std::string name = UrlCacheCookieName(entry.SourceUrl);
    if (!name.empty())
      names.push_back(std::move(name));
  }
  for (const std::filesystem::path& root : MozillaRoots(FHome)) {
    WalkFolders(root, true, [&](int folder, const std::filesystem::path&) {
      std::string content;
      if (ReadPlainFileAt(folder, "cookies.txt", content))
        AddCookiesTxtNames(content, names);
    });
  }
  for (const std::filesystem::path& profile : MozillaProfileFolders(FHome))
    ReadStoreNames(profile / "cookies.sqlite", BrowserStores::FirefoxCookieNames, names);
  for (const std::filesystem::path& profile : ChromiumProfileFolders(FHome)) {
    for (const std::filesystem::path& file : {profile / "Cookies", profile / "Network" / "Cookies"})
      ReadStoreNames(file, BrowserStores::ChromiumCookieNames, names);
  }
  SortCookieNames(names);
  return names;
}

bool TDestroyerClass::IsMozillaInstalled() const {
  return !MozillaRoots(FHome).empty();
}

bool TDestroyerClass::IsOperaInstalled() const {
  return !OperaDataFolders().empty();
}

bool TDestroyerClass::IsAOLInstalled() {
  constexpr std::string_view key = "SOFTWARE\\America Online\\America Online\\CurrentVersion";
  return !RegistryText(FRegistry, key, "AppPath").empty() ||
         !RegistryText(FRegistry, key, "Application Information.Version").empty();
}

bool TDestroyerClass::IsTOnlineInstalled() {
  return !RegistryText(FRegistry, "Software\\TOnline\\T-Online_Software_5\\Browser", "CurrentUser")
              .empty();
}

bool TDestroyerClass::IsChromiumInstalled() const {
  return !ChromiumProfileFolders(FHome).empty();
}

void RunDestroyer(TDestroyerClass& destroyer, const TDestroyerOptions& options,
                  const TCookieKeepList& keep) {
  destroyer.ClearWindowsTraces(options);
  destroyer.DeleteCookies(keep,
                          {.IE = options.IECookies,
                           .TOnline = options.TOnlineCookies,
                           .Opera = options.OperaCookies,
                           .Netscape = options.NSCookies,
                           .Chromium = options.ChromiumCookies},
                          false);
  destroyer.DeleteCache({.IE = options.IETemp,
                         .TOnline = options.TOnlineCache,
                         .Opera = options.OperaCache,
                         .Netscape = options.NSCache,
                         .Chromium = options.ChromiumCache});
  destroyer.DeleteHistory({.IE = options.IEHistory,
                           .TOnline = options.TOnlineHistory,
                           .Opera = options.OperaHistory,
                           .Netscape = options.NSHistory,
                           .Chromium = options.ChromiumHistory},
                          false);
  destroyer.DeleteAutoComplete({.IE = options.IEAutoComplete,
                                .Opera = options.OperaAutoComplete,
                                .Netscape = options.NSAutoComplete,
                                .Chromium = options.ChromiumAutoComplete},
                               false);
}

void AutoKillBrowser(TDestroyerClass& destroyer, TBrowserKind kind,
                     const TDestroyerOptions& options, const TCookieKeepList& keep) {
  TBrowserFlags cookies, cache, history, autoComplete;
  switch (kind) {
  case TBrowserKind::IE:
    cookies.IE = options.IECookies;
    cache.IE = options.IETemp;
    history.IE = options.IEHistory;
    autoComplete.IE = options.IEAutoComplete;
    break;
  case TBrowserKind::Mozilla:
    cookies.Netscape = options.NSCookies;
    cache.Netscape = options.NSCache;
    history.Netscape = options.NSHistory;
    autoComplete.Netscape = options.NSAutoComplete;
    break;
  case TBrowserKind::Opera:
    cookies.Opera = options.OperaCookies;
    cache.Opera = options.OperaCache;
    history.Opera = options.OperaHistory;
    autoComplete.Opera = options.OperaAutoComplete;
    break;
  case TBrowserKind::TOnline:
    // Its form data step has no flag of its own.
    cookies.TOnline = options.TOnlineCookies;
    cache.TOnline = options.TOnlineCache;
    history.TOnline = options.TOnlineHistory;
    break;
  case TBrowserKind::Chromium:
    cookies.Chromium = options.ChromiumCookies;
    cache.Chromium = options.ChromiumCache;
    history.Chromium = options.ChromiumHistory;
    autoComplete.Chromium = options.ChromiumAutoComplete;
    break;
  }
  destroyer.DeleteCookies(keep, cookies, true);
  destroyer.DeleteCache(cache);
  destroyer.DeleteHistory(history, true);
  destroyer.DeleteAutoComplete(autoComplete, true);
}
