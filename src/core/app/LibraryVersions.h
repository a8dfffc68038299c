// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

struct TLibraryVersion {
  std::string Name;
  std::string Version;
};

// The libraries the program runs on, with the versions loaded at run time.
std::vector<TLibraryVersion> LibraryVersions();
