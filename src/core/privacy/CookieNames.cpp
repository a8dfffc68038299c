// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/CookieNames.h"

#include "common/AsciiText.h"

#include <algorithm>

namespace {

// Calls visit for each line of content, without its "\n".
template <typename TVisit> void ForEachLine(std::string_view content, TVisit visit) {
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    visit(content.substr(0, end));
    if (end == std::string_view::npos)
      break;
    content.remove_prefix(end + 1);
  }
}

bool LessText(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerASCII(x) < LowerASCII(y); });
}

} // namespace

bool IsCookieKept(std::string_view name, const TCookieKeepList& keep) {
  return std::any_of(keep.begin(), keep.end(),
                     [&](const std::string& entry) { return SameTextASCII(entry, name); });
}

void AddCookiesTxtNames(std::string_view content, std::vector<std::string>& names) {
  ForEachLine(content, [&](std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (!line.starts_with('#') && tab != std::string_view::npos)
      names.emplace_back(line.substr(0, tab));
  });
}

TCookiesTxtFilter FilterCookiesTxt(std::string_view content, const TCookieKeepList& keep) {
  TCookiesTxtFilter result;
  result.Content.reserve(content.size());
  ForEachLine(content, [&](std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (line.starts_with('#') || tab == std::string_view::npos ||
        IsCookieKept(line.substr(0, tab), keep)) {
      result.Content.append(line);
      result.Content += '\n';
    } else {
      ++result.DroppedLines;
      result.DroppedBytes += line.size() + 1;
    }
  });
  return result;
}

void SortCookieNames(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), LessText);
  names.erase(
      std::unique(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return SameTextASCII(a, b); }),
      names.end());
}

std::vector<std::string> WithoutKept(const std::vector<std::string>& found,
                                     const TCookieKeepList& keep) {
  std::vector<std::string> source;
  for (const std::string& name : found) {
    if (!IsCookieKept(name, keep))
      source.push_back(name);
  }
  return source;
}
