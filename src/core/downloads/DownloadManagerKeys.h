// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "downloads/DownloadState.h"

#include <string>
#include <string_view>
#include <vector>

class TRegistry;

// The download manager's keys below HKCU, shared with the browser add-on. Registry
// failures are swallowed: the functions then read defaults and write nothing.
namespace DownloadManagerKeys {
inline constexpr std::string_view Root = "Software\\Torvimsk Software\\Downloadmanager";
inline constexpr std::string_view Files = "Software\\Torvimsk Software\\Downloadmanager\\Files";
inline constexpr std::string_view Files2Download =
    "Software\\Torvimsk Software\\Downloadmanager\\Files2Download";
inline constexpr std::string_view Settings =
    "Software\\Torvimsk Software\\Downloadmanager\\Settings";
inline constexpr std::string_view Options = "Software\\Torvimsk Software\\Downloadmanager\\Options";
inline constexpr std::string_view DefaultFileExtensions =
    ".EXE,.ZIP,.ACE,.RAR,.ARJ,.BIN,.TZ,.GZ,.Z,.TAR,.LZH,.TGZ,.MP3,.Z01,.Z02,.Z03,.R01,.R02,.R03,"
    ".R04,.R05,.A01,.A02,.A03";
} // namespace DownloadManagerKeys

// The stored list in order; empty, damaged and repeated records are skipped.
std::vector<TDownloadRecord> ReadStoredDownloads(TRegistry& registry);

std::string LoadFileExtensions(TRegistry& registry);
void SaveFileExtensions(TRegistry& registry, std::string_view text);
void AddPendingURL(TRegistry& registry, const std::string& url);
void RemovePendingURL(TRegistry& registry, const std::string& url);
bool IsPendingURL(TRegistry& registry, const std::string& url);
// The stored switch "Enabled" of Options (default off), without the add-on's
// registration, which the popup killer's side checks.
bool DownloadManagerEnabledValue(TRegistry& registry);
// Whether the add-on hands over a download of this URL: its file name's extension
// (from the last ".") is one of the comma-separated list, ignoring ASCII case.
bool ExtensionIsListed(const std::string& url, const std::string& extensions);
