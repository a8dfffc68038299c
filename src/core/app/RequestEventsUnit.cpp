// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RequestEventsUnit.h"

#include "app/MainTexts.h"
#include "common/ProductInfo.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace {

std::string_view LogPrefix(int kind) {
  static constexpr std::string_view prefixes[] = {"<GET> ", "<POST> ", "<HEAD> "};
  return prefixes[kind];
}

bool CookieBlocked(const TRequestRules& rules, std::string_view host) {
  if (host.empty())
    return false;
  return std::none_of(
      rules.DomainCookiesAllowed.begin(), rules.DomainCookiesAllowed.end(),
      [host](const std::string& domain) { return host.find(domain) != std::string_view::npos; });
}

} // namespace

TRequestRules RequestRulesOf(const TSettingsValues& settings) {
  TRequestRules rules;
  rules.BlockBrowserName = settings.BlockBrowserName;
  rules.BlockReferer = settings.BlockReferer;
  rules.BlockCookies = settings.BlockCookies;
  rules.SaveLastCalledSites = settings.SaveLastCalledSites;
  rules.MaxLastCalledSites = static_cast<std::size_t>(std::max(settings.MaxLastCalledSites, 0));
  rules.DomainCookiesAllowed = settings.DomainCookiesAllowedList;
  return rules;
}

TRequestEvents::TRequestEvents(std::function<void()> onRefresh)
    : FOnRefresh(std::move(onRefresh)), FMainThread(std::make_unique<QObject>()),
      FBlockedReferer(MainTexts::BlockedReferer()) {}

// Deleting the receiver drops a refresh still on its way.
TRequestEvents::~TRequestEvents() = default;

void TRequestEvents::Bind(THTTPProxyServer& server) {
  FServer = &server;
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
}

void TRequestEvents::SetRules(TRequestRules rules) {
  FRules.Set(std::move(rules));
}

TStatistics TRequestEvents::Statistics() const {
  std::lock_guard lock(FLock);
  return FStatistics;
}

void TRequestEvents::SetStatistics(const TStatistics& statistics) {
  std::lock_guard lock(FLock);
  FStatistics = statistics;
}

void TRequestEvents::AddCompletedDownload(std::int64_t bytes) {
  std::lock_guard lock(FLock);
  ++FStatistics.TotalDownloads;
  FStatistics.TotalBytesInDownloads += bytes;
}

std::vector<std::string> TRequestEvents::LastCalledSites() const {
  std::lock_guard lock(FLock);
  return {FLastCalledSites.begin(), FLastCalledSites.end()};
}

void TRequestEvents::ClearLastCalledSites() {
  std::lock_guard lock(FLock);
  FLastCalledSites.clear();
}

bool TRequestEvents::IsCookieBlocked(std::string_view host) const {
  return CookieBlocked(*FRules.Get(), host);
}

void TRequestEvents::AddLastCalledSite(const std::string& address) {
  AddLastCalledSite(*FRules.Get(), address);
}

void TRequestEvents::AddLastCalledSite(const TRequestRules& rules, const std::string& address) {
  if (!rules.SaveLastCalledSites)
    return;
  std::lock_guard lock(FLock);
  FLastCalledSites.push_front(address);
  if (FLastCalledSites.size() > rules.MaxLastCalledSites)
    FLastCalledSites.resize(rules.MaxLastCalledSites);
}

void TRequestEvents::RewriteRequest(THTTPProxyServer& server, TRequestKind kind, TURI& uri,
                                    THeaderList& headers) {
  const auto rules = FRules.Get();
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
      HTTPProxyServerHTTPStatistics(server, increments);
    }
  }
  AddLog([&] {
    const std::string prefix(LogPrefix(static_cast<int>(kind)));
    try {
      return prefix + uri.GetFullURI();
    } catch (const std::exception& error) {
      return prefix + error.what();
    }
  });
  AddLog([&] { return headers.Text(); });
  // The address is only wanted for the recent list.
  std::string address;
  if (rules->SaveLastCalledSites) {
    try {
      address = uri.GetFullURI();
    } catch (const std::exception&) {
      // counted without an address, as the recent list takes none
    }
  }
  static constexpr std::uint32_t TStatistics::*counters[] = {
      &TStatistics::GETFiles, &TStatistics::POSTFiles, &TStatistics::HEADFiles};
  CountRequest(*rules, counters[static_cast<int>(kind)], address);
}

void TRequestEvents::CountRequest(const TRequestRules& rules, std::uint32_t TStatistics::*counter,
                                  const std::string& address) {
  {
    std::lock_guard lock(FLock);
    ++(FStatistics.*counter);
  }
  if (!address.empty())
    AddLastCalledSite(rules, address);
  RequestStatisticsRefresh();
}

void TRequestEvents::HTTPProxyServerHTTPGet(THTTPProxyServer& sender, TURI& uri,
                                            THeaderList& headers) {
  RewriteRequest(sender, TRequestKind::Get, uri, headers);
}

void TRequestEvents::HTTPProxyServerHTTPPost(THTTPProxyServer& sender, TURI& uri,
                                             THeaderList& headers, TPostData&) {
  RewriteRequest(sender, TRequestKind::Post, uri, headers);
}

void TRequestEvents::HTTPProxyServerHTTPHead(THTTPProxyServer& sender, TURI& uri,
                                             THeaderList& headers) {
  RewriteRequest(sender, TRequestKind::Head, uri, headers);
}

void TRequestEvents::HTTPProxyServerHTTPConnect(THTTPProxyServer&, const std::string& target) {
  AddLog([&] { return "<CONNECT> " + target; });
  CountRequest(*FRules.Get(), &TStatistics::GETFiles, target);
}

void TRequestEvents::HTTPProxyServerHTTPRemoteHTTPHeader(THTTPProxyServer&, THeaderList& headers) {
  AddLog([] { return std::string("Remote Header"); });
  AddLog([&] { return headers.Text(); });
}

void TRequestEvents::HTTPProxyServerHTTPStatistics(THTTPProxyServer&,
                                                   const TProxyStatistics& increments) {
  {
    std::lock_guard lock(FLock);
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

void TRequestEvents::HTTPProxyServerConnect(TContext&) {
  RequestStatisticsRefresh();
}

void TRequestEvents::HTTPProxyServerDisconnect(TContext& context) {
  RequestStatisticsRefresh();
  if (context.Linked() && FServer != nullptr)
    FServer->DisconnectRemote(context);
}

void TRequestEvents::HTTPProxyServerException(TContext& context, const std::exception&) {
  if (context.Linked() && FServer != nullptr)
    FServer->DisconnectRemote(context);
  RequestStatisticsRefresh();
}

void TRequestEvents::RequestStatisticsRefresh() {
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
          FOnRefresh();
        });
      },
      Qt::QueuedConnection);
}
