// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Protocol words, header names, registry names and filter terms: ASCII letters
// compare without regard to case, every other byte as it is.
constexpr char LowerASCII(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string LowerCaseASCII(std::string_view text);
bool SameTextASCII(std::string_view a, std::string_view b);
// Position of needle in haystack at or after from, or npos; needle must be lower case.
std::size_t FindLowered(std::string_view haystack, std::string_view loweredNeedle,
                        std::size_t from = 0);
bool ContainsText(std::string_view haystack, std::string_view needle);

// Cuts text at every delimiter; the piece after the last one is always kept, even
// when empty ("a&&!" gives "a" and ""; "" gives one empty piece). An empty
// delimiter gives the whole text as one piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter);
