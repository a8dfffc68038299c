// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One upstream proxy of the pool.
struct TQuorvaneServerListEntry {
  // Response times and failure levels stay within their stored widths.
  static constexpr std::uint16_t MaxResponseTime = 65535;
  static constexpr std::uint8_t MaxFailureLevel = 255;

  bool Enabled = true;
  std::string Host; // as entered, without port
  std::uint16_t Port = 8080;
  // Milliseconds of the last successful check; 0 after a failed one; 1 for a new entry.
  std::uint16_t ResponseTime = 1;
  // 1 after adding and after each success; each failed check adds 1.
  std::uint8_t FailureLevel = 1;
  // Learnt by the check, not stored: the proxy answered CONNECT with an error.
  bool RefusesConnect = false;

  bool operator==(const TQuorvaneServerListEntry&) const = default;
};

// The list owns its entries; checks hold them weakly, so a result finds its entry
// by identity and is dropped once the entry is gone.
using TProxyEntryPtr = std::shared_ptr<TQuorvaneServerListEntry>;
