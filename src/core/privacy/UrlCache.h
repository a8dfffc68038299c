// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The URL cache of the system's own browser: entries with a source URL and type
// bits. A Linux desktop has none, so the store starts empty; tests seed it.
struct TUrlCacheEntry {
  std::string SourceUrl;
  std::uint32_t Type = 0;
};

namespace UrlCacheType {
inline constexpr std::uint32_t Normal = 0x1;
inline constexpr std::uint32_t Stable = 0x2;
inline constexpr std::uint32_t Sticky = 0x4;
inline constexpr std::uint32_t TrackOffline = 0x10;
inline constexpr std::uint32_t TrackOnline = 0x20;
inline constexpr std::uint32_t Sparse = 0x10000;
inline constexpr std::uint32_t Ocx = 0x20000;
inline constexpr std::uint32_t Cookie = 0x100000;
inline constexpr std::uint32_t UrlHistory = 0x200000;
} // namespace UrlCacheType

class TUrlCache {
public:
  std::vector<TUrlCacheEntry>& Entries() { return FEntries; }
  const std::vector<TUrlCacheEntry>& Entries() const { return FEntries; }

private:
  std::vector<TUrlCacheEntry> FEntries;
};

// A cookie entry's name: its source URL after the first "@", less one trailing "/"
// (the whole URL when it holds no "@").
std::string UrlCacheCookieName(const std::string& sourceUrl);
