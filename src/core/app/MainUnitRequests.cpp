// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the proxy's request events, the counters and the recent pages.
#include "app/MainTexts.h"
#include "app/MainUnit.h"
#include "app/Tools.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

namespace {

std::string_view LogPrefix(int kind) {
  static constexpr std::string_view prefixes[] = {"<GET> ", "<POST> ", "<HEAD> "};
  return prefixes[kind];
}

} // namespace

bool TMain::IsCookieBlocked(std::string_view host) const {
  return CookieBlocked(*FRequestRules.Get(), host);
}

bool TMain::CookieBlocked(const TRequestRules& rules, std::string_view host) const {
  if (host.empty())
    return false;
  for (const std::string& domain : rules.DomainCookiesAllowed) {
    if (host.find(domain) != std::string_view::npos)
      return false;
  }
  return true;
}

void TMain::AddLog(std::string_view) {}

void TMain::AddLastCalledSite(const std::string& address) {
  AddLastCalledSite(*FRequestRules.Get(), address);
}

void TMain::AddLastCalledSite(const TRequestRules& rules, const std::string& address) {
  if (!rules.SaveLastCalledSites)
    return;
  std::lock_guard lock(FStatisticsLock);
  FLastCalledSites.push_front(address);
  if (FLastCalledSites.size() > rules.MaxLastCalledSites)
    FLastCalledSites.resize(rules.MaxLastCalledSites);
}

std::vector<std::string> TMain::LastCalledSites() const {
  std::lock_guard lock(FStatisticsLock);
  return {FLastCalledSites.begin(), FLastCalledSites.end()};
}

void TMain::RewriteRequest(TRequestKind kind, TURI& uri, THeaderList& headers) {
  const auto rules = FRequestRules.Get();
  if (rules->BlockBrowserName)
    headers.SetValue("User-Agent", ProductInfo::ProgramNameAndVersion);
  if (rules->BlockReferer)
    headers.SetValue("Referer", FBlockedReferer);
  if (rules->BlockCookies) {
    const bool carriesCookie =
        !headers.Value("Cookie").empty() || !headers.Value("Set-Cookie").empty();
    if (carriesCookie && CookieBlocked(*rules, headers.Value("Host"))) {
      headers.Delete("Cookie");
      headers.Delete("Set-Cookie");
      TProxyStatistics increments;
      increments.BlockedCookies = 1;
      HTTPProxyServerHTTPStatistics(*FProxyServer, increments);
    }
  }
  std::string address;
  try {
    address = uri.GetFullURI();
    AddLog(std::string(LogPrefix(static_cast<int>(kind))) + address);
  } catch (const std::exception& error) {
    AddLog(std::string(LogPrefix(static_cast<int>(kind))) + error.what());
  }
  AddLog(headers.Text());
  static constexpr std::uint32_t TStatistics::*counters[] = {
      &TStatistics::GETFiles, &TStatistics::POSTFiles, &TStatistics::HEADFiles};
  CountRequest(*rules, counters[static_cast<int>(kind)], address);
}

void TMain::CountRequest(const TRequestRules& rules, std::uint32_t TStatistics::*counter,
                         const std::string& address) {
  {
    std::lock_guard lock(FStatisticsLock);
    ++(FStatistics.*counter);
  }
  if (!address.empty())
    AddLastCalledSite(rules, address);
  RequestStatisticsRefresh();
}

void TMain::HTTPProxyServerHTTPGet(THTTPProxyServer&, TURI& uri, THeaderList& headers) {
  RewriteRequest(TRequestKind::Get, uri, headers);
}

void TMain::HTTPProxyServerHTTPPost(THTTPProxyServer&, TURI& uri, THeaderList& headers,
                                    TPostData&) {
  RewriteRequest(TRequestKind::Post, uri, headers);
}

void TMain::HTTPProxyServerHTTPHead(THTTPProxyServer&, TURI& uri, THeaderList& headers) {
  RewriteRequest(TRequestKind::Head, uri, headers);
}

void TMain::HTTPProxyServerHTTPConnect(THTTPProxyServer&, const std::string& target) {
  AddLog("<CONNECT> " + target);
  CountRequest(*FRequestRules.Get(), &TStatistics::GETFiles, target);
}

void TMain::HTTPProxyServerHTTPRemoteHTTPHeader(THTTPProxyServer&, THeaderList& headers) {
  AddLog("Remote Header");
  AddLog(headers.Text());
}

void TMain::HTTPProxyServerHTTPStatistics(THTTPProxyServer&, const TProxyStatistics& increments) {
  {
    std::lock_guard lock(FStatisticsLock);
    FStatistics.Bytes += increments.Bytes;
    FStatistics.BlockedCookies += static_cast<std::uint32_t>(increments.BlockedCookies);
    FStatistics.BlockedActiveX += static_cast<std::uint32_t>(increments.BlockedActiveX);
    FStatistics.BlockedFlash += static_cast<std::uint32_t>(increments.BlockedFlash);
    FStatistics.BlockedExeFiles += static_cast<std::uint32_t>(increments.BlockedExeFiles);
    FStatistics.BlockedJavaScript += static_cast<std::uint32_t>(increments.BlockedJavaScript);
    FStatistics.BlockedURLs += static_cast<std::uint32_t>(increments.BlockedURLS);
  }
  RequestStatisticsRefresh();
}

void TMain::HTTPProxyServerConnect(TContext&) {
  RequestStatisticsRefresh();
}

void TMain::HTTPProxyServerDisconnect(TContext& context) {
  RequestStatisticsRefresh();
  if (context.Linked())
    FProxyServer->DisconnectRemote(context);
}

void TMain::HTTPProxyServerException(TContext& context, const std::exception&) {
  if (context.Linked())
    FProxyServer->DisconnectRemote(context);
  RequestStatisticsRefresh();
}

void TMain::RequestStatisticsRefresh() {
  // Only reading while a refresh is on its way keeps the busy threads from writing
  // the flag's cache line on every event.
  if (FRefreshPending.load() || FRefreshPending.exchange(true))
    return;
  // The timer gathers the refreshes of a busy proxy into one every StatisticsRefreshDelay.
  QMetaObject::invokeMethod(
      FMainThread.get(),
      [this] {
        QTimer::singleShot(StatisticsRefreshDelay, FMainThread.get(), [this] {
          FRefreshPending = false;
          if (FProxyServer)
            ShowStatistics();
        });
      },
      Qt::QueuedConnection);
}

void TMain::SyncStatistics() {
  std::lock_guard lock(FStatisticsLock);
  FSettings->Statistics = FStatistics;
}

TStatisticsTexts TMain::StatisticsTexts() const {
  TStatistics counters;
  {
    std::lock_guard lock(FStatisticsLock);
    counters = FStatistics;
  }
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
  // The popup killer and the download manager fill these when they exist.
  texts.KilledPopupsLabel = "0";
  texts.lActiveDownloads = "0";
  texts.lTotalDownloads = std::to_string(counters.TotalDownloads);
  texts.lTotalBytesInDownloads = FormatBytes(counters.TotalBytesInDownloads);
  return texts;
}

void TMain::ShowStatistics() {
  FView.ShowStatistics(StatisticsTexts());
}

void TMain::ClearStatBtnClick() {
  if (FUserInterface.ShowMessageBox(MainTexts::ClearStatisticsQuestion, {}, TMsgKind::Confirmation,
                                    TMsgButtons::YesNo) == TModalResult::No) {
    return;
  }
  {
    std::lock_guard lock(FStatisticsLock);
    FStatistics = TStatistics{};
  }
  ShowStatistics();
}
