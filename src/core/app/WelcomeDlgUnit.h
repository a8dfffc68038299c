// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

struct TSettingsValues;

// The first-start wizard "Quorvane - Einrichtungsassistent" without its widgets:
// its texts, the answers it starts with, and the steps that apply them.
namespace WelcomeTexts {
inline constexpr std::string_view Caption = "%s - Einrichtungsassistent";
inline constexpr std::string_view FirewallText =
    "Sollten Sie eine Firewall-Software verwenden, dann müssen Sie den Zugriff auf das Internet "
    "durch %s korrekt konfigurieren, ansonsten funktioniert %s nicht korrekt.\r\n\r\nNotwendig "
    "ist\r\n* die Freigabe als Server (auch \"Abhören eines Ports genannt\") auf dem lokalen "
    "Rechner für den Port %d.\r\n\r\n* die Freigabe für HTTP-Zugriffe auf alle Adressen des "
    "Internets (wegen des Surfens mit den anonymen Proxy-Servern und des "
    "Online-Updates).\r\n\r\nQuorvane enthält keine Spyware und übermittelt keine Infos von "
    "Ihrem Rechner ins Internet.\r\n\r\nKlicken Sie auf \"Weiter\", um die Konfiguration "
    "abzuschließen. Auf \"Zurück\", um Änderungen vorzunehmen.\r\n";
// The one line a run without a window writes when it takes the wizard's answers.
inline constexpr std::string_view HeadlessNotice =
    "Quorvane - Einrichtungsassistent: erster Start ohne Fenster, die Voreinstellungen des "
    "Assistenten wurden übernommen, kein Browser wurde eingerichtet.";
} // namespace WelcomeTexts

// "%s" replaced by the product name.
std::string WelcomeCaption();
// The firewall page's text for the port on the port page.
std::string WelcomeFirewallText(int port);

// The browsers of the list "BrowserLV", in its order.
enum class TWelcomeBrowser { InternetExplorer = 0, Mozilla = 1, Opera = 2 };
inline constexpr std::array<std::string_view, 3> WelcomeBrowserNames = {
    "Microsoft Internet Explorer", "Firefox/Mozilla/Netscape 6/7", "Opera 7 oder neuer"};

// What the wizard asks; ConnectionType as stored (0 LAN, 1 dial-up, 2 ISDN, 3 DSL).
struct TWelcomeAnswers {
  int ConnectionType = 0;
  int ProxyPort = 8080;
  bool DownloadManager = true;
  bool PopupKiller = true;
  bool BlockBrowserName = false;
  bool BlockReferer = false;
  bool BlockActiveX = false;
  bool BlockFlash = false;
  bool BlockJS = false;
  std::array<bool, 3> Browsers{}; // ticked rows of BrowserLV
  bool operator==(const TWelcomeAnswers&) const = default;
};

// What the wizard may offer: the add-on's two features need the add-on; the DSL
// connection kind needs its software, as in the main window.
struct TWelcomeOptions {
  bool HelperPresent = false;
  bool DSLAvailable = false;
};

// The answers the wizard opens with: the stored connection kind (DSL without its
// software falls back to LAN, as in the main window), port and five blocking
// choices; both add-on features ticked; no browser ticked.
TWelcomeAnswers InitialWelcomeAnswers(const TSettingsValues& settings, bool dslAvailable);

// What the closing steps do outside the program's own settings; the controller
// fills these from the subsystems that own them. An empty function does nothing.
struct TWelcomeActions {
  std::function<bool()> HelperPresent;
  std::function<void(bool enable)> RegisterDownloadManager;
  std::function<void(bool enable)> RegisterPopupKiller;
  std::function<void(TWelcomeBrowser browser, int port)> InstallBrowserProxy;
};

// The closing steps: connection kind, port and blocking choices into settings (held
// in memory; the caller saves); with the add-on present its download manager and
// popup killer registered or unregistered; then the ticked browsers set up with
// the new port, in list order, with or without the add-on.
void ApplyWelcomeAnswers(const TWelcomeAnswers& answers, TSettingsValues& settings,
                         const TWelcomeActions& actions);
