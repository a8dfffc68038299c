// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TAddOnHelper;
class TRegistry;

// The popup killer's keys, shared with the browser add-on, which reads the lists
// and options and writes back what it closed. Every function reads the registry
// afresh and writes at once; registry failures read as empty lists, 0 or "".

// HKCU keys of the popup killer and the download manager.
inline constexpr std::string_view PopupKillerKey = "Software\\Torvimsk Software\\PopupKiller";
inline constexpr std::string_view DownloadManagerKey =
    "Software\\Torvimsk Software\\Downloadmanager";

std::vector<std::string> LoadAllowedPopups(TRegistry& registry);
void SaveAllowedPopups(TRegistry& registry, const std::vector<std::string>& list);
std::vector<std::string> LoadBlockedPopupURLs(TRegistry& registry);
void SaveBlockedPopupURLs(TRegistry& registry, const std::vector<std::string>& list);
// The pages of the popups the add-on closed last.
std::vector<std::string> LoadKilledURLs(TRegistry& registry);
// "Killed" of "Statistics": the popups closed so far.
std::uint32_t KilledPopupCount(TRegistry& registry);
std::string LoadSoundFileName(TRegistry& registry);
void SaveSoundFileName(TRegistry& registry, std::string_view path);

// At load: the sound "pkclose.wav" from the program's folder when none is set, and
// the two lists with their first entries when neither holds an entry "0".
void SeedPopupKillerDefaults(TRegistry& registry, const std::string& programFolder);

// The page a popup came from, as an entry of the allowed list: a URL whose last
// segment is a file name ("a.b") loses that segment and its "/"; a URL of a host
// alone, or one ending in "/", stays as it is.
std::string SiteOfURL(std::string_view url);
// "Zu erlaubten Seiten hinzufügen", applied: the site of each collected page joins
// the allowed list unless the list holds it already (letter case aside).
void AllowKilledPages(TRegistry& registry, const std::vector<std::string>& collected);

// Off unless the add-on is available and registered; then "Enabled" of Options.
bool IsPopupKillerEnabled(TRegistry& registry, const TAddOnHelper& addOn);
bool IsDownloadManagerEnabled(TRegistry& registry, const TAddOnHelper& addOn);
// Registers the add-on while either feature is on and stores "Enabled"; false,
// with nothing stored, when the add-on is not available.
bool SetPopupKillerEnabled(TRegistry& registry, const TAddOnHelper& addOn, bool enable);
bool SetDownloadManagerEnabled(TRegistry& registry, const TAddOnHelper& addOn, bool enable);
