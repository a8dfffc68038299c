// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QToolButton;
class TUserInterface;

// TURLEditDlg: the popup killer's list editor ("Erlaubte Popups", "Seiten
// verbieten"), and, in its collecting form, the last killed pages from which the
// user picks pages to allow.
class TURLEditDlg : public QDialog {
  Q_OBJECT
public:
  // Asks for one line of text (caption, prompt, start text); nullopt when cancelled.
  using TAskLine = std::function<std::optional<QString>(
      const QString& caption, const QString& prompt, const QString& text)>;

  // userInterface shows the error of a refused entry; askLine defaults to the
  // program's input box.
  TURLEditDlg(const QString& caption, std::vector<std::string> entries,
              TUserInterface& userInterface, TAskLine askLine = {}, QWidget* parent = nullptr);

  // The collecting form: "Neu" and "Löschen" hidden, "Ändern" becomes "Zu erlaubten
  // Seiten hinzufügen" and collects the selected entry.
  void ShowAsKilledPages();

  const std::vector<std::string>& Entries() const { return FEntries; }
  const std::vector<std::string>& Collected() const { return FCollected; }

  QListWidget* URLLB;
  QToolButton* NewUrlBtn;
  QToolButton* EditUrlBtn;
  QToolButton* DelUrlBtn;
  QPushButton* ApplyBtn;
  QPushButton* CancelBtn;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void NewUrlBtnClick();
  void EditUrlBtnClick();
  void DelUrlBtnClick();
  void FillList(int selectedRow);
  void UpdateButtons();
  void ShowRefused();

  std::vector<std::string> FEntries;
  std::vector<std::string> FCollected;
  TUserInterface& FUserInterface;
  TAskLine FAskLine;
  bool FCollecting = false;
};
