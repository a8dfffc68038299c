// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyLine.h"

#include <charconv>

namespace {

bool BlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && BlankOrControl(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && BlankOrControl(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

} // namespace

std::optional<TProxyLine> ParseProxyLine(std::string_view line) {
  line = Trimmed(line);
  if (line.empty() || line.front() == '#' || line.front() == ';') {
    return std::nullopt;
  }
  TProxyLine result;
  const std::size_t colon = line.find(':');
  result.Host = std::string(line.substr(0, colon));
  if (colon != std::string_view::npos) {
    const std::string_view rest = line.substr(colon + 1);
    result.PortText = std::string(rest.substr(0, rest.find(':')));
  }
  if (result.Host.empty()) {
    return std::nullopt;
  }
  return result;
}

std::uint16_t ProxyPortOf(std::string_view portText) {
  if (!portText.empty() && portText.front() == '+') {
    portText.remove_prefix(1);
  }
  int value = 0;
  const auto [end, error] =
      std::from_chars(portText.data(), portText.data() + portText.size(), value);
  if (portText.empty() || error != std::errc() || end != portText.data() + portText.size() ||
      value < 1 || value > 65535) {
    return DefaultProxyPort;
  }
  return static_cast<std::uint16_t>(value);
}
