// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CookiesAllowedUnit.h"

#include "app/UserInterface.h"
#include "common/AsciiText.h"

#include <algorithm>

bool AddCookiesAllowedDomain(std::vector<std::string>& domains, std::string_view text,
                             TUserInterface& userInterface) {
  if (text.empty())
    return false;
  std::string domain = LowerCaseASCII(text);
  const bool listed = std::any_of(domains.begin(), domains.end(), [&](const std::string& entry) {
    return LowerCaseASCII(entry) == domain;
  });
  if (listed) {
    userInterface.ShowMessageBox("Die Domain existiert bereits.", {}, TMsgKind::Error,
                                 TMsgButtons::OK);
    return false;
  }
  domains.push_back(std::move(domain));
  return true;
}

bool ChangeCookiesAllowedDomain(std::vector<std::string>& domains, std::size_t index,
                                std::string_view text) {
  if (text.empty() || index >= domains.size())
    return false;
  domains[index] = LowerCaseASCII(text);
  return true;
}
