// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/PopupKillerURLEdit.h"

#include "common/AsciiText.h"

#include <algorithm>

bool URLEditNew(std::vector<std::string>& list, const std::optional<std::string>& answer) {
  if (!answer || answer->empty() ||
      std::any_of(list.begin(), list.end(),
                  [&](const std::string& entry) { return SameTextASCII(entry, *answer); }))
    return false;
  list.push_back(*answer);
  return true;
}

bool URLEditChange(std::vector<std::string>& list, std::size_t index,
                   const std::optional<std::string>& answer) {
  if (!answer || index >= list.size())
    return true;
  if (answer->empty())
    return false;
  list[index] = *answer;
  return true;
}
