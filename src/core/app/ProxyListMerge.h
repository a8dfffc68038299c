// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The pure half of merging the proxy list that an online update delivers.
namespace ProxyListMerge {

inline constexpr std::string_view ProxyListName = "quorvane.lst";
inline constexpr std::string_view InstalledFilesName = "update.lst";

// The first line of "update.lst" whose file name (what follows the last "/" or "\")
// is "quorvane.lst" in any letter case; the line as written, trimmed.
std::optional<std::string> ProxyListLine(const std::vector<std::string>& updateLstLines);

struct TNewProxy {
  std::string Host;
  std::uint16_t Port = 0;
  bool operator==(const TNewProxy&) const = default;
};

// The proxies that lines of the proxy-line syntax add to a pool that lists
// existingHosts: blanks and control characters trimmed; empty lines and lines
// starting with "#" or ";" skipped; host before the first ":", port after it (a
// number from 1 to 65535, else 8080); a line with an empty host skipped; a host
// listed already, or earlier in lines, skipped (hosts compare case-sensitively).
std::vector<TNewProxy> ProxiesToAdd(const std::vector<std::string>& existingHosts,
                                    const std::vector<std::string>& lines);

// Text split into lines at "\n", "\r\n" or "\r".
std::vector<std::string> TextLines(std::string_view text);

} // namespace ProxyListMerge
