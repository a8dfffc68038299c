// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <ifaddrs.h>
#include <net/if.h>

std::optional<std::vector<TInterfaceState>> TSystemNetworkInterfaces::Read() const {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0)
    return std::nullopt;
  std::vector<TInterfaceState> interfaces;
  // getifaddrs lists an interface once per address family; the flags are the same in each.
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_name == nullptr)
      continue;
    const std::string name = entry->ifa_name;
    if (std::any_of(interfaces.begin(), interfaces.end(),
                    [&](const TInterfaceState& known) { return known.Name == name; }))
      continue;
    const unsigned index = if_nametoindex(entry->ifa_name);
    // Gone between the two calls.
    if (index == 0)
      continue;
    interfaces.push_back(
        {name, index, (entry->ifa_flags & IFF_UP) != 0, (entry->ifa_flags & IFF_RUNNING) != 0});
  }
  freeifaddrs(list);
  return interfaces;
}
