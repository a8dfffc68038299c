// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/UserInterface.h"
#include "app/WelcomeDlgUnit.h"
#include "proxy/HTTPProxyServer.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// A scripted user: records every message box and answers from queues. With an
// empty queue a message box answers DefaultResult and a dialog is cancelled.
class TFakeUserInterface : public TUserInterface {
public:
  struct TMessage {
    std::string Text;
    std::string Caption; // as shown: the kind's title when none was given
    TMsgKind Kind;
    int Buttons;
  };
  struct TLineAndListAnswer {
    std::string Line;
    std::string List;
  };

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

  std::vector<TMessage> Messages;
  std::vector<std::string> DialogCaptions;
  std::deque<TModalResult> MessageResults;
  TModalResult DefaultResult = TModalResult::OK;
  std::deque<TLineAndListAnswer> LineAndListAnswers;
  std::deque<std::string> ListAnswers;
  // What the access dialog was opened with, and its scripted OK answers.
  std::vector<std::pair<TAuthType, std::string>> ProxyAccessShown;
  std::deque<std::pair<TAuthType, std::string>> ProxyAccessAnswers;
  // What the cookie-domain dialog was opened with, and its scripted OK answers.
  std::vector<std::vector<std::string>> CookiesAllowedShown;
  std::deque<std::vector<std::string>> CookiesAllowedAnswers;
  // What the keep-list dialog was opened with (found, keep), and its OK answers.
  std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> CookieManagementShown;
  std::deque<std::vector<std::string>> CookieManagementAnswers;
  // The popup killer's list editor: what it was opened with, and its scripted OK
  // answers (the edited list; for the killed pages, the pages collected).
  std::vector<std::vector<std::string>> URLListsShown;
  std::deque<std::vector<std::string>> URLListAnswers;
  // What the wizard was opened with (answers, what could be chosen), and the scripted
  // changes the user makes in it; without one the answers stay as they came.
  std::vector<std::pair<TWelcomeAnswers, TWelcomeOptions>> WelcomeShown;
  std::deque<std::function<void(TWelcomeAnswers&)>> WelcomeEdits;
};
