// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The controller's texts, with the product name put in for "%s".
namespace MainTexts {

std::string BindError();
std::string Via();
std::string ActiveStatus(int port);
std::string InactiveStatus();
// The rewritten "Referer": "blocked_by_Quorvane_1.20_" and the home page.
std::string BlockedReferer();
std::string AlreadyRunning();

inline constexpr std::string_view ProxyIPEditDefault = "192.168.168.255";
inline constexpr std::string_view ClearStatisticsQuestion =
    "Möchten Sie die Statistik wirklich auf 0 zurücksetzen?";
inline constexpr std::string_view EntryExistsOrInvalid =
    "Dieser Eintrag existiert bereits oder ist ungültig.";
inline constexpr std::string_view AddUrlCaption = "Seite (URL) hinzufügen";
inline constexpr std::string_view EditUrlCaption = "Seite (URL) ändern";
inline constexpr std::string_view UrlPrompt = "Seite (URL) oder Begriff in der URL:";
inline constexpr std::string_view UrlExceptionsPrompt =
    "soll nicht enthalten (pro Zeile ein Begriff):";
inline constexpr std::string_view Add2BlockedCaption = "Seite in zu blockierende Inhalte aufnehmen";
inline constexpr std::string_view Add2BlockedPrompt = "Seite/Wort:";
inline constexpr std::string_view NoUpstreamProxy = "keiner";
inline constexpr std::string_view NewProxyCaption = "Neuer Proxy";
inline constexpr std::string_view NewProxyPrompt = "Proxy (jeweils ein Proxy pro Zeile): ";
inline constexpr std::string_view ProxyUnreachableQuestion = "Proxy nicht erreichbar, löschen?";
inline constexpr std::string_view TestDone = "Fertig.";
inline constexpr std::string_view ProxyListFilter = "Text-Dateien|*.txt";

} // namespace MainTexts
