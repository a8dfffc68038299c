// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the first-start wizard.
#include "app/MainUnit.h"
#include "app/UserInterface.h"

void TMain::RunWelcomeDlg() {
  TWelcomeOptions options;
  options.HelperPresent = WelcomeActions.HelperPresent && WelcomeActions.HelperPresent();
  options.DSLAvailable = DSLConnectionAvailable();
  TWelcomeAnswers answers = InitialWelcomeAnswers(*FSettings, options.DSLAvailable);
  FUserInterface.ShowWelcomeDlg(answers, options);
  ApplyWelcomeAnswers(answers, *FSettings, WelcomeActions);
}
