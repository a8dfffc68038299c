// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: start-up, settings, shutdown and the window actions.
#include "app/MainUnit.h"

#include "app/MainTexts.h"
#include "app/ProxyEngineSetup.h"
#include "app/Tools.h"
#include "app/UserInterface.h"
#include "browsers/BrowserSetup.h"
#include "browsers/DesktopProxy.h"
#include "common/ProductInfo.h"
#include "downloads/DownloadManagerUnit.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

TMain::TMain(TRegistry& registry, TUserInterface& userInterface, TMainView& view,
             std::string programFolder, TStartFlags flags, TRunOptions runOptions,
             TAutoStart autoStart, TClock clock)
    : FRegistry(registry), FUserInterface(userInterface), FView(view),
      FProgramFolder(std::move(programFolder)), FFlags(flags), FRunOptions(std::move(runOptions)),
      FAutoStart(std::move(autoStart)), FClock(std::move(clock)),
      FRePosApp(registry, userInterface, view), FRequestEvents([this] { ShowStatistics(); }),
      FMainThread(std::make_unique<QObject>()) {
  WelcomeActions = WelcomeActionsFromSubsystems();
  PoolUpdate = PoolUpdateFromPool();
}

TMain::~TMain() {
  if (FCreated && !FDestroyed)
    FormDestroy();
}

void TMain::FormCreate() {
  FProxyServer = std::make_unique<THTTPProxyServer>();
  FRequestEvents.Bind(*FProxyServer);
  ConfigureProxyEngine(*FProxyServer);
  FCurrentIP = "n/a";
  FCreating = true;
  FStartTime = FClock();
  // Before anything can show the window.
  FRePosApp.Restore();

  FSettings = std::make_unique<TRegistrySettings>(FRegistry, FUserInterface, FProgramFolder);
  FSettings->Load();
  FRequestEvents.SetStatistics(FSettings->Statistics);
  FAddOn = std::make_unique<TAddOnHelper>(FRegistry, FProgramFolder);
  FCreated = true;
  CreateBrowserMonitor();
  CreateConnectionMonitor();

  // The wizard sets up the browsers it has ticked.
  CreateBrowserSetup();
  if (FSettings->FirstStart) {
    RunWelcomeDlg();
    FShowAfterStart = true;
    FSettings->FirstStart = false;
    SaveSettings();
  }

  ConfigureProxyServer();
  CreateDestroyer();
  CreateProxyPool();

  FLoading = true;
  CopySettingsToServer();
  FRequestEvents.SetRules(RequestRulesOf(*FSettings));
  RefreshBrowserStatus();
  FLoading = false;

  FProxyServer->SetEnabled(false);
  StartAnonymousProxies();
  if (!FRunOptions.UpstreamHost.empty()) {
    FProxyServer->SetAnonymousProxy(FRunOptions.UpstreamHost, FRunOptions.UpstreamPort);
  }

  RefreshAddOnControls();
  CreateDownloadManager();
  StartConnectionMonitor();

  StartProxyServer();

  if (FFlags.TerminateAtStart)
    mnuExitExecute();
  FBrowserMonitor->SetActive(FSettings->AutoKill);
  FCreating = false;
  if (FShowAfterStart && !FFlags.TerminateAtStart)
    FView.RestoreWindow();
}

void TMain::FormShow() {
  ShowStatistics();
  const TAddOnState state = AddOnState();
  popupkillerChkBoxClick(state.PopupKillerEnabled);
  DMChkBoxClick(state.DownloadManagerEnabled);
  UpdateReminder();
}

bool TMain::FormCloseQuery() {
  StopDownloads();
  if (OnCloseQuery)
    OnCloseQuery();
  ClosePool();
  return true;
}

void TMain::FormDestroy() {
  if (!FCreated || FDestroyed)
    return;
  FDestroyed = true;
  // No automatic run after the settings have gone.
  FBrowserMonitor->SetActive(false);
  StopDownloads();
  StopConnectionMonitor();
  // The window goes with the program: keep where it stood.
  FRePosApp.Save();
  if (FServersTimer)
    FServersTimer->stop();
  // Errors while stopping are of no interest any more: the program ends.
  try {
    FProxyServer->SetEnabled(false);
  } catch (const std::exception&) {
  }
  // After the server has stopped no connection thread adds to the counters.
  FSettings->Statistics = FRequestEvents.Statistics();
  FSettings->SaveStatistics();
  FSettings.reset();
  FAddOn.reset();
  FreePool();
  FRequestEvents.ClearLastCalledSites();
  FDestroyer.reset();
  FDownloadManager.reset();
  FProxyServer.reset();
}

