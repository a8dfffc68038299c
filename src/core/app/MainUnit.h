// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutoStrt.h"
#include "app/DateTime.h"
#include "app/MainView.h"
#include "app/ProxyListMerge.h"
#include "app/RePosApp.h"
#include "app/RegistrySettingsUnit.h"
#include "app/RequestEventsUnit.h"
#include "app/StartFlags.h"
#include "app/WelcomeDlgUnit.h"
#include "common/Snapshot.h"
#include "connmon/ConnectionMonitorUnit.h"
#include "platform/FritzDSL.h"
#include "platform/RemoteAccess.h"
#include "pool/ProxyManagerClassUnit.h"
#include "privacy/BrowserMonitorClassUnit.h"
#include "privacy/DestroyerClassUnit.h"
#include "proxy/HTTPProxyServer.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QObject;
class TBrowserSetup;
class TDesktopProxy;
class TAddOnHelper;
class QTimer;
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
  // The pool's timers (rotation, check due, pacing) run this many times faster.
  int PoolTimeScale = 1;
};

// The upstream proxy in use, as handed to the proxy server and the download manager.
struct TUpstreamInUse {
  std::string Host; // empty: direct
  int Port = 8080;
};

// What an online update asks of the upstream proxy pool; the controller fills these
// from the pool. An empty function does nothing (no pool: nothing is listed).
struct TPoolUpdateActions {
  // The hosts listed now.
  std::function<std::vector<std::string>()> Hosts;
  // Stops checking; true when a check was running.
  std::function<bool()> StopCheck;
  // Appends the new entries (response time 1) and saves the list once.
  std::function<void(const std::vector<ProxyListMerge::TNewProxy>&)> AddAndSave;
  // UpdateProxyList with rebuild true.
  std::function<void()> RebuildList;
  std::function<void()> StartCheck;
};

struct TOnlineUpdateResult {
  bool Ran = false;     // the update program was started and has ended
  bool Updated = false; // it reported an update with a date
  std::vector<ProxyListMerge::TNewProxy> Added;
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
  // What the first-start wizard's closing steps do beyond the settings: the add-on
  // registrations and the browser set-up. They start wired to the add-on loaded at
  // start and the browser set-up; tests replace them before FormCreate.
  TWelcomeActions WelcomeActions;
  // The pool's side of merging an updated proxy list; starts wired to the pool.
  TPoolUpdateActions PoolUpdate;
  // The date clock of the update reminder and "LastUpdate"; tests move it.
  std::function<TDateTime()> DateClock = &NowDateTime;

  // "Online-Update...": runs the update program, stores "LastUpdate", merges a
  // delivered proxy list and reports a needed restart. unattended tells the update
  // program that nobody can answer it.
  TOnlineUpdateResult mnuOnlineUpdateExecute(bool unattended = false);
  // More than 30 whole days since "LastUpdate": asks, and runs the update on Yes;
  // No (the default answer) stores now.
  void UpdateReminder();

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

  // Page "Müll". "Jetzt vernichten": the cleaner with the stored options.
  void GoBtnClick();
  // A cleaner check box changed: the cleaner flags of values are stored and the
  // browser monitor follows "AutoKill". Ignored while loading.
  void DestroyerSettingsChange(const TSettingsValues& values);
  // "Cookie-Verwaltung...": the keep-list dialog over the cookies found now.
  void CookieManagementBtnClick();
  // The automatic runs after a browser closed (each does nothing without "AutoKill").
  void AutoKillIE();
  void AutoKillMozilla();
  void AutoKillOpera();
  void AutoKillTOnline();
  void AutoKillChromium();
  // Which browsers' cleaner check boxes are enabled (start-up step 18).
  struct TBrowsersPresent {
    bool Mozilla = false;
    bool Opera = false;
    bool AOL = false;
    bool TOnline = false;
    bool Chromium = false;
  };
  TBrowsersPresent BrowsersPresent() const { return FBrowsersPresent; }
  TBrowserMonitorClass& BrowserMonitor() { return *FBrowserMonitor; }
  TDestroyerClass& Destroyer() { return *FDestroyer; }

