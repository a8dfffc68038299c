// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

// The profile folders a Mozilla "profiles.ini" names, read the way the browser
// reads it: sections "Profile0", "Profile1", ... in turn up to the first one
// without "IsRelative"; a section without "Path" is skipped; a relative path
// ("IsRelative=1") is below `root`, the folder holding the file. "[Install…]" and
// "[General]" sections name no profiles.
std::vector<std::filesystem::path> ProfileFolders(std::string_view profilesIni,
                                                  const std::filesystem::path& root);
