// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

// Files are replaced whole: the content goes to a temporary file in the same
// folder, is flushed to disk and then renamed over the target, so a reader or a
// crash sees the old file or the new one, never a half-written one.

// Returns 0 or the errno of the step that failed. An existing file keeps its mode.
int WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Copies source to target unless target exists (then EEXIST). Returns 0 or an errno.
int CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target);
