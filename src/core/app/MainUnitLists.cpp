// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the list editor of the page "Seiten blockieren".
#include "app/MainTexts.h"
#include "app/MainUnit.h"
#include "app/Tools.h"
#include "app/UserInterface.h"

#include <algorithm>

bool TMain::BlockedURLExists(const std::string& entry) const {
  const auto& list = FSettings->BlockedURLList;
  return std::find(list.begin(), list.end(), entry) != list.end();
}

void TMain::ApplyBlockedURLs(std::vector<std::string> list) {
  TSettingsValues values = *FSettings;
  values.BlockedURLList = std::move(list);
  ApplySettings(values);
  FView.BlockedURLsChanged(FSettings->BlockedURLList);
}

void TMain::NewUrlBtnClick() {
  std::string term;
  std::string exceptions;
  if (!FUserInterface.InputLineAndListDialog(MainTexts::AddUrlCaption, MainTexts::UrlPrompt,
                                             MainTexts::UrlExceptionsPrompt, term, exceptions) ||
      term.empty()) {
    return;
  }
  const std::string withExceptions = term + std::string(ExceptionSeparator) + exceptions;
  if (BlockedURLExists(term) || BlockedURLExists(withExceptions)) {
    FUserInterface.ShowMessageBox(MainTexts::EntryExistsOrInvalid, {}, TMsgKind::Error,
                                  TMsgButtons::OK);
    return;
  }
  std::vector<std::string> list = FSettings->BlockedURLList;
  list.push_back(exceptions.empty() ? term : withExceptions);
  ApplyBlockedURLs(std::move(list));
}

void TMain::EditUrlBtnClick(std::size_t index) {
  std::vector<std::string> list = FSettings->BlockedURLList;
  if (index >= list.size())
    return;
  const std::string entry = list[index];
  const std::size_t cut = entry.find(ExceptionSeparator);
  std::string term = entry.substr(0, cut);
  std::string exceptions =
      cut == std::string::npos ? std::string() : entry.substr(cut + ExceptionSeparator.size());
  if (!FUserInterface.InputLineAndListDialog(MainTexts::EditUrlCaption, MainTexts::UrlPrompt,
                                             MainTexts::UrlExceptionsPrompt, term, exceptions)) {
    return;
  }
  if (term.empty()) {
    FUserInterface.ShowMessageBox(MainTexts::EntryExistsOrInvalid, {}, TMsgKind::Error,
                                  TMsgButtons::OK);
    return;
  }
  list[index] = exceptions.empty() ? term : term + std::string(ExceptionSeparator) + exceptions;
  ApplyBlockedURLs(std::move(list));
}

void TMain::DelUrlBtnClick(std::size_t index) {
  std::vector<std::string> list = FSettings->BlockedURLList;
  if (index >= list.size())
    return;
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
  ApplyBlockedURLs(std::move(list));
}

void TMain::Add2BlockedURLsClick(const std::string& address) {
  std::string text = address;
  if (!FUserInterface.InputListDialog(MainTexts::Add2BlockedCaption, MainTexts::Add2BlockedPrompt,
                                      text))
    return;
  // An empty entry would block nothing; it is refused like a duplicate.
  if (text.empty() || BlockedURLExists(text)) {
    FUserInterface.ShowMessageBox(MainTexts::EntryExistsOrInvalid, {}, TMsgKind::Error,
                                  TMsgButtons::OK);
    return;
  }
  std::vector<std::string> list = FSettings->BlockedURLList;
  list.push_back(text);
  ApplyBlockedURLs(std::move(list));
}
