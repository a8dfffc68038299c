// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutoStrt.h"
#include "app/MainView.h"
#include "app/RePosApp.h"
#include "app/RegistrySettingsUnit.h"
#include "app/StartFlags.h"
#include "common/Snapshot.h"
#include "proxy/HTTPProxyServer.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QObject;
class TRegistry;
class TUserInterface;

// Values the command line sets for one run; they are applied over the loaded
// settings and never stored.
struct TRunOptions {
  std::optional<int> Port;
  std::string UpstreamHost; // empty: none
  int UpstreamPort = 0;
  std::vector<std::string> BlockedURLs; // added to the stored list
  bool BlockJavaScript = false;         // each switch adds to the stored one
  bool BlockExeFiles = false;
  bool BlockFlash = false;
  bool BlockActiveX = false;
};

// The controller: owns the settings and the proxy server, runs the start-up and
// shutdown sequences, applies settings, and handles the proxy's request events.
// Create, use and destroy it on the thread that runs the Qt event loop; only the
// HTTPProxyServer* handlers run on connection threads.
class TMain {
public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  // Statistics refreshes from connection threads are gathered for this long.
  static constexpr std::chrono::milliseconds StatisticsRefreshDelay{250};
  static constexpr int DefaultTransferBlockSize = 65535;
  static constexpr int AnonymousProxyDefaultPort = 8080;

  // programFolder ends with "/". view and userInterface must outlive TMain.
  TMain(TRegistry& registry, TUserInterface& userInterface, TMainView& view,
        std::string programFolder, TStartFlags flags = {}, TRunOptions runOptions = {},
        TAutoStart autoStart = TAutoStart(), TClock clock = &std::chrono::steady_clock::now);
  // Runs FormDestroy when FormCreate ran and FormDestroy did not.
  ~TMain();
  TMain(const TMain&) = delete;
  TMain& operator=(const TMain&) = delete;

  // The start-up sequence: place the window, load the settings, configure and
  // start the server.
  void FormCreate();
  // First showing of the window: the statistics.
  void FormShow();
  // Always allows closing.
  bool FormCloseQuery();
  // The shutdown sequence: keep the window's placement, stop the server, save the
  // statistics.
  void FormDestroy();

  // Main-thread use only; the window copies control values into it and then calls
  // SettingsChanged.
  TRegistrySettings& Settings() { return *FSettings; }
  THTTPProxyServer& ProxyServer() { return *FProxyServer; }
  const TStartFlags& StartFlags() const { return FFlags; }
  // True while FormCreate copies the settings into the controls.
  bool Loading() const { return FLoading; }
  // Set after the first-start wizard: the window is shown at the end of start-up.
  bool ShowAfterStart() const { return FShowAfterStart; }
  // Status bar panel 0 as last set.
  const std::string& StatusText() const { return FStatusText; }

  // Applies and saves the settings (port rebinding, blocking, request switches).
  void SettingsChanged();

  // The label texts of the statistics page, from the counters as they stand.
  TStatisticsTexts StatisticsTexts() const;
  // Hands StatisticsTexts to the view.
  void ShowStatistics();
  // "Statistik zurücksetzen": asks, and unless the answer is No clears every counter.
  void ClearStatBtnClick();
  // A copy of the recent pages, newest first, taken under the statistics lock.
  std::vector<std::string> LastCalledSites() const;

  // Page "Seiten blockieren": the list editor on Settings().BlockedURLList. Each
  // change ends with SettingsChanged and the view's BlockedURLsChanged.
  void NewUrlBtnClick();
  void EditUrlBtnClick(std::size_t index);
  void DelUrlBtnClick(std::size_t index);
  // "In zu blockierende Seiten": the selected recent page as a new entry.
  void Add2BlockedURLsClick(const std::string& address);

  // "Zugriffsbeschränkung...": the access dialog; on OK stores and applies.
  void ProxyAccessBtnClick();
  // "Ausnahmen...": the allowed-cookie domains dialog; on OK stores and applies.
  void CookiesBtnClick();

  // Whether the autostart entry exists (the check box's state at start).
  bool AutoStartEntryExists() const;
  // Adds or removes the entry when checked differs from it; reports failures.
  void AutoStartChkBoxClick(bool checked);

  // A second instance asked for the window.
  void RestoreRequested();
  // The window hides to the tray: its placement is kept for the next start.
  void SaveWindowPlacement();
  // "Beenden": ends the event loop; the caller runs FormDestroy after it.
  void mnuExitExecute();

