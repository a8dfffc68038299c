// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: start-up, settings, shutdown and the window actions.
#include "app/MainUnit.h"

#include "app/MainTexts.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

TMain::TMain(TRegistry& registry, TUserInterface& userInterface, TMainView& view,
             std::string programFolder, TStartFlags flags, TRunOptions runOptions,
             TAutoStart autoStart, TClock clock)
    : FRegistry(registry), FUserInterface(userInterface), FView(view),
      FProgramFolder(std::move(programFolder)), FFlags(flags), FRunOptions(std::move(runOptions)),
      FAutoStart(std::move(autoStart)), FClock(std::move(clock)),
      FRePosApp(registry, userInterface, view), FMainThread(std::make_unique<QObject>()),
      FBlockedReferer(MainTexts::BlockedReferer()) {}

TMain::~TMain() {
  if (FCreated && !FDestroyed)
    FormDestroy();
}

void TMain::FormCreate() {
  CreateProxyServer();
  FCurrentIP = "n/a";
  FCreating = true;
  FStartTime = FClock();
  // Before anything can show the window.
  FRePosApp.Restore();

  FSettings = std::make_unique<TRegistrySettings>(FRegistry, FUserInterface, FProgramFolder);
  FSettings->Load();
  {
    std::lock_guard lock(FStatisticsLock);
    FStatistics = FSettings->Statistics;
  }
  FCreated = true;

  // The setup wizard joins here; until then the first start only shows the window.
  if (FSettings->FirstStart) {
    FShowAfterStart = true;
    FSettings->FirstStart = false;
    SyncStatistics();
    FSettings->Save();
  }

  ConfigureProxyServer();

  FLoading = true;
  CopySettingsToServer();
  ApplyRequestRules();
  FLoading = false;

  FProxyServer->SetEnabled(false);
  if (!FRunOptions.UpstreamHost.empty()) {
    FProxyServer->SetAnonymousProxy(FRunOptions.UpstreamHost, FRunOptions.UpstreamPort);
  }

  StartProxyServer();

  if (FFlags.TerminateAtStart)
    mnuExitExecute();
  FCreating = false;
  if (FShowAfterStart && !FFlags.TerminateAtStart)
    FView.RestoreWindow();
}

void TMain::FormShow() {
  ShowStatistics();
}

bool TMain::FormCloseQuery() {
  return true;
}

void TMain::FormDestroy() {
  if (!FCreated || FDestroyed)
    return;
  FDestroyed = true;
  // The window goes with the program: keep where it stood.
  FRePosApp.Save();
  // Errors while stopping are of no interest any more: the program ends.
  try {
    FProxyServer->SetEnabled(false);
  } catch (const std::exception&) {
  }
  // After the server has stopped no connection thread adds to the counters.
  SyncStatistics();
  FSettings->SaveStatistics();
  FSettings.reset();
  {
    std::lock_guard lock(FStatisticsLock);
    FLastCalledSites.clear();
  }
  FProxyServer.reset();
}

