// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QtUserInterface.h"

#include "privacy/PopupKillerTexts.h"
#include "ui/CookieManagementDlgUnit.h"
#include "ui/CookiesAllowedDlgUnit.h"
#include "ui/InputDialogs.h"
#include "ui/MessageBox.h"
#include "ui/ProxyAccessDlgUnit.h"
#include "ui/QtText.h"
#include "ui/URLEditDlgUnit.h"
#include "ui/WelcomeDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

QWidget* TQtUserInterface::Owner() {
  return QApplication::activeWindow();
}

TModalResult TQtUserInterface::ShowMessageBox(std::string_view text, std::string_view caption,
                                              TMsgKind kind, int buttons) {
  const auto box = CreateMessageBox(text, caption, kind, buttons, Owner());
  box->exec();
  return MessageBoxResult(*box);
}

bool TQtUserInterface::InputLineAndListDialog(std::string_view caption, std::string_view prompt,
                                              std::string_view listPrompt, std::string& line,
                                              std::string& list) {
  TInputLineAndListDlg dialog(caption, prompt, listPrompt, line, list, Owner());
  if (dialog.exec() != QDialog::Accepted)
    return false;
  line = dialog.Line();
  list = dialog.List();
  return true;
}

bool TQtUserInterface::InputListDialog(std::string_view caption, std::string_view prompt,
                                       std::string& text) {
  TInputListDlg dialog(caption, prompt, text, Owner());
  if (dialog.exec() != QDialog::Accepted)
    return false;
  text = dialog.Text();
  return true;
}

bool TQtUserInterface::EditProxyAccess(TAuthType& type, std::string& ip) {
  // Centred on the screen rather than on an owner: the dialog has no parent window.
  TProxyAccessDlg dialog;
  dialog.SetAuthType(type);
  dialog.SetIP(ip);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  type = dialog.AuthType();
  ip = dialog.IP();
  return true;
}

bool TQtUserInterface::EditCookiesAllowed(std::vector<std::string>& domains) {
  TCookiesAllowedDlg dialog(domains, *this, {}, Owner());
  if (dialog.exec() != QDialog::Accepted)
    return false;
  domains = dialog.Domains();
  return true;
}

bool TQtUserInterface::EditCookieManagement(std::vector<std::string>& found,
                                            std::vector<std::string>& keep) {
  TCookieManagementDlg dialog(found, keep, Owner());
  if (dialog.exec() != QDialog::Accepted)
    return false;
  keep = dialog.KeptCookies();
  return true;
}

bool TQtUserInterface::EditURLList(std::string_view caption, std::vector<std::string>& list) {
  TURLEditDlg dialog(ToQString(caption), list, *this, {}, Owner());
  if (dialog.exec() != QDialog::Accepted)
    return false;
  list = dialog.Entries();
  return true;
}

bool TQtUserInterface::CollectKilledURLs(const std::vector<std::string>& killed,
                                         std::vector<std::string>& collected) {
  TURLEditDlg dialog(ToQString(PopupKillerTexts::LastBlockedCaption), killed, *this, {}, Owner());
  dialog.ShowAsKilledPages();
  if (dialog.exec() != QDialog::Accepted)
    return false;
  collected = dialog.Collected();
  return true;
}

void TQtUserInterface::ShowWelcomeDlg(TWelcomeAnswers& answers, const TWelcomeOptions& options) {
  TWelcomeDlg dialog(answers, options, Owner());
  dialog.exec();
  answers = dialog.Answers();
}
namespace {

// "Text-Dateien|*.txt" as Qt writes it: "Text-Dateien (*.txt)".
QString QtFilter(std::string_view filter) {
  const QString text = ToQString(filter);
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  return bar < 0 ? text : text.left(bar) + QStringLiteral(" (") + text.mid(bar + 1) + u')';
}

} // namespace

bool TQtUserInterface::OpenFileDialog(std::string_view filter, std::string& fileName) {
  const QString chosen =
      QFileDialog::getOpenFileName(Owner(), QString(), ToQString(fileName), QtFilter(filter));
  if (chosen.isEmpty())
    return false;
  fileName = chosen.toStdString();
  return true;
}

bool TQtUserInterface::SaveFileDialog(std::string_view filter, std::string_view defaultExtension,
                                      std::string& fileName) {
  QFileDialog dialog(Owner(), QString(), ToQString(fileName), QtFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(ToQString(defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  fileName = dialog.selectedFiles().front().toStdString();
  return true;
}
