// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MainView.h"
#include "app/UserInterface.h"

#include <ostream>

// The user-interface port of a run without a window: messages go to the error
// stream, questions take their default (first) button, dialogs are cancelled.
class THeadlessUserInterface : public TUserInterface {
public:
  explicit THeadlessUserInterface(std::ostream& errors);

  TModalResult ShowMessageBox(std::string_view text, std::string_view caption, TMsgKind kind,
                              int buttons) override;
  bool InputLineAndListDialog(std::string_view caption, std::string_view prompt,
                              std::string_view listPrompt, std::string& line,
                              std::string& list) override;
  bool InputListDialog(std::string_view caption, std::string_view prompt,
                       std::string& text) override;
  bool EditProxyAccess(TAuthType& type, std::string& ip) override;
  bool EditCookiesAllowed(std::vector<std::string>& domains) override;
  bool EditCookieManagement(std::vector<std::string>& found,
                            std::vector<std::string>& keep) override;
  bool EditURLList(std::string_view caption, std::vector<std::string>& list) override;
  bool CollectKilledURLs(const std::vector<std::string>& killed,
                         std::vector<std::string>& collected) override;
  // Takes the answers as they come and says so in one line.
  void ShowWelcomeDlg(TWelcomeAnswers& answers, const TWelcomeOptions& options) override;

private:
  std::ostream& FErrors;
};

// The window of a run without one: each status text is a line of output.
class THeadlessMainView : public TMainView {
public:
  explicit THeadlessMainView(std::ostream& output);

  void SetStatusText(const std::string& text) override;
  void ShowStatistics(const TStatisticsTexts& texts) override;
  void BlockedURLsChanged(const std::vector<std::string>& list) override;
  void RestoreWindow() override;
  std::optional<TWindowPlacement> WindowPlacement() const override;
  void SetWindowPlacement(const TWindowPlacement& placement) override;
  // "Anonymer Proxy: host:port" and "Ihre IP-Adresse: a.b.c.d", a line each.
  void AnonymousProxyChanged(const std::string& hostAndPort) override;
  void CurrentIPChanged(const std::string& address) override;

private:
  std::ostream& FOutput;
};
