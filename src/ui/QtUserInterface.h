// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/UserInterface.h"

class QWidget;

// The user-interface port drawn with Qt widgets: every call is a modal dialog in
// front of the active window. Main thread only.
class TQtUserInterface : public TUserInterface {
public:
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
  void ShowWelcomeDlg(TWelcomeAnswers& answers, const TWelcomeOptions& options) override;
  bool OpenFileDialog(std::string_view filter, std::string& fileName) override;
  bool SaveFileDialog(std::string_view filter, std::string_view defaultExtension,
                      std::string& fileName) override;

private:
  static QWidget* Owner();
};
