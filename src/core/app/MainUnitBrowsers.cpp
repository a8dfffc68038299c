// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the browser list of the "Quorvane-Einrichtung" tab and the dial-up hook.
#include "app/BrowserSetupHost.h"
#include "app/MainUnit.h"
#include "browsers/BrowserTexts.h"
#include "browsers/DesktopProxy.h"

void TMain::CreateBrowserSetup() {
  FDesktopProxy = CreateDesktopProxy();
  FBrowserSetup = std::make_unique<TBrowserSetup>(
      BrowserSetupHostFor(FRegistry, *FDesktopProxy, FUserInterface));
}

void TMain::RefreshBrowserStatus() {
  FBrowserStatus.clear();
  for (const TBrowserRow row : BrowserRows) {
    FBrowserStatus.emplace_back(FBrowserSetup->IsInstalled(row, FSettings->ProxyPort)
                                    ? BrowserTexts::Installed
                                    : BrowserTexts::NotInstalled);
  }
}

void TMain::ProxySaveSettingsBtnClick(const std::vector<bool>& ticked) {
  for (std::size_t i = 0; i < BrowserRows.size() && i < ticked.size(); ++i) {
    if (!ticked[i])
      continue;
    if (FBrowserStatus[i] != BrowserTexts::Installed) {
      FBrowserSetup->Install(BrowserRows[i], FSettings->ProxyPort);
    } else {
      FBrowserSetup->Remove(BrowserRows[i], false);
    }
  }
  RefreshBrowserStatus();
}

bool TMain::DialUpConnected(const std::string& entry,
                            const std::vector<std::string>& knownEntries) {
  return FBrowserSetup->DialUpConnected(entry, FSettings->ProxyPort, knownEntries);
}
