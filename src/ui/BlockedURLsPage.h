// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;

// Page "Seiten blockieren": the blocked-page list and its switch. The page only
// decides what may be pressed; the edits themselves are the controller's, reported
// through the signals with the selected row.
class TBlockedURLsPage : public QWidget {
  Q_OBJECT
public:
  explicit TBlockedURLsPage(const QString& caption, QWidget* parent = nullptr);

  // Refills URLLB. The selection is kept when the number of entries is unchanged
  // (an entry was edited); otherwise nothing is selected.
  void SetEntries(const std::vector<std::string>& entries);
  // The list and "  Neu  " follow the switch; "  Ändern  " and "  Löschen  " also
  // need a selected entry.
  void UpdateEnabled();

  QCheckBox* BlockSitesChkBox;
  QListWidget* URLLB;
  QPushButton* NewUrlBtn;
  QPushButton* EditUrlBtn;
  QPushButton* DelUrlBtn;

Q_SIGNALS:
  void NewUrlBtnClick();
  void EditUrlBtnClick(int row);
  void DelUrlBtnClick(int row);

protected:
  // Insert, Enter and Delete on the list act as the three buttons.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  int SelectedRow() const;
  void EditIfEnabled();
  void DeleteIfEnabled();
};