void TMain::ConfigureProxyServer() {
  THTTPProxyServer& server = *FProxyServer;
  FAppliedSettingsPort = FSettings->ProxyPort;
  server.SetPort(FRunOptions.Port.value_or(FSettings->ProxyPort));
  server.SetProxyAuthIP(FSettings->ProxyAuthIP);
  server.SetProxyAuthType(static_cast<TAuthType>(FSettings->ProxyAuthType));
}

void TMain::CopySettingsToServer() {
  THTTPProxyServer& server = *FProxyServer;
  server.SetBlockFlash(FSettings->BlockFlash || FRunOptions.BlockFlash);
  server.SetBlockActiveX(FSettings->BlockActiveX || FRunOptions.BlockActiveX);
  server.SetBlockExeFiles(FSettings->BlockExeFiles || FRunOptions.BlockExeFiles);
  server.SetBlockJavaScript(FSettings->BlockJS || FRunOptions.BlockJavaScript);
  std::vector<std::string> blocked;
  if (FSettings->BlockSites)
    blocked = FSettings->BlockedURLList;
  blocked.insert(blocked.end(), FRunOptions.BlockedURLs.begin(), FRunOptions.BlockedURLs.end());
  server.SetBlockedURLS(blocked);
}

void TMain::StartProxyServer() {
  if (FProxyServer->Active())
    return;
  // A failed start leaves the server marked enabled; clear that so this try binds anew.
  FProxyServer->SetEnabled(false);
  try {
    FProxyServer->SetEnabled(true);
    SetStatus(MainTexts::ActiveStatus(FProxyServer->ListeningPort()));
  } catch (const std::exception&) {
    FProxyServer->SetEnabled(false);
    FUserInterface.ShowMessageBox(FProxyServer->BindErrorMsg(), ProductInfo::ProgramName,
                                  TMsgKind::Error, TMsgButtons::OK);
    SetStatus(MainTexts::InactiveStatus());
  }
}

void TMain::SetStatus(std::string text) {
  FStatusText = std::move(text);
  FView.SetStatusText(FStatusText);
}

void TMain::SaveSettings() {
  FSettings->Statistics = FRequestEvents.Statistics();
  FSettings->Save();
}

void TMain::ApplySettings(const TSettingsValues& values) {
  if (FLoading || !FSettings)
    return;
  const TSettingsValues previous = *FSettings;
  static_cast<TSettingsValues&>(*FSettings) = values;
  ApplyPort();
  CopySettingsToServer();
  ApplyPoolSettings(previous);
  FRequestEvents.SetRules(RequestRulesOf(*FSettings));
  FProxyServer->SetProxyAuthIP(FSettings->ProxyAuthIP);
  FProxyServer->SetProxyAuthType(static_cast<TAuthType>(FSettings->ProxyAuthType));
  FConnectionMonitor->SetConnectionType(FSettings->ConnectionType);
  SaveSettings();
  ApplyDownloadOptions();
}

void TMain::ApplyPort() {
  if (FSettings->ProxyPort != FAppliedSettingsPort) {
    // The run's --port gives way once the port setting itself changes.
    FRunOptions.Port.reset();
    FAppliedSettingsPort = FSettings->ProxyPort;
  }
  const int port = FRunOptions.Port.value_or(FSettings->ProxyPort);
  // Only a new port is worth another try: while the old one is taken, every other
  // change would bring the bind error back.
  if (port == FProxyServer->Port())
    return;
  SetStatus(MainTexts::ActiveStatus(port));
  FProxyServer->SetPort(port);
  if (FProxyServer->Active())
    SetStatus(MainTexts::ActiveStatus(FProxyServer->ListeningPort()));
  StartProxyServer();
}