  // Whether the autostart entry exists (the check box's state at start).
  bool AutoStartEntryExists() const;
  // Adds or removes the entry when checked differs from it; reports failures.
  void AutoStartChkBoxClick(bool checked);

  // The status texts of the browser list ("installiert" / "nicht installiert"), one
  // per row of BrowserRows, as last read from the browsers' settings.
  const std::vector<std::string>& BrowserStatus() const { return FBrowserStatus; }
  // "Quorvane für die gewählten Browser jetzt installieren/deinstallieren": each
  // ticked row (in BrowserRows' order) is installed unless it reads "installiert",
  // else removed; then every status is read again.
  void ProxySaveSettingsBtnClick(const std::vector<bool>& ticked);
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
  // The browser add-on (MainUnitPopupKiller.cpp). Loaded at start and kept for the
  // run; the popup killer's state is read from the registry afresh each time.
  const TAddOnHelper& AddOn() const { return *FAddOn; }
  TAddOnState AddOnState() const;
  // Start-up and every restore from the tray: the add-on's controls follow its
  // state; a missing add-on disables them and says so.
  void RefreshAddOnControls();
  // Page "Popupkiller": the check box switches the popup killer when it differs.
  void popupkillerChkBoxClick(bool checked);
  // Tray "Popup Killer aktivieren/deaktivieren".
  void PopupKiller2Click();
  void PKSoundFileNameChange(const std::string& fileName);
  std::string PKSoundFileName() const;
  void AllowedPopupsBtnClick();
  void BlockedURLsBtnClick();
  // Button and tray item "Die 20 zuletzt blockierten Seiten...".
  void LastBlockedURLsBtnClick();
  // Page "Downloadmanager" and the tray's "Downloadmanager aktivieren/deaktivieren".
  void DMChkBoxClick(bool checked);
  void mnuADDMClick();
  // The file types the add-on hands over; stored without blanks, in upper case,
  // which is returned for the edit.
  std::string DMFileExtEditChange(const std::string& text);
  std::string DMFileExtensions() const;

  // "Beenden", the tray's "Beenden" and the stop signals: FormCloseQuery, then the
  // event loop ends; the caller runs FormDestroy after it.
  void mnuExitExecute();

