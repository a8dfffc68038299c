// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the first-start wizard.
#include "app/MainUnit.h"
#include "app/UserInterface.h"
#include "browsers/BrowserSetup.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

namespace {

TBrowserRow RowOf(TWelcomeBrowser browser) {
  switch (browser) {
  case TWelcomeBrowser::InternetExplorer:
    return TBrowserRow::InternetExplorer;
  case TWelcomeBrowser::Mozilla:
    return TBrowserRow::Mozilla;
  case TWelcomeBrowser::Opera:
    return TBrowserRow::Opera;
  }
  return TBrowserRow::InternetExplorer;
}

} // namespace

TWelcomeActions TMain::WelcomeActionsFromSubsystems() {
  TWelcomeActions actions;
  actions.HelperPresent = [this] { return FAddOn && FAddOn->IsHelperAvailable(); };
  // The same registration paths as the check boxes of the popup-killer page.
  actions.RegisterDownloadManager = [this](bool enable) {
    if (FAddOn)
      SetDownloadManagerEnabled(FRegistry, *FAddOn, enable);
  };
  actions.RegisterPopupKiller = [this](bool enable) {
    if (FAddOn)
      SetPopupKillerEnabled(FRegistry, *FAddOn, enable);
  };
  actions.InstallBrowserProxy = [this](TWelcomeBrowser browser, int port) {
    if (FBrowserSetup)
      FBrowserSetup->Install(RowOf(browser), port);
  };
  return actions;
}

void TMain::RunWelcomeDlg() {
  TWelcomeOptions options;
  options.HelperPresent = WelcomeActions.HelperPresent && WelcomeActions.HelperPresent();
  options.DSLAvailable = DSLConnectionAvailable();
  TWelcomeAnswers answers = InitialWelcomeAnswers(*FSettings, options.DSLAvailable);
  FUserInterface.ShowWelcomeDlg(answers, options);
  ApplyWelcomeAnswers(answers, *FSettings, WelcomeActions);
}
