// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the anonymous upstream pool — its start, the rotation and check timers, the
// hand-over to the proxy server, failover, and the actions of page 5.
#include "app/MainTexts.h"
#include "app/MainUnit.h"
#include "app/UserInterface.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace {

constexpr std::chrono::milliseconds CheckTimerInterval{30000};
constexpr std::chrono::milliseconds OneMinute{60000};

std::string HostAndPort(const std::string& host, int port) {
  return host.empty() ? std::string() : host + ":" + std::to_string(port);
}

} // namespace

std::chrono::milliseconds TMain::PoolTime(std::chrono::milliseconds real) const {
  return real / std::max(1, FRunOptions.PoolTimeScale);
}

void TMain::PostToMain(std::function<void()> fn) {
  QMetaObject::invokeMethod(FMainThread.get(), std::move(fn), Qt::QueuedConnection);
}

void TMain::CreateProxyPool() {
  FProxyManager = std::make_unique<TProxyManager>(
      FSettings->GetDataFolder() + "proxies.dat", FFlags.UserAdmin,
      NetworkCheckEnvironment([this](std::function<void()> fn) { PostToMain(std::move(fn)); }));
  FProxyManager->SetPacing(PoolTime(TProxyCheckClass::DefaultPacing));
  FProxyManager->SetParallelChecks(FSettings->AnonymousProxyParallelChecks);
  FProxyManager->OnChange = [this] { UpdateProxyList(false); };
  FProxyManager->OnCheckDone = [this] {
    PublishFailoverRoutes();
    UpdateProxyList(true);
  };
  FProxyManager->OnOwnIP = [this](const std::string& address) { SetCurrentIP(address); };

  FServersTimer = std::make_unique<QTimer>();
  FServersTimer->setInterval(PoolTime(OneMinute * FSettings->AnonymousProxyChangeInterval).count());
  QObject::connect(FServersTimer.get(), &QTimer::timeout, [this] { QuorvaneServersTimerTimer(); });
  FChecksTimer = std::make_unique<QTimer>();
  FChecksTimer->setInterval(PoolTime(CheckTimerInterval).count());
  QObject::connect(FChecksTimer.get(), &QTimer::timeout,
                   [this] { QuorvaneQuorvanesCheckTimerTimer(); });

  FProxyServer->OnUpstreamFailed = [this](const std::string& host, int port) {
    return UpstreamFailed(host, port);
  };
  UpdateProxyList(true);
}

void TMain::StartAnonymousProxies() {
  if (!FSettings->UseAnonymousProxyServers) {
    PublishFailoverRoutes();
    return;
  }
  HandOver(FProxyManager->SelectProxy(""));
  if (!FTestRunning) {
    FServersTimer->start();
  }
  FLastCheck.reset();
  // The server starts with the second pick.
  QuorvaneServersTimerTimer();
}

void TMain::ApplyPoolSettings(const TSettingsValues& previous) {
  FProxyManager->SetParallelChecks(FSettings->AnonymousProxyParallelChecks);
  FServersTimer->setInterval(PoolTime(OneMinute * FSettings->AnonymousProxyChangeInterval).count());
  const bool use = FSettings->UseAnonymousProxyServers;
  if (use != previous.UseAnonymousProxyServers) {
    if (use) {
      HandOver(FProxyManager->SelectProxy(FProxyServer->AnonymousProxy()));
      FLastCheck = FClock();
      if (!FTestRunning) {
        FServersTimer->start();
      }
      if (FOnline) {
        FChecksTimer->start();
      }
    } else {
      HandOver({});
      FServersTimer->stop();
      FChecksTimer->stop();
      FProxyManager->StopCheck();
    }
    ShowStatistics();
  } else if (previous.AnonymousProxyForHTTPS != FSettings->AnonymousProxyForHTTPS ||
             previous.AnonymousProxyFailClosed != FSettings->AnonymousProxyFailClosed) {
    // Same upstream, other rules for it.
    const TUpstreamInUse current = CurrentUpstream();
    HandOver({current.Host, static_cast<std::uint16_t>(current.Port),
              static_cast<std::uint16_t>(FUpstreamResponseTime),
              FProxyManager->Find(current.Host)});
  }
}

void TMain::ClosePool() {
  if (FProxyManager) {
    FProxyManager->StopCheck();
  }
}

void TMain::FreePool() {
  if (FServersTimer) {
    FServersTimer->stop();
    FChecksTimer->stop();
  }
  FProxyManager.reset();
}

TUpstreamRoute TMain::RouteFor(const std::string& host, int port,
                               const TProxyEntryPtr& entry) const {
  TUpstreamRoute route;
  route.Host = host;
  route.Port = port;
  route.Tunnel = FSettings->AnonymousProxyForHTTPS && !(entry && entry->RefusesConnect);
  route.Refuse =
      host.empty() && FSettings->UseAnonymousProxyServers && FSettings->AnonymousProxyFailClosed;
  return route;
}

