// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text form of one proxy, shared by the add dialog, the import and the list
// update: "host", "host:port", further ":" parts ignored; "#" and ";" start comments.
struct TProxyLine {
  std::string Host;
  std::string PortText; // empty when the line has no ":"
};

// Blanks and control characters trimmed; nothing for an empty line, a comment, or a
// line whose host is empty.
std::optional<TProxyLine> ParseProxyLine(std::string_view line);

// The port a port text stands for: a decimal number from 1 to 65535, else 8080.
std::uint16_t ProxyPortOf(std::string_view portText);
inline constexpr std::uint16_t DefaultProxyPort = 8080;
