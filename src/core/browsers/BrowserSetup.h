// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/BrowserProcesses.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TDesktopProxy;
class TRegistry;
struct TPrefsJs;

// The rows of the browser list, in its order. The system row is the desktop's
// proxy setting: the "Internet Settings" values of the registry stand-in, GNOME's
// GSettings and KDE's kioslaverc.
enum class TBrowserRow { InternetExplorer, Mozilla, Opera, Chromium };
inline constexpr std::array<TBrowserRow, 4> BrowserRows = {
    TBrowserRow::InternetExplorer, TBrowserRow::Mozilla, TBrowserRow::Opera, TBrowserRow::Chromium};
std::string_view BrowserRowText(TBrowserRow row);

enum class TBrowserMessageKind { Information, Error };

// What the set-up needs from its surroundings.
struct TBrowserSetupHost {
  TRegistry& Registry;
  TDesktopProxy& Desktop;
  std::filesystem::path Home;       // empty: the application-data folder is unknown
  std::filesystem::path ConfigHome; // $XDG_CONFIG_HOME, or Home/.config
  // The dial-up phonebook entry names.
  std::function<std::vector<std::string>()> PhonebookEntries;
  std::function<bool(TBrowserFamily)> BrowserRunning = BrowserProcessRunning;
  std::function<void(std::string_view text, TBrowserMessageKind kind)> ShowMessage;
};

// The browser configuration: install, remove and the installed test per row.
// Every call reads and edits the browsers' own files; nothing is kept between
// calls except, in the registry, each row's earlier values, which removal restores.
// Install and Remove return false when they reported a failure.
class TBrowserSetup {
public:
  explicit TBrowserSetup(TBrowserSetupHost host);

  bool Install(TBrowserRow row, int port);
  bool Remove(TBrowserRow row, bool silent);
  bool IsInstalled(TBrowserRow row, int port);
  // Whether the row's browser has settings here to edit (the system row always has).
  bool Present(TBrowserRow row);
  // Every row, silently, in list order. Always true.
  bool RemoveAllBrowserProxies();

  // A dial-up connection came up through `entry`: when the system row points at
  // the proxy on `port` and the entry was not among `knownEntries` (the phonebook as
  // last listed), the entry gets the proxy too. Returns whether it did.
  bool DialUpConnected(const std::string& entry, int port,
                       const std::vector<std::string>& knownEntries);

  // "http=localhost:P;https=localhost:P".
  static std::string ProxyString(int port);

private:
  bool InstallRow(TBrowserRow row, int port);
  bool RemoveRow(TBrowserRow row, bool silent);
  bool InstallIEProxy(int port);
  bool RemoveIEProxy(bool silent);
  bool IsIEProxyInstalled(int port);
  // Records the connection's values once, then writes the proxy string (empty:
  // direct) to it; entry empty: the LAN settings.
  void ApplyConnection(const std::string& entry, const std::string& proxy);
  void RestoreConnection(const std::string& entry);
  std::vector<std::string> ConnectionEntries();
  bool InstallDesktopProxy(int port);
  void RemoveDesktopProxy();
  bool DesktopProxyInstalled(int port);
  void InstallKdeProxy(int port);
  void RemoveKdeProxy();

  bool InstallMozillaProxy(int port);
  bool RemoveMozillaProxy(bool silent);
  bool IsMozillaProxyInstalled(int port);
  // nullopt after reporting (unless silent) that no profile folder can be found.
  std::optional<std::vector<std::filesystem::path>> MozillaProfiles(bool report);
  void InstallMozillaProfile(const std::filesystem::path& profile, int port);
  void RemoveMozillaProfile(const std::filesystem::path& profile);

  bool InstallOperaProxy(int port);
  bool RemoveOperaProxy(bool silent);
  bool IsOperaProxyInstalled(int port);
  std::optional<std::filesystem::path> OperaIni(bool report);

  bool InstallChromiumProxy(int port);
  bool RemoveChromiumProxy(bool silent);
  bool IsChromiumProxyInstalled(int port);
  std::optional<std::vector<std::filesystem::path>> ChromiumProfiles(bool report);
  std::filesystem::path ChromiumFolder() const;

  void Show(std::string_view text, TBrowserMessageKind kind);

  TBrowserSetupHost FHost;
};
