// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The trace cleaner's messages, shown in error boxes.
namespace DestroyerTexts {
extern const std::string_view MessengerFailed;
extern const std::string_view RecycleMissing;
extern const std::string_view OperaCookiesFailed;
extern const std::string_view NetscapeCookiesFailed;
extern const std::string_view OperaHistoryFailed;
extern const std::string_view NetscapeHistoryFailed;
extern const std::string_view NetscapeAutoCompleteFailed;
extern const std::string_view OperaPasswordsFailed;
extern const std::string_view ChromiumCookiesFailed;
extern const std::string_view ChromiumHistoryFailed;
extern const std::string_view ChromiumAutoCompleteFailed;
} // namespace DestroyerTexts
