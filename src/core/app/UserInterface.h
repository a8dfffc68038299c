// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WMsgBox.h"

#include <string>
#include <string_view>
#include <vector>

enum class TAuthType; // proxy/HTTPProxyServer.h

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
