// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/BrowserFiles.h"

#include "platform/AtomicFile.h"

#include <fstream>
#include <iterator>

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    return std::nullopt;
  return content;
}

bool SaveTextFile(const std::filesystem::path& path, std::string_view content) {
  return WriteFileAtomically(path, content) == 0;
}

std::vector<std::string> ProxyParts(std::string_view list) {
  std::vector<std::string> parts;
  while (true) {
    const std::size_t semicolon = list.find(';');
    parts.emplace_back(list.substr(0, semicolon));
    if (semicolon == std::string_view::npos)
      return parts;
    list.remove_prefix(semicolon + 1);
  }
}
