// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pool/ProxyCheckClassUnit.h"

#include <string>
#include <vector>

// One proxy handed out, as the history keeps it.
struct TUsedProxyEntries {
  std::string Host;
  std::int32_t ResponseTime = 0;
};
using TProxyArray = std::vector<TUsedProxyEntries>;

// The pick of SelectProxy; an empty host means no proxy is usable.
struct TProxySelection {
  std::string Host;
  std::uint16_t Port = 8080;
  std::uint16_t ResponseTime = 0;
  TProxyEntryPtr Entry; // the picked entry; none with an empty host
};

// The pool object of the program: the list, its checks, and the choice of the
// upstream proxy in use.
class TProxyManager : public TProxyCheckClass {
public:
  using TProxyCheckClass::TProxyCheckClass;

  // The fastest enabled, reachable entry that is neither currentHost nor recently
  // used; when each is one of those, the slowest of them; the pick joins the history.
  TProxySelection SelectProxy(const std::string& currentHost);
  // Whether host was handed out before. Forgets the history when it holds six or
  // more and a faster proxy than responseTime was among them.
  bool IsRecentlyUsed(const std::string& host, std::int32_t responseTime);
  const TProxyArray& UsedProxies() const { return FUsedProxies; }
  // The entry with this host, if listed.
  TProxyEntryPtr Find(const std::string& host) const;

private:
  static constexpr std::size_t HistoryLimit = 5; // more than this may be forgotten
  TProxyArray FUsedProxies;
};
