// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WMsgBox.h"

#include <string>
#include <string_view>
#include <vector>

enum class TAuthType;   // proxy/HTTPProxyServer.h
struct TWelcomeAnswers; // app/WelcomeDlgUnit.h
struct TWelcomeOptions;

// The port through which the core talks to the user. The Qt front end draws it;
// headless runs answer without waiting; tests script the answers.
class TUserInterface {
public:
  virtual ~TUserInterface() = default;

  // Modal, in front of the active window. An empty caption shows the kind's
  // title (MessageBoxCaption). buttons is one TMsgButtons bit.
  virtual TModalResult ShowMessageBox(std::string_view text, std::string_view caption,
                                      TMsgKind kind, int buttons) = 0;

  // One-line edit plus a list edit. list comes in and goes out as "&&!"-joined
  // entries (ExceptionListToLines / LinesToExceptionList convert for the edit).
  // On OK line and list are replaced and true is returned.
  virtual bool InputLineAndListDialog(std::string_view caption, std::string_view prompt,
                                      std::string_view listPrompt, std::string& line,
                                      std::string& list) = 0;

  // A multi-line edit; on OK text is replaced by the edit's text, trimmed.
  virtual bool InputListDialog(std::string_view caption, std::string_view prompt,
                               std::string& text) = 0;

  // "Zugriffsbeschränkung": type and ip come in as the dialog starts and go out as
  // the user left them; true on OK.
  virtual bool EditProxyAccess(TAuthType& type, std::string& ip) = 0;

  // "Ausnahmen für die Blockierung von Cookies": the list comes in and goes out
  // edited (CookiesAllowedUnit.h has the edit rules); true on OK.
  virtual bool EditCookiesAllowed(std::vector<std::string>& domains) = 0;

  // "Cookie-Verwaltung": found holds the cookies on disk that the keep-list does not
  // hold, keep the keep-list; on OK keep is replaced by the dialog's right list and
  // true is returned.
  virtual bool EditCookieManagement(std::vector<std::string>& found,
                                    std::vector<std::string>& keep) = 0;
  // The popup killer's list editor (TURLEditDlg) with the caption given: the list
  // comes in and goes out edited (PopupKillerURLEdit.h has the rules); true on
  // "Übernehmen".
  virtual bool EditURLList(std::string_view caption, std::vector<std::string>& list) = 0;
  // The same dialog on the pages of the last killed popups, without "Neu" and
  // "Löschen": collected receives each page chosen with "Zu erlaubten Seiten
  // hinzufügen", in order, the same page as often as chosen; true on "Übernehmen".
  virtual bool CollectKilledURLs(const std::vector<std::string>& killed,
                                 std::vector<std::string>& collected) = 0;
  // The first-start wizard, modal: answers come in as it opens and go out as the
  // user left them; it closes only from its last page. options: what can be
  // chosen (the add-on's features, the DSL connection kind).
  virtual void ShowWelcomeDlg(TWelcomeAnswers& answers, const TWelcomeOptions& options) = 0;
  // File dialogs, filter as "Text-Dateien|*.txt". Open asks for an existing file;
  // save appends defaultExtension to a name without one and asks before
  // overwriting. On OK fileName is the chosen path and true is returned; without a
  // window they are cancelled.
  virtual bool OpenFileDialog(std::string_view /*filter*/, std::string& /*fileName*/) {
    return false;
  }
  virtual bool SaveFileDialog(std::string_view /*filter*/, std::string_view /*defaultExtension*/,
                              std::string& /*fileName*/) {
    return false;
  }
};
