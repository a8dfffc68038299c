// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SettingsValues.h"
#include "common/Snapshot.h"
#include "proxy/HTTPProxyServer.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class QObject;

// The switches the request handlers read, replaced whole by the main thread.
struct TRequestRules {
  bool BlockBrowserName = false;
  bool BlockReferer = false;
  bool BlockCookies = false;
  bool SaveLastCalledSites = false;
  std::size_t MaxLastCalledSites = 0;
  std::vector<std::string> DomainCookiesAllowed;
};

// The request rules as the settings give them.
TRequestRules RequestRulesOf(const TSettingsValues& settings);

// The proxy's request events: header rewriting, the counters and the recent pages.
// The handlers run on the connection threads, several at once; everything else on
// the thread that created the object, which runs the Qt event loop. Display
// refreshes are gathered and handed to onRefresh on that thread.
class TRequestEvents {
public:
  // Refreshes asked for by connection threads are gathered for this long.
  static constexpr std::chrono::milliseconds StatisticsRefreshDelay{250};

  explicit TRequestEvents(std::function<void()> onRefresh);
  ~TRequestEvents();
  TRequestEvents(const TRequestEvents&) = delete;
  TRequestEvents& operator=(const TRequestEvents&) = delete;

  // Assigns the handlers below to the server's events.
  void Bind(THTTPProxyServer& server);
  void SetRules(TRequestRules rules);

  // The counters, taken and replaced under the lock.
  TStatistics Statistics() const;
  void SetStatistics(const TStatistics& statistics);
  // One completed download of bytes: "TotalDownloads" and "TotalBytesInDownloads".
  void AddCompletedDownload(std::int64_t bytes);
  // A copy of the recent pages, newest first.
  std::vector<std::string> LastCalledSites() const;
  void ClearLastCalledSites();

  // The cookie rule: false for an empty host or one that contains an allowed
  // domain (case counts), true otherwise.
  bool IsCookieBlocked(std::string_view host) const;
  // The request log's sink: it records nothing. It is given the maker of its text
  // rather than the text, so that a request does not build what nobody reads.
  template <typename TMakeText> void AddLog([[maybe_unused]] const TMakeText& makeText) {}
  // Inserts at the top of the recent list and trims it to MaxLastCalledSites.
  void AddLastCalledSite(const std::string& address);

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
  enum class TRequestKind { Get, Post, Head };

  // A request reads the rules once, so that it sees one set of switches throughout.
  void RewriteRequest(THTTPProxyServer& server, TRequestKind kind, TURI& uri, THeaderList& headers);
  void AddLastCalledSite(const TRequestRules& rules, const std::string& address);
  void CountRequest(const TRequestRules& rules, std::uint32_t TStatistics::*counter,
                    const std::string& address);
  // Posts one refresh to the main thread unless one is already on its way.
  void RequestStatisticsRefresh();

  std::function<void()> FOnRefresh;
  THTTPProxyServer* FServer = nullptr;
  std::unique_ptr<QObject> FMainThread; // target of refreshes posted from connection threads
  const std::string FBlockedReferer;    // the Referer sent while BlockReferer is on
  TSnapshot<TRequestRules> FRules;

  mutable std::mutex FLock; // guards FStatistics and FLastCalledSites
  TStatistics FStatistics;
  // Newest first; a deque, so that adding at the top and trimming the end take the
  // lock for the same short time whatever the maximum.
  std::deque<std::string> FLastCalledSites;
  std::atomic<bool> FRefreshPending{false};
};
