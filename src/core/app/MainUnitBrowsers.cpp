// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the browser list of the "Quorvane-Einrichtung" tab and the dial-up hook.
#include "app/BrowserSetupHost.h"
#include "app/MainUnit.h"
#include "browsers/BrowserTexts.h"
#include "browsers/DesktopProxy.h"
#include "connmon/ConnectionMonitorUnit.h"
#include "connmon/MonRAS.h"

void TMain::CreateBrowserSetup() {
  FDesktopProxy = CreateDesktopProxy();
  TBrowserSetupHost host = BrowserSetupHostFor(FRegistry, *FDesktopProxy, FUserInterface);
  // The connection monitor lists the phonebook, so that its connect report later
  // knows which entries the set-up has seen.
  host.PhonebookEntries = [this] {
    if (!FConnectionMonitor)
      return std::vector<std::string>();
    TRASBase& ras = FConnectionMonitor->RAS();
    ras.ListPhonebookEntries();
    return ras.EntryNames();
  };
  FBrowserSetup = std::make_unique<TBrowserSetup>(std::move(host));
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

void TMain::DialUpConnected(const std::string& entry) {
  if (!entry.empty() && FBrowserSetup && FConnectionMonitor)
    FBrowserSetup->DialUpConnected(entry, FSettings->ProxyPort,
                                   FConnectionMonitor->RAS().EntryNames());
}
