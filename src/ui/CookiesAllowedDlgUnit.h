// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QInputDialog;
class QListWidget;
class QPushButton;
class QToolButton;
class TUserInterface;

// "Ausnahmen für die Blockierung von Cookies": edits the domains whose cookies pass.
// The list handed in is changed only through Domains() after OK.
class TCookiesAllowedDlg : public QDialog {
  Q_OBJECT
public:
  // Asks for one line of text (caption, prompt, text in and out); true on OK.
  using TAskLine =
      std::function<bool(const QString& caption, const QString& prompt, QString& text)>;

  // userInterface shows the duplicate error; askLine defaults to a Qt input box.
  TCookiesAllowedDlg(std::vector<std::string> domains, TUserInterface& userInterface,
                     TAskLine askLine = {}, QWidget* parent = nullptr);

  const std::vector<std::string>& Domains() const { return FDomains; }

  QListWidget* ListBox;
  QToolButton* AddBtn;
  QToolButton* EditBtn;
  QToolButton* DeleteBtn;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void AddBtnClick();
  void EditBtnClick();
  void DeleteBtnClick();
  void FillList(int selectedRow);
  void UpdateButtons();

  std::vector<std::string> FDomains;
  TUserInterface& FUserInterface;
  TAskLine FAskLine;
};

// The one-line input box of the program: a caption, a prompt, German buttons.
std::unique_ptr<QInputDialog> CreateLineInputBox(const QString& caption, const QString& prompt,
                                                 const QString& text, QWidget* parent);
// Shows that box modally; on OK text is replaced by what was typed.
bool AskLine(const QString& caption, const QString& prompt, QString& text, QWidget* parent);
