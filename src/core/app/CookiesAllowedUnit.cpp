// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CookiesAllowedUnit.h"

#include <algorithm>

#include "app/UserInterface.h"

namespace {

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
  return lower;
}

}  // namespace

bool AddCookiesAllowedDomain(std::vector<std::string>& domains, std::string_view text,
                             TUserInterface& userInterface) {
  if (text.empty()) return false;
  std::string domain = LowerCase(text);
  const bool listed = std::any_of(domains.begin(), domains.end(),
                                  [&](const std::string& entry) { return LowerCase(entry) == domain; });
  if (listed) {
    userInterface.ShowMessageBox("Die Domain existiert bereits.", {}, TMsgKind::Error, TMsgButtons::OK);
    return false;
  }
  domains.push_back(std::move(domain));
  return true;
}

bool ChangeCookiesAllowedDomain(std::vector<std::string>& domains, std::size_t index, std::string_view text) {
  if (text.empty() || index >= domains.size()) return false;
  domains[index] = LowerCase(text);
  return true;
}
