// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);
// Replaces the file atomically, keeping its mode. False on failure.
bool SaveTextFile(const std::filesystem::path& path, std::string_view content);
// The ";"-separated parts of a proxy list.
std::vector<std::string> ProxyParts(std::string_view list);
