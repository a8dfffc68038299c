// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pool/ProxyListEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "proxies.dat": a little-endian signed 32-bit format number (written as 256, ignored
// when read), then one record per entry: Enabled (1 byte), Port (2), ResponseTime (2),
// host length N (signed 4), the host's N bytes, FailureLevel (1).
inline constexpr std::int32_t ProxyFileFormatNumber = 256;

struct TProxyFileContents {
  std::vector<TQuorvaneServerListEntry> Entries;
  // Records left out in administrator mode (FailureLevel above 2).
  bool Purged = false;
  // The bytes ended inside a record or held an impossible host length; the records
  // before it are kept.
  bool Damaged = false;
};

TProxyFileContents ParseProxyFile(std::string_view bytes, bool adminMode);
std::string SerializeProxyFile(const std::vector<TProxyEntryPtr>& entries);
