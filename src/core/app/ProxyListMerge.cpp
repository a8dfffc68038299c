// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProxyListMerge.h"

#include "common/AsciiText.h"

#include <charconv>
#include <set>

namespace ProxyListMerge {

namespace {

constexpr std::uint16_t DefaultPort = 8080;

bool Blank(char c) {
  return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && Blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && Blank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::uint16_t PortOf(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
    return DefaultPort;
  return static_cast<std::uint16_t>(value);
}

} // namespace

std::optional<std::string> ProxyListLine(const std::vector<std::string>& updateLstLines) {
  for (const std::string& raw : updateLstLines) {
    const std::string_view line = Trimmed(raw);
    const std::size_t separator = line.find_last_of("/\\");
    const std::string_view name =
        separator == std::string_view::npos ? line : line.substr(separator + 1);
    if (SameTextASCII(name, ProxyListName))
      return std::string(line);
  }
  return std::nullopt;
}

std::vector<TNewProxy> ProxiesToAdd(const std::vector<std::string>& existingHosts,
                                    const std::vector<std::string>& lines) {
  std::set<std::string, std::less<>> listed(existingHosts.begin(), existingHosts.end());
  std::vector<TNewProxy> added;
  for (const std::string& raw : lines) {
    const std::string_view line = Trimmed(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';')
      continue;
    const std::size_t colon = line.find(':');
    const std::string_view host = line.substr(0, colon);
    if (host.empty() || listed.contains(host))
      continue;
    std::string_view port;
    if (colon != std::string_view::npos) {
      port = line.substr(colon + 1);
      port = port.substr(0, port.find(':'));
    }
    listed.emplace(host);
    added.push_back({std::string(host), PortOf(port)});
  }
  return added;
}

std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      start = i + 1;
    }
  }
  if (start < text.size())
    lines.emplace_back(text.substr(start));
  return lines;
}

} // namespace ProxyListMerge
