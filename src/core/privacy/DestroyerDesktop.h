// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Registry.h"
#include "privacy/DestroyerReport.h"

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The desktop's traces: the recently-used lists, the file dialogs' history, the
// network places, the trash and the registry lists.

// An XBEL bookmark list (recently-used.xbel, GTK's servers) emptied; the file
// stays, with its mode, and is replaced atomically. Items are its bookmarks.
TCleanTally EmptyXbel(const std::filesystem::path& file, bool dryRun);

// The keys removed from section of an ini-style file (Qt's and GTK's file dialog
// settings); the file stays, rewritten atomically, when a key was there.
TCleanTally DropIniKeys(const std::filesystem::path& file, std::string_view section,
                        std::initializer_list<std::string_view> keys, bool dryRun);
// The same on an ini text: what it reads without those keys.
std::string WithoutIniKeys(std::string_view content, std::string_view section,
                           std::initializer_list<std::string_view> keys, std::size_t& dropped);

// The mount points of /proc/self/mountinfo (its fifth field, octal escapes undone).
std::vector<std::filesystem::path> MountPoints(std::string_view mountinfo);

// The trash folders of user uid: the home trash and, for each mount point,
// "$top/.Trash/$uid" and "$top/.Trash-$uid".
std::vector<std::filesystem::path> TrashFolders(const std::filesystem::path& dataHome, uid_t uid,
                                                const std::vector<std::filesystem::path>& mounts);

// Empties the trash folders: the content of their "files", "info" and "expunged"
// folders goes; the folders stay.
TCleanTally EmptyTrash(const std::vector<std::filesystem::path>& trashFolders, bool dryRun);

// ClearRegistryList: every sub key and every value of key\name goes; the key stays.
TCleanTally ClearRegistryList(TRegistry& registry, TRootKey root, std::string_view key,
                              std::string_view name, bool dryRun);