void TMain::HandOver(const TProxySelection& selection) {
  FUpstreamResponseTime = selection.ResponseTime;
  const bool use = FSettings->UseAnonymousProxyServers;
  const std::string host = use ? selection.Host : std::string();
  const int port = use && !host.empty() ? selection.Port : 8080;
  FProxyServer->SetUpstreamRoute(RouteFor(host, port, selection.Entry));
  SetDownloadProxy(host, port);
  PublishFailoverRoutes();
  const std::string shown = HostAndPort(host, port);
  if (shown != FShownUpstream) {
    FShownUpstream = shown;
    FView.AnonymousProxyChanged(shown);
  }
  ShowStatistics();
}

TUpstreamInUse TMain::CurrentUpstream() const {
  const TUpstreamRoute route = FProxyServer->UpstreamRoute();
  return {route.Host, route.Port};
}

bool TMain::RotationMayRun() const {
  return FSettings && FSettings->UseAnonymousProxyServers && !FDestroyed && FOnline &&
         !FTestRunning;
}

void TMain::EnableRotationTimer() {
  if (RotationMayRun()) {
    FServersTimer->start();
  }
}

bool TMain::RotationTimerActive() const {
  return FServersTimer && FServersTimer->isActive();
}

bool TMain::CheckTimerActive() const {
  return FChecksTimer && FChecksTimer->isActive();
}

int TMain::RotationTimerInterval() const {
  return FServersTimer ? FServersTimer->interval() : 0;
}

void TMain::QuorvaneServersTimerTimer() {
  FServersTimer->stop();
  HandOver(FProxyManager->SelectProxy(FProxyServer->AnonymousProxy()));
  EnableRotationTimer();
}

void TMain::QuorvaneQuorvanesCheckTimerTimer() {
  FChecksTimer->stop();
  if (!FSettings->UseAnonymousProxyServers) {
    return;
  }
  const auto now = FClock();
  const auto interval = PoolTime(std::chrono::seconds(FSettings->AnonymousProxyCheckInterval));
  if (FOnline && (!FLastCheck || now - *FLastCheck >= interval)) {
    if (FCurrentIP != "n/a") {
      FProxyManager->StartCheck();
    } else {
      FProxyManager->QueryOwnIP();
    }
    FLastCheck = now;
  }
  if (FSettings->UseAnonymousProxyServers && !FDestroyed && FOnline) {
    FChecksTimer->start();
  }
}

void TMain::PoolGoesOnline() {
  FOnline = true;
  FProxyManager->QueryOwnIP();
  FLastCheck = FClock();
  if (FSettings->UseAnonymousProxyServers && !FDestroyed) {
    FChecksTimer->start();
  }
  EnableRotationTimer();
}

void TMain::PoolGoesOffline() {
  FOnline = false;
  FChecksTimer->stop();
  FProxyManager->StopCheck();
  SetCurrentIP("n/a");
}

void TMain::SetCurrentIP(std::string address) {
  if (address == FCurrentIP) {
    return;
  }
  FCurrentIP = std::move(address);
  FView.CurrentIPChanged(FCurrentIP);
  ShowStatistics();
}

void TMain::StartCheckIfAllowed() {
  if (FOnline && FSettings->UseAnonymousProxyServers && FCurrentIP != "n/a") {
    FProxyManager->StartCheck();
  }
}

std::optional<TUpstreamRoute> TMain::UpstreamFailed(const std::string& host, int port) {
  if (!FFailoverEnabled.load()) {
    return std::nullopt;
  }
  const auto routes = FFailoverRoutes.Get();
  std::vector<std::string> failed;
  {
    std::lock_guard lock(FFailedLock);
    if (std::find(FFailedHosts.begin(), FFailedHosts.end(), host) == FFailedHosts.end()) {
      FFailedHosts.push_back(host);
      PostToMain([this, host] { MarkUpstreamFailed(host); });
    }
    failed = FFailedHosts;
  }
  for (const TUpstreamRoute& route : routes->Routes) {
    if (std::find(failed.begin(), failed.end(), route.Host) == failed.end() &&
        !(route.Host == host && route.Port == port)) {
      return route;
    }
  }
  TUpstreamRoute direct;
  direct.Refuse = routes->FailClosed;
  return direct;
}

void TMain::MarkUpstreamFailed(const std::string& host) {
  if (!FProxyManager) {
    return;
  }
  if (const TProxyEntryPtr entry = FProxyManager->Find(host)) {
    entry->ResponseTime = 0;
    if (entry->FailureLevel < TQuorvaneServerListEntry::MaxFailureLevel) {
      ++entry->FailureLevel;
    }
    FProxyManager->SetModified(true);
  }
  if (FProxyServer->AnonymousProxy() == host) {
    HandOver(FProxyManager->SelectProxy(host));
  } else {
    PublishFailoverRoutes();
  }
}