void TMain::CreateProxyServer() {
  FProxyServer = std::make_unique<THTTPProxyServer>();
  THTTPProxyServer& server = *FProxyServer;
  server.OnHTTPGet = [this](THTTPProxyServer& s, TURI& uri, THeaderList& headers) {
    HTTPProxyServerHTTPGet(s, uri, headers);
  };
  server.OnHTTPPost = [this](THTTPProxyServer& s, TURI& uri, THeaderList& headers,
                             TPostData& data) { HTTPProxyServerHTTPPost(s, uri, headers, data); };
  server.OnHTTPHead = [this](THTTPProxyServer& s, TURI& uri, THeaderList& headers) {
    HTTPProxyServerHTTPHead(s, uri, headers);
  };
  server.OnHTTPConnect = [this](THTTPProxyServer& s, const std::string& target) {
    HTTPProxyServerHTTPConnect(s, target);
  };
  server.OnHTTPRemoteHTTPHeader = [this](THTTPProxyServer& s, THeaderList& headers) {
    HTTPProxyServerHTTPRemoteHTTPHeader(s, headers);
  };
  server.OnHTTPStatistics = [this](THTTPProxyServer& s, const TProxyStatistics& increments) {
    HTTPProxyServerHTTPStatistics(s, increments);
  };
  server.OnConnect = [this](TContext& context) { HTTPProxyServerConnect(context); };
  server.OnDisconnect = [this](TContext& context) { HTTPProxyServerDisconnect(context); };
  server.OnException = [this](TContext& context, const std::exception& error) {
    HTTPProxyServerException(context, error);
  };
  server.SetProxyAuthType(TAuthType::atThisPC);
  server.SetDefaultTransferBlockSize(DefaultTransferBlockSize);
  server.SetAnonymousProxy({}, AnonymousProxyDefaultPort);
}

void TMain::ConfigureProxyServer() {
  THTTPProxyServer& server = *FProxyServer;
  server.SetServerName(std::string(ProductInfo::ProgramNameAndVersion));
  FAppliedSettingsPort = FSettings->ProxyPort;
  server.SetPort(FRunOptions.Port.value_or(FSettings->ProxyPort));
  server.SetProxyCredentials({}, {});
  server.SetAnonymousProxy({}, AnonymousProxyDefaultPort);
  server.SetBindErrorMsg(MainTexts::BindError());
  server.SetProxyAuthIP(FSettings->ProxyAuthIP);
  server.SetProxyAuthType(static_cast<TAuthType>(FSettings->ProxyAuthType));
  server.SetVia(MainTexts::Via());
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

void TMain::ApplyRequestRules() {
  TRequestRules rules;
  rules.BlockBrowserName = FSettings->BlockBrowserName;
  rules.BlockReferer = FSettings->BlockReferer;
  rules.BlockCookies = FSettings->BlockCookies;
  rules.SaveLastCalledSites = FSettings->SaveLastCalledSites;
  rules.MaxLastCalledSites = static_cast<std::size_t>(std::max(FSettings->MaxLastCalledSites, 0));
  rules.DomainCookiesAllowed = FSettings->DomainCookiesAllowedList;
  FRequestRules.Set(std::move(rules));
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

void TMain::SettingsChanged() {
  if (FLoading || !FSettings)
    return;
  int port = FProxyServer->Port();
  if (FSettings->ProxyPort != FAppliedSettingsPort || !FRunOptions.Port) {
    // The run's --port gives way once the port setting itself changes.
    FRunOptions.Port.reset();
    FAppliedSettingsPort = FSettings->ProxyPort;
    port = FSettings->ProxyPort;
  }
  if (port != FProxyServer->Port()) {
    SetStatus(MainTexts::ActiveStatus(port));
    FProxyServer->SetPort(port);
    if (FProxyServer->Active())
      SetStatus(MainTexts::ActiveStatus(FProxyServer->ListeningPort()));
  }
  StartProxyServer();
  CopySettingsToServer();
  ApplyRequestRules();
  SyncStatistics();
  FSettings->Save();
}

void TMain::mnuExitExecute() {
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
  FSettings->ProxyAuthType = static_cast<int>(type);
  FSettings->ProxyAuthIP = type == TAuthType::atThisIP ? ip : std::string();
  SyncStatistics();
  FSettings->Save();
  FProxyServer->SetProxyAuthIP(FSettings->ProxyAuthIP);
  FProxyServer->SetProxyAuthType(type);
}

void TMain::CookiesBtnClick() {
  std::vector<std::string> domains = FSettings->DomainCookiesAllowedList;
  if (!FUserInterface.EditCookiesAllowed(domains))
    return;
  FSettings->DomainCookiesAllowedList = std::move(domains);
  FSettings->SaveBrowserSecurity();
  ApplyRequestRules();
}
