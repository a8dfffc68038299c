// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The edit of the file types whose downloads the browser add-on hands to the
// download manager (stored by the download manager's keys).
namespace AddOnDownloadSettings {

// The edit's text as it is stored: without blanks, in upper case.
std::string NormalizeFileExtensions(std::string_view text);

} // namespace AddOnDownloadSettings
