// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeUserInterface.h"

TModalResult TFakeUserInterface::ShowMessageBox(std::string_view text, std::string_view caption,
                                                TMsgKind kind, int buttons) {
  Messages.push_back({std::string(text), MessageBoxCaption(caption, kind), kind, buttons});
  if (MessageResults.empty())
    return DefaultResult;
  const TModalResult result = MessageResults.front();
  MessageResults.pop_front();
  return result;
}

bool TFakeUserInterface::InputLineAndListDialog(std::string_view caption, std::string_view,
                                                std::string_view, std::string& line,
                                                std::string& list) {
  DialogCaptions.emplace_back(caption);
  if (LineAndListAnswers.empty())
    return false;
  line = LineAndListAnswers.front().Line;
  list = LineAndListAnswers.front().List;
  LineAndListAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::InputListDialog(std::string_view caption, std::string_view,
                                         std::string& text) {
  DialogCaptions.emplace_back(caption);
  if (ListAnswers.empty())
    return false;
  text = ListAnswers.front();
  ListAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::EditProxyAccess(TAuthType& type, std::string& ip) {
  ProxyAccessShown.emplace_back(type, ip);
  if (ProxyAccessAnswers.empty())
    return false;
  type = ProxyAccessAnswers.front().first;
  ip = ProxyAccessAnswers.front().second;
  ProxyAccessAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::EditCookiesAllowed(std::vector<std::string>& domains) {
  CookiesAllowedShown.push_back(domains);
  if (CookiesAllowedAnswers.empty())
    return false;
  domains = CookiesAllowedAnswers.front();
  CookiesAllowedAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::EditCookieManagement(std::vector<std::string>& found,
                                              std::vector<std::string>& keep) {
  CookieManagementShown.emplace_back(found, keep);
  if (CookieManagementAnswers.empty())
    return false;
  keep = CookieManagementAnswers.front();
  CookieManagementAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::EditURLList(std::string_view caption, std::vector<std::string>& list) {
  DialogCaptions.emplace_back(caption);
  URLListsShown.push_back(list);
  if (URLListAnswers.empty())
    return false;
  list = URLListAnswers.front();
  URLListAnswers.pop_front();
  return true;
}

bool TFakeUserInterface::CollectKilledURLs(const std::vector<std::string>& killed,
                                           std::vector<std::string>& collected) {
  URLListsShown.push_back(killed);
  if (URLListAnswers.empty())
    return false;
  collected = URLListAnswers.front();
  URLListAnswers.pop_front();
  return true;
}

void TFakeUserInterface::ShowWelcomeDlg(TWelcomeAnswers& answers, const TWelcomeOptions& options) {
  WelcomeShown.emplace_back(answers, options);
  if (WelcomeEdits.empty())
    return;
  WelcomeEdits.front()(answers);
  WelcomeEdits.pop_front();
}
