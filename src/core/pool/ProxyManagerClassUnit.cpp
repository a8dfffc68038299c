// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyManagerClassUnit.h"

#include <algorithm>

TProxySelection TProxyManager::SelectProxy(const std::string& currentHost) {
  TProxySelection result;
  for (const TProxyEntryPtr& entry : GetSortedList()) {
    if (!entry->Enabled || entry->ResponseTime == 0) {
      continue;
    }
    result.Host = entry->Host;
    result.Port = entry->Port;
    result.ResponseTime = entry->ResponseTime;
    result.Entry = entry;
    if (!currentHost.empty() && currentHost == entry->Host) {
      continue;
    }
    if (IsRecentlyUsed(entry->Host, entry->ResponseTime)) {
      continue;
    }
    FUsedProxies.push_back({entry->Host, entry->ResponseTime});
    break;
  }
  return result;
}

bool TProxyManager::IsRecentlyUsed(const std::string& host, std::int32_t responseTime) {
  const auto sameHost = [&host](const TUsedProxyEntries& used) { return used.Host == host; };
  if (std::any_of(FUsedProxies.begin(), FUsedProxies.end(), sameHost)) {
    return true;
  }
  const auto faster = [responseTime](const TUsedProxyEntries& used) {
    return used.ResponseTime < responseTime;
  };
  if (FUsedProxies.size() > HistoryLimit &&
      std::any_of(FUsedProxies.begin(), FUsedProxies.end(), faster)) {
    FUsedProxies.clear();
  }
  return false;
}

TProxyEntryPtr TProxyManager::Find(const std::string& host) const {
  const auto found = std::find_if(FList.begin(), FList.end(),
                                  [&host](const TProxyEntryPtr& e) { return e->Host == host; });
  return found == FList.end() ? nullptr : *found;
}
