// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainTexts.h"

#include "app/Tools.h"
#include "common/ProductInfo.h"

namespace {

std::string WithName(std::string_view pattern) {
  std::string text(pattern);
  for (std::size_t at = 0; (at = text.find("%s", at)) != std::string::npos;
       at += ProductInfo::ProgramName.size()) {
    text.replace(at, 2, ProductInfo::ProgramName);
  }
  return text;
}

} // namespace

namespace MainTexts {

std::string BindError() {
  return WithName("%s konnte den Proxy-Server-Port nicht verwenden, da eine andere "
                  "Server-Anwendung diesen Port bereits "
                  "nutzt bzw. eine Firewall die Nutzung dieses Ports verbietet.\r\nPrüfen Sie Ihre "
                  "Firewall-Einstellungen "
                  "bzw. weisen Sie %s einen anderen Proxy-Server-Port unter Konfiguration, "
                  "Registerkarte %s-Einrichtung zu.");
}

std::string Via() {
  return "1.0 " + std::string(ProductInfo::ProgramName) + " (" + std::string(ProductInfo::Version) +
         " " + std::string(ProductInfo::HomePage) + ")";
}

std::string ActiveStatus(int port) {
  std::string text = WithName("%s Proxy-Server am Port %d aktiv");
  text.replace(text.find("%d"), 2, std::to_string(port));
  return text;
}

std::string InactiveStatus() {
  return WithName("%s Proxy-Server inaktiv");
}

std::string BlockedReferer() {
  return "blocked_by_" + BlanksToUnderscores(ProductInfo::ProgramNameAndVersion) + "_" +
         std::string(ProductInfo::HomePage);
}

std::string AlreadyRunning() {
  return WithName("%s läuft bereits! Nutzen Sie die vorhandene Instanz.");
}

} // namespace MainTexts
