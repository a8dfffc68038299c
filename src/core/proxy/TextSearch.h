// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Substring tests of the filters: ASCII letters compare without regard to case,
// every other byte as it is.
std::string LowerCaseASCII(std::string_view text);
// Position of needle in haystack at or after from, or npos; needle must be lower case.
std::size_t FindLowered(std::string_view haystack, std::string_view loweredNeedle, std::size_t from = 0);
bool ContainsText(std::string_view haystack, std::string_view needle);

// Cuts text at every delimiter; the piece after the last one is always kept, even
// when empty ("a&&!" gives "a" and ""; "" gives one empty piece).
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter);
