// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QToolButton;

// "Cookie-Verwaltung": moves cookie names between the cookies found (SrcList) and
// the keep-list (DstList).
class TCookieManagementDlg : public QDialog {
  Q_OBJECT
public:
  TCookieManagementDlg(const std::vector<std::string>& found, const std::vector<std::string>& keep,
                       QWidget* parent = nullptr);

  // DstList's items, in order.
  std::vector<std::string> KeptCookies() const;

  // " > " and " < ": the selected items of giving go to the end of receiving,
  // walked from the last; then the item at the first selected index (or the last
  // one, or the first when none was selected) is selected in giving.
  void MoveSelected(QListWidget* giving, QListWidget* receiving);
  // ">>" and "<<": every item of giving, in order.
  void MoveAll(QListWidget* giving, QListWidget* receiving);
  void UpdateButtons();

  QListWidget* SrcList;
  QListWidget* DstList;
  QToolButton* IncludeBtn;
  QToolButton* IncAllBtn;
  QToolButton* ExcludeBtn;
  QToolButton* ExAllBtn;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

protected:
  void showEvent(QShowEvent* event) override;
};
