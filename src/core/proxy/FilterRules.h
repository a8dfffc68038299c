// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "proxy/ProxyStatistics.h"

#include <string>
#include <string_view>
#include <vector>

// The blocking rules over a snapshot of their switches and lists, without a server.

// The blocked pages: entry i blocks every address containing Blocked[i] (ASCII case
// ignored) unless it contains one of the exceptions in Allowed[i], joined by "&&!".
struct TBlockList {
  std::vector<std::string> Blocked;
  std::vector<std::string> Allowed;
};

struct TFilterSwitches {
  bool BlockActiveX = false;
  bool BlockFlash = false;
  bool BlockExeFiles = false;
  bool BlockJavaScript = false;
};

// Entries "term&&!exception&&!exception", split at the first delimiter.
TBlockList MakeBlockList(const std::vector<std::string>& entries);
// False when the first entry whose term occurs in the address has no exception that does.
bool URLAllowed(const TBlockList& list, std::string_view uri);
// The counter of the first extension rule the request target matches; nullptr when none.
TProxyCounter BlockedExtension(const TFilterSwitches& switches, std::string_view target);
// The counter of the content-type rule the whole value matches exactly; nullptr when none.
TProxyCounter BlockedContentType(const TFilterSwitches& switches, std::string_view contentType);
