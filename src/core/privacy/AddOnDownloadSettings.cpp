// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/AddOnDownloadSettings.h"

namespace AddOnDownloadSettings {

std::string NormalizeFileExtensions(std::string_view text) {
  std::string normal;
  for (const char c : text) {
    if (c == ' ')
      continue;
    normal += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return normal;
}

} // namespace AddOnDownloadSettings
