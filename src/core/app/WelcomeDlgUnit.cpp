// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WelcomeDlgUnit.h"

#include "app/SettingsValues.h"
#include "common/ProductInfo.h"

namespace {

constexpr int DslConnection = 3;

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

} // namespace

std::string WelcomeCaption() {
  std::string text(WelcomeTexts::Caption);
  ReplaceAll(text, "%s", ProductInfo::ProgramName);
  return text;
}

std::string WelcomeFirewallText(int port) {
  std::string text(WelcomeTexts::FirewallText);
  ReplaceAll(text, "%s", ProductInfo::ProgramName);
  ReplaceAll(text, "%d", std::to_string(port));
  return text;
}

TWelcomeAnswers InitialWelcomeAnswers(const TSettingsValues& settings, bool dslAvailable) {
  TWelcomeAnswers answers;
  answers.ConnectionType =
      settings.ConnectionType == DslConnection && !dslAvailable ? 0 : settings.ConnectionType;
  answers.ProxyPort = settings.ProxyPort;
  answers.BlockBrowserName = settings.BlockBrowserName;
  answers.BlockReferer = settings.BlockReferer;
  answers.BlockActiveX = settings.BlockActiveX;
  answers.BlockFlash = settings.BlockFlash;
  answers.BlockJS = settings.BlockJS;
  return answers;
}

void ApplyWelcomeAnswers(const TWelcomeAnswers& answers, TSettingsValues& settings,
                         const TWelcomeActions& actions) {
  settings.ConnectionType = answers.ConnectionType;
  settings.ProxyPort = answers.ProxyPort;
  settings.BlockBrowserName = answers.BlockBrowserName;
  settings.BlockReferer = answers.BlockReferer;
  settings.BlockActiveX = answers.BlockActiveX;
  settings.BlockFlash = answers.BlockFlash;
  settings.BlockJS = answers.BlockJS;
  // Only the add-on's own features need the add-on; the browsers are set up anyway.
  if (actions.HelperPresent && actions.HelperPresent()) {
    if (actions.RegisterDownloadManager)
      actions.RegisterDownloadManager(answers.DownloadManager);
    if (actions.RegisterPopupKiller)
      actions.RegisterPopupKiller(answers.PopupKiller);
  }
  if (!actions.InstallBrowserProxy)
    return;
  for (std::size_t row = 0; row < answers.Browsers.size(); ++row) {
    if (answers.Browsers[row])
      actions.InstallBrowserProxy(static_cast<TWelcomeBrowser>(row), answers.ProxyPort);
  }
}