  // The cookie rule: false for an empty host or one that contains an allowed
  // domain (case counts), true otherwise. Safe on any thread.
  bool IsCookieBlocked(std::string_view host) const;
  // The request log's sink: it records nothing.
  void AddLog(std::string_view text);
  // Inserts at the top of the recent list and trims it to MaxLastCalledSites.
  void AddLastCalledSite(const std::string& address);

  // The server's events (connection threads).
  void HTTPProxyServerHTTPGet(THTTPProxyServer& sender, TURI& uri, THeaderList& headers);
  void HTTPProxyServerHTTPPost(THTTPProxyServer& sender, TURI& uri, THeaderList& headers,
                               TPostData& data);
  void HTTPProxyServerHTTPHead(THTTPProxyServer& sender, TURI& uri, THeaderList& headers);
  void HTTPProxyServerHTTPConnect(THTTPProxyServer& sender, const std::string& target);
  void HTTPProxyServerHTTPRemoteHTTPHeader(THTTPProxyServer& sender, THeaderList& headers);
  void HTTPProxyServerHTTPStatistics(THTTPProxyServer& sender, const TProxyStatistics& increments);
  void HTTPProxyServerConnect(TContext& context);
  void HTTPProxyServerDisconnect(TContext& context);
  void HTTPProxyServerException(TContext& context, const std::exception& error);

private:
  // What the request handlers read on connection threads, replaced whole by the
  // main thread whenever the settings change.
  struct TRequestRules {
    bool BlockBrowserName = false;
    bool BlockReferer = false;
    bool BlockCookies = false;
    bool SaveLastCalledSites = false;
    std::size_t MaxLastCalledSites = 0;
    std::vector<std::string> DomainCookiesAllowed;
  };
  enum class TRequestKind { Get, Post, Head };

  void CreateProxyServer();
  void ConfigureProxyServer();
  void CopySettingsToServer();
  void ApplyRequestRules();
  void StartProxyServer();
  void SetStatus(std::string text);
  std::string ActiveStatus(int port) const;
  std::string InactiveStatus() const;
  int ConfiguredPort() const;
  // A request reads the rules once, so that it sees one set of switches throughout.
  void RewriteRequest(TRequestKind kind, TURI& uri, THeaderList& headers);
  bool CookieBlocked(const TRequestRules& rules, std::string_view host) const;
  void AddLastCalledSite(const TRequestRules& rules, const std::string& address);
  void CountRequest(const TRequestRules& rules, std::uint32_t TStatistics::*counter,
                    const std::string& address);
  // Posts one ShowStatistics to the main thread unless one is already on its way.
  void RequestStatisticsRefresh();
  // Copies the live counters into the settings object before it is saved.
  void SyncStatistics();
  bool BlockedURLExists(const std::string& entry) const;
  void BlockedURLsEdited();

  TRegistry& FRegistry;
  TUserInterface& FUserInterface;
  TMainView& FView;
  std::string FProgramFolder;
  TStartFlags FFlags;
  TRunOptions FRunOptions;
  TAutoStart FAutoStart;
  TClock FClock;
  TRePosApp FRePosApp;

  std::unique_ptr<TRegistrySettings> FSettings;
  std::unique_ptr<THTTPProxyServer> FProxyServer;
  std::unique_ptr<QObject> FMainThread; // target of refreshes posted from connection threads
  const std::string FBlockedReferer;    // the Referer sent while BlockReferer is on
  TSnapshot<TRequestRules> FRequestRules;

  mutable std::mutex FStatisticsLock; // guards FStatistics and FLastCalledSites
  TStatistics FStatistics;
  // Newest first; a deque, so that adding at the top and trimming the end take the
  // lock for the same short time whatever the maximum.
  std::deque<std::string> FLastCalledSites;

  std::atomic<bool> FRefreshPending{false};
  std::chrono::steady_clock::time_point FStartTime;
  std::string FCurrentIP = "n/a";
  int FUpstreamResponseTime = 0; // ms, of the upstream proxy in use; the proxy pool sets it
  std::string FStatusText;
  // The port the settings asked for when it was last applied; a run's --port
  // holds until the port setting itself changes.
  int FAppliedSettingsPort = 0;
  bool FCreated = false;
  bool FDestroyed = false;
  bool FCreating = false;
  bool FLoading = false;
  bool FShowAfterStart = false;
};
