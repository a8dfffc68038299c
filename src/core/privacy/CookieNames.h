// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privacy/DestroyerOptions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Cookie names and the keep-list. A cookie's name is its domain as the browser
// stores it: the first field of a cookies.txt line, the host of a Firefox cookie row
// or the host key of a Chromium cookie row, with a leading dot where it has one.

// Whole-name comparison without regard to letter case.
bool IsCookieKept(std::string_view name, const TCookieKeepList& keep);

// The names of a cookies.txt: the first field of every line that does not begin
// with "#" and holds a tab.
void AddCookiesTxtNames(std::string_view content, std::vector<std::string>& names);

struct TCookiesTxtFilter {
  std::string Content; // the lines kept, each ended by "\n"
  std::uint64_t DroppedLines = 0;
  std::uint64_t DroppedBytes = 0;
};
// Keeps comment lines, lines without a tab and cookies whose name is kept.
TCookiesTxtFilter FilterCookiesTxt(std::string_view content, const TCookieKeepList& keep);

// Sorted without regard to letter case, each name once (the first spelling wins).
void SortCookieNames(std::vector<std::string>& names);

// The dialog's source list: found names less those the keep-list holds.
std::vector<std::string> WithoutKept(const std::vector<std::string>& found,
                                     const TCookieKeepList& keep);
