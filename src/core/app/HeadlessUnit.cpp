// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadlessUnit.h"

#include "app/MainTexts.h"
#include "app/WelcomeDlgUnit.h"

THeadlessUserInterface::THeadlessUserInterface(std::ostream& errors) : FErrors(errors) {}

TModalResult THeadlessUserInterface::ShowMessageBox(std::string_view text, std::string_view caption,
                                                    TMsgKind kind, int buttons) {
  FErrors << MessageBoxCaption(caption, kind) << ": " << text << std::endl;
  switch (buttons) {
  case TMsgButtons::AbortRetryIgnore:
    return TModalResult::Abort;
  case TMsgButtons::RetryCancel:
    return TModalResult::Retry;
  case TMsgButtons::YesNo:
  case TMsgButtons::YesNoCancel:
    return TModalResult::Yes;
  case TMsgButtons::YesNoDefaultNo:
    return TModalResult::No;
  default:
    return TModalResult::OK;
  }
}

bool THeadlessUserInterface::InputLineAndListDialog(std::string_view, std::string_view,
                                                    std::string_view, std::string&, std::string&) {
  return false;
}

bool THeadlessUserInterface::InputListDialog(std::string_view, std::string_view, std::string&) {
  return false;
}

bool THeadlessUserInterface::EditProxyAccess(TAuthType&, std::string&) {
  return false;
}

bool THeadlessUserInterface::EditCookiesAllowed(std::vector<std::string>&) {
  return false;
}

bool THeadlessUserInterface::EditCookieManagement(std::vector<std::string>&,
                                                  std::vector<std::string>&) {
  return false;
}

bool THeadlessUserInterface::EditURLList(std::string_view, std::vector<std::string>&) {
  return false;
}

bool THeadlessUserInterface::CollectKilledURLs(const std::vector<std::string>&,
                                               std::vector<std::string>&) {
  return false;
}

void THeadlessUserInterface::ShowWelcomeDlg(TWelcomeAnswers&, const TWelcomeOptions&) {
  FErrors << WelcomeTexts::HeadlessNotice << std::endl;
}

THeadlessMainView::THeadlessMainView(std::ostream& output) : FOutput(output) {}

void THeadlessMainView::SetStatusText(const std::string& text) {
  FOutput << text << std::endl;
}

// Nothing shows statistics or lists without a window; they are saved all the same.
void THeadlessMainView::ShowStatistics(const TStatisticsTexts&) {}
void THeadlessMainView::BlockedURLsChanged(const std::vector<std::string>&) {}
void THeadlessMainView::RestoreWindow() {}

// Without a window there is no placement to keep or to apply.
std::optional<TWindowPlacement> THeadlessMainView::WindowPlacement() const {
  return std::nullopt;
}
void THeadlessMainView::SetWindowPlacement(const TWindowPlacement&) {}

void THeadlessMainView::AnonymousProxyChanged(const std::string& hostAndPort) {
  FOutput << "Anonymer Proxy: "
          << (hostAndPort.empty() ? std::string(MainTexts::NoUpstreamProxy) : hostAndPort)
          << std::endl;
}

void THeadlessMainView::CurrentIPChanged(const std::string& address) {
  FOutput << "Ihre IP-Adresse: " << address << std::endl;
}
