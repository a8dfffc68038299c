// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the trace cleaner, the keep-list and the automatic runs on browser close.
#include "app/DestroyerSettings.h"
#include "app/MainUnit.h"
#include "app/UserInterface.h"
#include "privacy/CookieNames.h"
#include "privacy/ProfileLock.h"

namespace {

// A browser writes its cookies and session while its last window closes.
constexpr std::chrono::milliseconds ProfileReleaseWait{10000};

} // namespace

void TMain::CreateBrowserMonitor() {
  FBrowserMonitor = std::make_unique<TBrowserMonitorClass>(MakeTopLevelWindows());
  FBrowserMonitor->OnIEClosed = [this] { AutoKillIE(); };
  FBrowserMonitor->OnMozillaClosed = [this] { AutoKillMozilla(); };
  FBrowserMonitor->OnOperaClosed = [this] { AutoKillOpera(); };
  FBrowserMonitor->OnChromiumClosed = [this] { AutoKillChromium(); };
}

void TMain::CreateDestroyer() {
  FDestroyer = std::make_unique<TDestroyerClass>(FRegistry, [this](std::string_view text) {
    FUserInterface.ShowMessageBox(text, {}, TMsgKind::Error, TMsgButtons::OK);
  });
  FBrowsersPresent.Mozilla = FDestroyer->IsMozillaInstalled();
  FBrowsersPresent.Opera = FDestroyer->IsOperaInstalled();
  FBrowsersPresent.AOL = FDestroyer->IsAOLInstalled();
  FBrowsersPresent.TOnline = FDestroyer->IsTOnlineInstalled();
  FBrowsersPresent.Chromium = FDestroyer->IsChromiumInstalled();
}

void TMain::GoBtnClick() {
  RunDestroyer(*FDestroyer, DestroyerOptionsOf(*FSettings), FSettings->DontDeleteCookiesList);
}

void TMain::DestroyerSettingsChange(const TSettingsValues& values) {
  if (FLoading || !FSettings)
    return;
  CopyDestroyerFlags(values, *FSettings);
  FSettings->SaveDestroyer();
  FBrowserMonitor->SetActive(FSettings->AutoKill);
}

void TMain::CookieManagementBtnClick() {
  const std::vector<std::string> found = FDestroyer->CollectCookieNames();
  std::vector<std::string> keep = FSettings->DontDeleteCookiesList;
  std::vector<std::string> source = WithoutKept(found, keep);
  if (!FUserInterface.EditCookieManagement(source, keep))
    return;
  FSettings->DontDeleteCookiesList = std::move(keep);
  FSettings->SaveDestroyer();
}

void TMain::AutoKill(TBrowserKind kind) {
  if (!FSettings || !FSettings->AutoKill)
    return;
  const TBrowserHome home = TBrowserHome::FromEnvironment();
  // A profile still held is cleaned all the same: the stores it holds report busy.
  if (kind == TBrowserKind::Mozilla)
    WaitForMozillaProfilesReleased(MozillaProfileFolders(home), ProfileReleaseWait);
  if (kind == TBrowserKind::Chromium)
    WaitForChromiumReleased(ChromiumUserDataFolder(home), ProfileReleaseWait);
  AutoKillBrowser(*FDestroyer, kind, DestroyerOptionsOf(*FSettings),
                  FSettings->DontDeleteCookiesList);
}

void TMain::AutoKillIE() {
  AutoKill(TBrowserKind::IE);
}

void TMain::AutoKillMozilla() {
  AutoKill(TBrowserKind::Mozilla);
}

void TMain::AutoKillOpera() {
  AutoKill(TBrowserKind::Opera);
}

void TMain::AutoKillTOnline() {
  AutoKill(TBrowserKind::TOnline);
}

void TMain::AutoKillChromium() {
  AutoKill(TBrowserKind::Chromium);
}
