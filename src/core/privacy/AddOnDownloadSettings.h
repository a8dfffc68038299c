// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

class TRegistry;

// The file types whose downloads the browser add-on hands to the download manager:
// "FileExtensions" of "Downloadmanager\Settings", comma-separated. The program only
// shows and writes it; the add-on reads it.
namespace AddOnDownloadSettings {

inline constexpr std::string_view DefaultFileExtensions =
    ".EXE,.ZIP,.ACE,.RAR,.ARJ,.BIN,.TZ,.GZ,.Z,.TAR,.LZH,.TGZ,.MP3,.Z01,.Z02,.Z03,.R01,.R02,.R03,"
    ".R04,.R05,.A01,.A02,.A03";

std::string LoadFileExtensions(TRegistry& registry);
void SaveFileExtensions(TRegistry& registry, std::string_view text);
// The edit's text as it is stored: without blanks, in upper case.
std::string NormalizeFileExtensions(std::string_view text);

} // namespace AddOnDownloadSettings