void TMain::mnuExitExecute() {
  if (!FormCloseQuery())
    return;
  // Queued, so that a caller still inside the event loop finishes first.
  QMetaObject::invokeMethod(
      FMainThread.get(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void TMain::RestoreRequested() {
  FView.RestoreWindow();
}

void TMain::SaveWindowPlacement() {
  FRePosApp.Save();
}

bool TMain::AutoStartEntryExists() const {
  return FAutoStart.Exists();
}

void TMain::AutoStartChkBoxClick(bool checked) {
  if (checked == FAutoStart.Exists())
    return;
  if (checked) {
    FAutoStart.Add(FUserInterface);
  } else {
    FAutoStart.Remove(FUserInterface);
  }
}

void TMain::ProxyAccessBtnClick() {
  auto type = static_cast<TAuthType>(FSettings->ProxyAuthType);
  std::string ip = type == TAuthType::atThisIP ? FSettings->ProxyAuthIP
                                               : std::string(MainTexts::ProxyIPEditDefault);
  if (!FUserInterface.EditProxyAccess(type, ip))
    return;
  TSettingsValues values = *FSettings;
  values.ProxyAuthType = static_cast<int>(type);
  values.ProxyAuthIP = type == TAuthType::atThisIP ? ip : std::string();
  ApplySettings(values);
}

void TMain::CookiesBtnClick() {
  std::vector<std::string> domains = FSettings->DomainCookiesAllowedList;
  if (!FUserInterface.EditCookiesAllowed(domains))
    return;
  FSettings->DomainCookiesAllowedList = std::move(domains);
  FSettings->SaveBrowserSecurity();
  FRequestEvents.SetRules(RequestRulesOf(*FSettings));
}

std::vector<std::string> TMain::LastCalledSites() const {
  return FRequestEvents.LastCalledSites();
}

TStatisticsTexts TMain::StatisticsTexts() const {
  const TStatistics counters = FRequestEvents.Statistics();
  TStatisticsTexts texts;
  texts.lCurrentIP = FCurrentIP;
  texts.lBytes = FormatBytes(counters.Bytes);
  texts.lGET = std::to_string(counters.GETFiles);
  texts.lPOST = std::to_string(counters.POSTFiles);
  texts.lHEAD = std::to_string(counters.HEADFiles);
  texts.lCookies = std::to_string(counters.BlockedCookies);
  texts.lActiveX = std::to_string(counters.BlockedActiveX);
  texts.lFlash = std::to_string(counters.BlockedFlash);
  texts.lExe = std::to_string(counters.BlockedExeFiles);
  texts.lScript = std::to_string(counters.BlockedJavaScript);
  texts.lWerbungen = std::to_string(counters.BlockedURLs);
  const std::string upstream = FProxyServer->AnonymousProxy();
  texts.lAnonProxy = upstream.empty()
                         ? std::string(MainTexts::NoUpstreamProxy)
                         : upstream + ":" + std::to_string(FProxyServer->AnonymousProxyPort()) +
                               " - " + std::to_string(FUpstreamResponseTime) + "ms";
  const auto runTime = std::chrono::duration_cast<std::chrono::seconds>(FClock() - FStartTime);
  texts.lProgRuntime = FormatDuration(runTime.count());
  texts.lActiveConnections = std::to_string(FProxyServer->ActiveConnections());
  texts.KilledPopupsLabel = std::to_string(KilledPopupCount(FRegistry));
  texts.lActiveDownloads = std::to_string(ActiveDownloads());
  texts.lTotalDownloads = std::to_string(counters.TotalDownloads);
  texts.lTotalBytesInDownloads = FormatBytes(counters.TotalBytesInDownloads);
  return texts;
}

void TMain::ShowStatistics() {
  // A refresh gathered before the shutdown may arrive after it.
  if (!FProxyServer)
    return;
  FView.ShowStatistics(StatisticsTexts());
}

void TMain::ClearStatBtnClick() {
  if (FUserInterface.ShowMessageBox(MainTexts::ClearStatisticsQuestion, {}, TMsgKind::Confirmation,
                                    TMsgButtons::YesNo) == TModalResult::No) {
    return;
  }
  FRequestEvents.SetStatistics(TStatistics{});
  ShowStatistics();
}