void TMain::PublishFailoverRoutes() {
  TFailoverRoutes routes;
  routes.FailClosed = FSettings->UseAnonymousProxyServers && FSettings->AnonymousProxyFailClosed;
  FFailoverEnabled = FSettings->UseAnonymousProxyServers && FSettings->AnonymousProxyFailover;
  for (const TProxyEntryPtr& entry : FProxyManager->GetSortedList()) {
    if (entry->Enabled && entry->ResponseTime != 0) {
      routes.Routes.push_back(RouteFor(entry->Host, entry->Port, entry));
    }
  }
  FFailoverRoutes.Set(std::move(routes));
  std::lock_guard lock(FFailedLock);
  FFailedHosts.clear();
}

void TMain::UpdateProxyList(bool rebuild) {
  FView.UpdateProxyList(rebuild);
}

void TMain::ProxyServerListSetChecked(const TProxyEntryPtr& entry, bool checked) {
  if (!FProxyManager->Contains(entry)) {
    return;
  }
  entry->Enabled = checked;
  if (!checked && entry->Host == FProxyServer->AnonymousProxy()) {
    HandOver(FProxyManager->SelectProxy(FProxyServer->AnonymousProxy()));
  }
  FProxyManager->SetModified(true);
}

void TMain::RunPoolChange(bool stopChecks, const std::function<void()>& change) {
  const bool stopped = stopChecks && !FProxyManager->Stopped();
  if (stopped) {
    FProxyManager->StopCheck();
  }
  change();
  UpdateProxyList(true);
  PublishFailoverRoutes();
  if (stopped) {
    StartCheckIfAllowed();
  }
}

void TMain::ProxyAddBtnClick() {
  RunPoolChange(true, [this] {
    std::string text;
    if (!FUserInterface.InputListDialog(MainTexts::NewProxyCaption, MainTexts::NewProxyPrompt,
                                        text)) {
      return;
    }
    std::size_t at = 0;
    while (at <= text.size()) {
      const std::size_t end = std::min(text.find('\n', at), text.size());
      if (FProxyManager->AddProxyLine(std::string_view(text).substr(at, end - at))) {
        FProxyManager->SaveToFile();
      }
      at = end + 1;
    }
  });
}

void TMain::ProxyFileOpenBtnClick() {
  RunPoolChange(true, [this] {
    std::string fileName;
    if (FUserInterface.OpenFileDialog(MainTexts::ProxyListFilter, fileName)) {
      FProxyManager->ImportFromFile(fileName);
    }
  });
}

void TMain::ProxyDeleteBtnClick(const TProxyEntryPtr& entry) {
  if (!FProxyManager->Contains(entry)) {
    return;
  }
  RunPoolChange(false, [this, &entry] {
    FProxyManager->DeleteEntry(entry);
    FProxyManager->SaveToFile();
  });
}

void TMain::ProxyConnectTestBtnClick(const TProxyEntryPtr& entry) {
  if (FTestRunning) {
    return;
  }
  std::vector<TProxyEntryPtr> entries;
  if (FFlags.UserAdmin) {
    entries.assign(FProxyManager->List().rbegin(), FProxyManager->List().rend());
  } else if (FProxyManager->Contains(entry)) {
    entries.push_back(entry);
  }
  if (entries.empty()) {
    return;
  }
  const auto onResult = [this](const TProxyEntryPtr& tested, bool reached) {
    if (reached) {
      return;
    }
    if (!FFlags.UserAdmin &&
        FUserInterface.ShowMessageBox(MainTexts::ProxyUnreachableQuestion, {}, TMsgKind::Question,
                                      TMsgButtons::YesNo) == TModalResult::No) {
      return;
    }
    FProxyManager->DeleteEntry(tested);
    FProxyManager->SaveToFile();
    if (!FFlags.UserAdmin) {
      UpdateProxyList(true);
    }
  };
  const auto onDone = [this] {
    if (FFlags.UserAdmin) {
      UpdateProxyList(true);
      FUserInterface.ShowMessageBox(MainTexts::TestDone, {}, TMsgKind::Information,
                                    TMsgButtons::OK);
    }
    FTestRunning = false;
    PublishFailoverRoutes();
    EnableRotationTimer();
  };
  if (FProxyManager->TestProxies(std::move(entries), onResult, onDone)) {
    FTestRunning = true;
    FServersTimer->stop();
  }
}

void TMain::AlsDateispeichern1Click() {
  std::string fileName;
  if (FUserInterface.SaveFileDialog(MainTexts::ProxyListFilter, "txt", fileName)) {
    FProxyManager->ExportToFile(fileName);
  }
}
