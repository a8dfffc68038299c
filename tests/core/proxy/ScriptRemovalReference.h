// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AsciiText.h"

#include <algorithm>
#include <cstdint>
#include <string>

// The script rule over a whole text, the slow and obvious way: while "<script" occurs,
// cut from the first one through the character after the next "</script" and look
// again from the start; a start without an end leaves the rest as it is.
struct TScriptRemovalReference {
  std::string Text;
  bool Found = false;
  std::int64_t Removed = 0;
};

inline TScriptRemovalReference RemoveScriptsReference(std::string text) {
  TScriptRemovalReference result;
  for (std::size_t start; (start = FindLowered(text, "<script")) != std::string::npos;) {
    result.Found = true;
    const std::size_t end = FindLowered(text, "</script", start);
    if (end == std::string::npos) {
      break;
    }
    ++result.Removed;
    text.erase(start, std::min(text.size(), end + 9) - start);
  }
  result.Text = std::move(text);
  return result;
}
