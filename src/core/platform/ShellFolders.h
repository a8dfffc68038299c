// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Registry.h"

#include <string>
#include <string_view>

// The per-user "Shell Folders" key, seeded on first use with the XDG folders:
// "AppData" = $XDG_DATA_HOME (default ~/.local/share), "Personal" = the XDG
// documents folder. Values a user or another program has set are kept.
inline constexpr std::string_view ShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr std::string_view ShellFolderAppData = "AppData";
inline constexpr std::string_view ShellFolderPersonal = "Personal";

// The folder stored under name; empty when the hive cannot be read.
std::string ShellFolder(TRegistry& registry, std::string_view name);
