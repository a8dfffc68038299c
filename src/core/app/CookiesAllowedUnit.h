// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TUserInterface;

// The edit rules of the allowed-cookie domain list, shared by the dialog and tests.

// Lower-cases text and appends it; an empty text changes nothing; a domain already
// listed (any letter case) shows "Die Domain existiert bereits." and returns false.
bool AddCookiesAllowedDomain(std::vector<std::string>& domains, std::string_view text,
                             TUserInterface& userInterface);
// Lower-cases text and replaces entry index (no duplicate test); an empty text or
// an index past the end changes nothing.
bool ChangeCookiesAllowedDomain(std::vector<std::string>& domains, std::size_t index,
                                std::string_view text);
