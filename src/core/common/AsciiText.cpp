// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AsciiText.h"

#include <algorithm>

std::string LowerCaseASCII(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), LowerASCII);
  return lowered;
}

bool SameTextASCII(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerASCII(x) == LowerASCII(y); });
}

std::size_t FindLowered(std::string_view haystack, std::string_view loweredNeedle,
                        std::size_t from) {
  if (loweredNeedle.empty() || from > haystack.size() ||
      haystack.size() - from < loweredNeedle.size()) {
    return std::string_view::npos;
  }
  const auto end = haystack.end();
  const auto found =
      std::search(haystack.begin() + static_cast<long>(from), end, loweredNeedle.begin(),
                  loweredNeedle.end(), [](char a, char b) { return LowerASCII(a) == b; });
  return found == end ? std::string_view::npos : static_cast<std::size_t>(found - haystack.begin());
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
  return FindLowered(haystack, LowerCaseASCII(needle)) != std::string_view::npos;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter) {
  if (delimiter.empty()) {
    return {std::string(text)};
  }
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(delimiter, start)) != std::string_view::npos;
       start = found + delimiter.size()) {
    pieces.emplace_back(text.substr(start, found - start));
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}
