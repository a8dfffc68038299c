// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/ProfilesIni.h"

#include <map>
#include <optional>
#include <string>

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

using TSections = std::map<std::string, std::map<std::string, std::string>, std::less<>>;

// Section and key names compare exactly, as the browser's own reader does; the
// first occurrence of a key wins.
TSections ParseSections(std::string_view text) {
  TSections sections;
  std::map<std::string, std::string>* current = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#')
      continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      current = close == std::string_view::npos ? nullptr
                                                : &sections[std::string(line.substr(1, close - 1))];
      continue;
    }
    const std::size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos)
      continue;
    current->try_emplace(std::string(TrimBlanks(line.substr(0, equals))),
                         std::string(TrimBlanks(line.substr(equals + 1))));
  }
  return sections;
}

std::optional<std::string> Value(const std::map<std::string, std::string>& section,
                                 const char* key) {
  const auto found = section.find(key);
  if (found == section.end())
    return std::nullopt;
  return found->second;
}

} // namespace

std::vector<std::filesystem::path> ProfileFolders(std::string_view profilesIni,
                                                  const std::filesystem::path& root) {
  const TSections sections = ParseSections(profilesIni);
  std::vector<std::filesystem::path> folders;
  for (int n = 0;; ++n) {
    const auto section = sections.find("Profile" + std::to_string(n));
    if (section == sections.end())
      break;
    const auto isRelative = Value(section->second, "IsRelative");
    if (!isRelative)
      break;
    const auto path = Value(section->second, "Path");
    if (!path || path->empty())
      continue;
    folders.push_back(*isRelative == "1" ? root / *path : std::filesystem::path(*path));
  }
  return folders;
}
