// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The popup killer's and the add-on's captions and messages.
namespace PopupKillerTexts {

inline constexpr std::string_view AddOnMissing =
    "Die DLL qhelper.dll wurde im Quorvane Ordner nicht gefunden, das Nichtvorhandensein der DLL "
    "kann zur Programmabstürzen führen.";
inline constexpr std::string_view Activate = "Popup Killer aktivieren";
inline constexpr std::string_view Deactivate = "Popup Killer deaktivieren";
inline constexpr std::string_view SubMenu = "Popup Killer";
inline constexpr std::string_view AllowedPopupsCaption = "Erlaubte Popups";
inline constexpr std::string_view BlockedURLsCaption = "Seiten verbieten";
inline constexpr std::string_view LastBlockedCaption = "Die 20 zuletzt blockierten Seiten";
inline constexpr std::string_view LastBlockedItem = "Die 20 zuletzt blockierten Seiten...";
inline constexpr std::string_view KilledPopups = "Gekillte Popups:";
inline constexpr std::string_view EntryExistsOrInvalid =
    "Dieser Eintrag existiert bereits oder ist ungültig.";
inline constexpr std::string_view AddURLCaption = "Seite (URL) hinzufügen";
inline constexpr std::string_view EditURLCaption = "Seite (URL) ändern";
inline constexpr std::string_view URLPrompt = "Seite (URL) oder Wort in der URL:";
inline constexpr std::string_view DownloadManagerItem = "Downloadmanager aktivieren/deaktivieren";

} // namespace PopupKillerTexts
