// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutoStrt.h"
#include "app/MainView.h"
#include "app/RePosApp.h"
#include "app/RegistrySettingsUnit.h"
#include "app/RequestEventsUnit.h"
#include "app/StartFlags.h"
#include "connmon/ConnectionMonitorUnit.h"
#include "platform/FritzDSL.h"
#include "platform/RemoteAccess.h"
#include "proxy/HTTPProxyServer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QObject;
class TDownloadManagerClass;
struct TDownloadEntry;
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

// The controller: owns the settings, the proxy server and the request events,
// wires them together and runs the start-up and shutdown order; the window hands it
// changed settings and user actions. Create, use and destroy it on the thread that
// runs the Qt event loop.
class TMain {
public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

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
  // Asked whenever the program is to end, whichever way: fires OnCloseQuery.
  // Always allows ending.
  bool FormCloseQuery();
  // The shutdown sequence: keep the window's placement, stop the server, save the
  // statistics.
  void FormDestroy();
  // Fired by FormCloseQuery: the program is about to end.
  std::function<void()> OnCloseQuery;

  // The settings as last loaded or applied.
  const TSettingsValues& Settings() const { return *FSettings; }
  const THTTPProxyServer& ProxyServer() const { return *FProxyServer; }
  // The request events: the counters and the recent pages.
  TRequestEvents& RequestEvents() { return FRequestEvents; }
  const TStartFlags& StartFlags() const { return FFlags; }
  // True while FormCreate copies the settings into the server.
  bool Loading() const { return FLoading; }
  // Set after the first-start wizard: the window is shown at the end of start-up.
  bool ShowAfterStart() const { return FShowAfterStart; }
  // Status bar panel 0 as last set.
  const std::string& StatusText() const { return FStatusText; }
  // The connection monitor last reported the Internet connection up.
  bool Online() const { return FOnline; }
  // The phonebook entry of the dial-up connection that is up; empty otherwise.
  const std::string& DialUpEntry() const { return FDialUpEntry; }
  // Whether the DSL connection kind can be chosen (its software is there).
  bool DSLConnectionAvailable() const;

  // The window's settings: stores them, applies them to the server and the
  // request events, and tries the port again when it changed.
  void ApplySettings(const TSettingsValues& values);

  // The label texts of the statistics page, from the counters as they stand.
  TStatisticsTexts StatisticsTexts() const;
  // Hands StatisticsTexts to the view.
  void ShowStatistics();
  // "Statistik zurücksetzen": asks, and unless the answer is No clears every counter.
  void ClearStatBtnClick();
  // A copy of the recent pages, newest first.
  std::vector<std::string> LastCalledSites() const;

  // Page "Seiten blockieren": the list editor on the blocked-URL list. Each change
  // is applied and handed to the view's BlockedURLsChanged.
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

  // The download manager (MainUnitDownloads.cpp); null before FormCreate and after
  // FormDestroy.
  TDownloadManagerClass* DownloadManager() const { return FDownloadManager.get(); }
  // The connection came up or went down (the connection monitor's reports): the
  // downloads follow it.
  void DownloadsConnected();
  void DownloadsDisconnected();
  // The anonymous proxy now in use (empty host: none), for downloads started later.
  void SetDownloadProxy(const std::string& host, int port);
  // "Download hinzufügen" with the URL the user typed: adds it unless it is known
  // (then the error "Die URL ... existiert bereits.").
  void AddDownloadURL(const std::string& url);
  // "Fortsetzen" / "Pause" on a row: only while online, else the no-connection
  // error when the window is visible.
  void DMContinueBtnClick(TDownloadEntry& entry, bool windowVisible);
  void DMPauseBtnClick(TDownloadEntry& entry, bool windowVisible);
  // The window's hooks on the download list of page 2; each may stay unset.
  std::function<void(bool deleted)> OnDownloadListChanged;
  std::function<void(TDownloadEntry& entry, std::int64_t received)> OnDownloadEntryChanged;
  std::function<void(const std::string& url)> OnNewDownload;
  std::function<void(TDownloadEntry& entry)> OnDownloadSucceeded;
  // The save dialog for a download; unset (headless): cancelled.
  std::function<std::optional<std::string>(const std::string& proposedName)> OnAskDownloadFileName;

  // A second instance asked for the window.
  void RestoreRequested();
  // The window hides to the tray: its placement is kept for the next start.
  void SaveWindowPlacement();
  // "Beenden", the tray's "Beenden" and the stop signals: FormCloseQuery, then the
  // event loop ends; the caller runs FormDestroy after it.
  void mnuExitExecute();

private:
  void CreateConnectionMonitor();
  void StartConnectionMonitor();
  void StopConnectionMonitor();
  // The monitor's reports.
  void ConnectionMonitorConnect(const std::string& dialUpEntry);
  void ConnectionMonitorDisconnect();

  void ConfigureProxyServer();
  void CopySettingsToServer();
  void StartProxyServer();
  // Moves the server to the port the settings or the run ask for, when it differs.
  void ApplyPort();
  void SetStatus(std::string text);
  // Stores the settings with the counters as they stand.
  void SaveSettings();
  bool BlockedURLExists(const std::string& entry) const;
  void CreateDownloadManager();
  void StopDownloads();
  void ApplyDownloadOptions();
  int ActiveDownloads() const;
  void DownloadCompleted(TDownloadEntry& entry);
  void ApplyBlockedURLs(std::vector<std::string> list);

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
  // Declared before the server, which calls it from its connection threads until
  // it is destroyed.
  TRequestEvents FRequestEvents;
  std::unique_ptr<THTTPProxyServer> FProxyServer;
  std::unique_ptr<TDownloadManagerClass> FDownloadManager;
  std::unique_ptr<QObject> FMainThread; // receives the queued end of the event loop
  // What the monitor watches with; declared before it, which uses them until it goes.
  std::unique_ptr<TRemoteAccess> FRemoteAccess;
  std::unique_ptr<TFritzDSLSoftware> FDSLSoftware;
  std::unique_ptr<TConnectionMonitor> FConnectionMonitor;

  std::chrono::steady_clock::time_point FStartTime;
  std::string FCurrentIP = "n/a";
  bool FOnline = false;
  std::string FDialUpEntry;
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
