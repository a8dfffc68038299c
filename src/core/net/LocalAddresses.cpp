// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/LocalAddresses.h"

#include <algorithm>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string_view>

std::vector<std::string> GetLocalIPList() {
  std::vector<std::string> addresses;
  std::vector<std::string> v6Addresses;
  std::vector<std::string_view> interfacesSeen;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) == 0) {
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
      if (!entry->ifa_addr) {
        continue;
      }
      if (entry->ifa_addr->sa_family == AF_INET6) {
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0) {
          continue;
        }
        char text[INET6_ADDRSTRLEN] = "";
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr,
                    text, sizeof text);
        v6Addresses.emplace_back(text);
        continue;
      }
      if (entry->ifa_addr->sa_family != AF_INET) {
        continue;
      }
      // Only the first address of each interface counts.
      if (std::find(interfacesSeen.begin(), interfacesSeen.end(), entry->ifa_name) !=
          interfacesSeen.end()) {
        continue;
      }
      interfacesSeen.emplace_back(entry->ifa_name);
      char text[INET_ADDRSTRLEN] = "";
      ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr, text,
                  sizeof text);
      addresses.emplace_back(text);
    }
    ::freeifaddrs(list);
  }
  addresses.emplace_back("127.0.0.1");
  addresses.insert(addresses.end(), v6Addresses.begin(), v6Addresses.end());
  addresses.emplace_back("::1");
  return addresses;
}
