// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The texts of the browser set-up, byte for byte.
namespace BrowserTexts {

inline constexpr std::string_view InternetExplorerRow = "Microsoft Internet Explorer";
inline constexpr std::string_view MozillaRow = "Firefox/Mozilla/Netscape 6/7";
inline constexpr std::string_view OperaRow = "Opera 7 oder neuer";
inline constexpr std::string_view ChromiumRow = "Chromium";

inline constexpr std::string_view Installed = "installiert";
inline constexpr std::string_view NotInstalled = "nicht installiert";
// "%s" is the program's name.
inline constexpr std::string_view InstallButton =
    "%s für die gewählten Browser jetzt installieren/deinstallieren";
inline constexpr std::string_view BrowserColumn = "Browser";
inline constexpr std::string_view StatusColumn = "Status";

inline constexpr std::string_view NoAppDataFolder =
    "Kann Ordner mit den Anwendungsdaten nicht finden. Sie müssen die Einstellungen manuell "
    "durchführen.";
inline constexpr std::string_view NoMozillaFolder =
    "Kann Ordner mit den Anwendungsdaten von Netscape/Mozilla/Firefox nicht finden. Sie müssen "
    "die Einstellungen manuell durchführen.";
inline constexpr std::string_view CloseMozilla =
    "Bitte beenden Sie Netscape/Mozilla/Firefox, damit die Änderungen am Proxy-Server "
    "durchgeführt werden können.";
inline constexpr std::string_view NoOperaFolder = "Kann Opera-Ordner nicht finden.";
inline constexpr std::string_view NoOperaIni = "Kann Opera-Ordner mit opera6.ini nicht finden.";
inline constexpr std::string_view CloseOpera =
    "Bitte beenden Sie Opera, damit die Änderungen am Proxy-Server durchgeführt werden können.";
inline constexpr std::string_view NoChromiumFolder =
    "Kann Ordner mit den Anwendungsdaten von Chromium nicht finden. Sie müssen die "
    "Einstellungen manuell durchführen.";
inline constexpr std::string_view CloseChromium =
    "Bitte beenden Sie Chromium, damit die Änderungen am Proxy-Server durchgeführt werden "
    "können.";
inline constexpr std::string_view DesktopProxyNotSaved =
    "Die Proxy-Einstellung des Desktops konnte nicht gespeichert werden. Sie müssen die "
    "Einstellungen manuell durchführen.";

} // namespace BrowserTexts
