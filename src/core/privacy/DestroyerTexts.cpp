// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerTexts.h"

namespace DestroyerTexts {
const std::string_view MessengerFailed =
    "Konnte Windows-Nachrichtendienst nicht deaktivieren. Sie müssen als Administrator "
    "angemeldet sein, um den Dienst deaktivieren zu können.\r\nUnter Windows Vista müssen Sie "
    "Quorvane beenden und über rechte Maustaste auf Desktop-Symbol \"Als Admininistrator "
    "starten\" ausführen.";
const std::string_view RecycleMissing =
    "Die benötigte Funktion zum Löschen des Papierkorbs ist nicht vorhanden, wahrscheinlich ist "
    "Ihr Windows-System zu alt.";
const std::string_view OperaCookiesFailed =
    "Fehler beim Löschen der Opera Cookies, wahrscheinlich ist der Browser geöffnet.";
const std::string_view NetscapeCookiesFailed =
    "Fehler beim Speichern der Cookies für Netscape/Mozilla/Firefox, wahrscheinlich ist der "
    "Browser geöffnet.";
const std::string_view OperaHistoryFailed =
    "Konnte Opera-Verlauf nicht löschen, wahrscheinlich ist der Browser geöffnet.";
const std::string_view NetscapeHistoryFailed =
    "Konnte Netscape/Mozilla/Firefox-Verlauf nicht löschen, wahrscheinlich ist der Browser "
    "geöffnet.";
const std::string_view NetscapeAutoCompleteFailed =
    "Konnte Netscape/Mozilla/Firefox-AutoComplete nicht löschen, wahrscheinlich ist der Browser "
    "geöffnet.";
const std::string_view OperaPasswordsFailed =
    "Konnte Opera-Passworte nicht löschen, wahrscheinlich ist der Browser geöffnet.";
// Chromium's stores follow the wording of the Mozilla family's.
const std::string_view ChromiumCookiesFailed =
    "Fehler beim Speichern der Cookies für Chromium, wahrscheinlich ist der Browser geöffnet.";
const std::string_view ChromiumHistoryFailed =
    "Konnte Chromium-Verlauf nicht löschen, wahrscheinlich ist der Browser geöffnet.";
const std::string_view ChromiumAutoCompleteFailed =
    "Konnte Chromium-AutoComplete nicht löschen, wahrscheinlich ist der Browser geöffnet.";
} // namespace DestroyerTexts
