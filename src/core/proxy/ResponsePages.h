// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// "Tue, 05 Mar 2024 14:07:09 GMT" for the given moment, whatever the locale.
std::string HTTPDate(std::time_t moment);
// Text made safe to stand inside HTML: < > & " ' become entities.
std::string EscapeHTML(std::string_view text);