  // The anonymous upstream pool (MainUnitPool.cpp).
  TProxyManager& ProxyPool() { return *FProxyManager; }
  const TProxyManager& ProxyPool() const { return *FProxyManager; }
  TUpstreamInUse CurrentUpstream() const;
  bool TestRunning() const { return FTestRunning; }
  bool RotationTimerActive() const;
  bool CheckTimerActive() const;
  int RotationTimerInterval() const;
  // The rotation timer's tick: select, hand over, show.
  void QuorvaneServersTimerTimer();
  // The check-due timer's tick: a pass, or the own address while it is unknown.
  void QuorvaneQuorvanesCheckTimerTimer();
  // The connection came up: ask for the own address and start the pool's timers.
  void PoolGoesOnline();
  // The connection went down: stop checking and forget the own address.
  void PoolGoesOffline();
  // Page "Anonyme Proxy-Server".
  void UpdateProxyList(bool rebuild);
  void ProxyServerListSetChecked(const TProxyEntryPtr& entry, bool checked);
  void ProxyAddBtnClick();
  void ProxyFileOpenBtnClick();
  void ProxyDeleteBtnClick(const TProxyEntryPtr& entry);
  void ProxyConnectTestBtnClick(const TProxyEntryPtr& entry);
  void AlsDateispeichern1Click();

private:
  void CreateBrowserMonitor();
  void CreateDestroyer();
  void AutoKill(TBrowserKind kind);
  // FormCreate's step for a first start: the wizard, then its closing steps.
  void RunWelcomeDlg();
  TWelcomeActions WelcomeActionsFromSubsystems();
  TPoolUpdateActions PoolUpdateFromPool();
  // The delivered "quorvane.lst" into the pool; what was added.
  std::vector<ProxyListMerge::TNewProxy> MergeProxyList();
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
  void CreateBrowserSetup();
  void RefreshBrowserStatus();
  // The dial-up connect report: an entry the phonebook did not list when it was
  // last read gets the proxy while the system row has it.
  void DialUpConnected(const std::string& entry);
  void CreateDownloadManager();
  void StopDownloads();
  void ApplyDownloadOptions();
  int ActiveDownloads() const;
  void DownloadCompleted(TDownloadEntry& entry);
  void ApplyBlockedURLs(std::vector<std::string> list);
  // The pool's part of start-up, settings changes and shutdown (MainUnitPool.cpp).
  void CreateProxyPool();
  void StartAnonymousProxies();
  void ApplyPoolSettings(const TSettingsValues& previous);
  void ClosePool();
  void FreePool();
  // Gives the selection to the server (and whoever else takes the upstream).
  void HandOver(const TProxySelection& selection);
  // The route for the server when the upstream in use is host:port.
  TUpstreamRoute RouteFor(const std::string& host, int port, const TProxyEntryPtr& entry) const;
  bool RotationMayRun() const;
  void EnableRotationTimer();
  void RunPoolChange(bool stopChecks, const std::function<void()>& change);
  void StartCheckIfAllowed();
  void SetCurrentIP(std::string address);
  // On a connection thread: the upstream host:port could not be reached.
  std::optional<TUpstreamRoute> UpstreamFailed(const std::string& host, int port);
  // On the main thread, after UpstreamFailed: marks it and rotates when it is in use.
  void MarkUpstreamFailed(const std::string& host);
  // The routes UpstreamFailed may take, fastest first; rebuilt at each hand-over.
  void PublishFailoverRoutes();
  void PostToMain(std::function<void()> fn);
  std::chrono::milliseconds PoolTime(std::chrono::milliseconds real) const;

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
  std::unique_ptr<TAddOnHelper> FAddOn;
  // Declared before the server, which calls it from its connection threads until
  // it is destroyed.
  TRequestEvents FRequestEvents;
  std::unique_ptr<THTTPProxyServer> FProxyServer;
  std::unique_ptr<TDownloadManagerClass> FDownloadManager;
  std::unique_ptr<QObject> FMainThread; // receives the queued end of the event loop
  std::unique_ptr<TDesktopProxy> FDesktopProxy;
  std::unique_ptr<TBrowserSetup> FBrowserSetup;
  std::vector<std::string> FBrowserStatus;
  std::unique_ptr<TBrowserMonitorClass> FBrowserMonitor;
  std::unique_ptr<TDestroyerClass> FDestroyer;
  TBrowsersPresent FBrowsersPresent;
  std::unique_ptr<TProxyManager> FProxyManager;
  std::unique_ptr<QTimer> FServersTimer; // QuorvaneServersTimer: rotation
  std::unique_ptr<QTimer> FChecksTimer;  // QuorvaneQuorvanesCheckTimer: checks due
  bool FTestRunning = false;
  std::optional<std::chrono::steady_clock::time_point> FLastCheck; // none: never
  std::string FShownUpstream;                                      // as last told to the view
  struct TFailoverRoutes {
    std::vector<TUpstreamRoute> Routes;
    bool FailClosed = false;
  };
  TSnapshot<TFailoverRoutes> FFailoverRoutes;
  std::atomic<bool> FFailoverEnabled{false}; // read by the connection threads
  std::mutex FFailedLock;                    // guards FFailedHosts
  std::vector<std::string> FFailedHosts;     // failed since the last hand-over
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
