// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privacy/DestroyerReport.h"

#include <filesystem>
#include <sys/types.h>
#include <vector>

// GetTempFolder: the temporary folder to clean, $TMPDIR or else /tmp. For root only
// an explicit $TMPDIR other than /tmp: a shared /tmp holds every user's files.
// Empty when there is nothing this user may clean.
std::filesystem::path GetTempFolder();

// Empties the temporary folder on a shared system's terms: only plain files and
// folders that owner owns, never sockets, pipes, devices or links, never a lock file
// a running program holds, never a folder of excluded (the program's own runtime
// folder). Emptied sub folders are removed deepest first; temp itself stays.
TCleanTally ClearTempFolder(const std::filesystem::path& temp, uid_t owner,
                            const std::vector<std::filesystem::path>& excluded, bool dryRun);
