// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Increments reported through OnHTTPStatistics; usually one of them is non-zero.
struct TProxyStatistics {
  std::int64_t BlockedCookies = 0;
  std::int64_t BlockedActiveX = 0;
  std::int64_t BlockedFlash = 0;
  std::int64_t BlockedExeFiles = 0;
  std::int64_t BlockedJavaScript = 0;
  std::int64_t Bytes = 0;
  std::int64_t BlockedURLS = 0;
};

// One of the counters above.
using TProxyCounter = std::int64_t TProxyStatistics::*;
