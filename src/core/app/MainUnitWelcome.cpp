// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the first-start wizard.
#include "app/MainUnit.h"
#include "app/UserInterface.h"

void TMain::RunWelcomeDlg() {
  TWelcomeAnswers answers = InitialWelcomeAnswers(*FSettings);
  const bool helperPresent = WelcomeActions.HelperPresent && WelcomeActions.HelperPresent();
  FUserInterface.ShowWelcomeDlg(answers, helperPresent);
  ApplyWelcomeAnswers(answers, *FSettings, WelcomeActions);
}
