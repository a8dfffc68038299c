// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

// Page "Zuletzt aufgerufene Seiten": a copy of the recent pages taken on request
// (never updated live), the switch and length limit of the list, and the hand-over
// of a page to the block list.
class TLastCalledSitesPage : public QWidget {
  Q_OBJECT
public:
  // 0 lists nothing, and a stored 0 must survive the next change of a setting.
  static constexpr int MinSites = 0;
  static constexpr int MaxSites = 100000;

  explicit TLastCalledSitesPage(const QString& caption, QWidget* parent = nullptr);

  void SetSites(const std::vector<std::string>& sites);
  // The selected page, or "" when none is.
  std::string SelectedSite() const;
  // The limit edit and its labels follow the check box.
  void UpdateEnabled();

  QListWidget* LastCalledSitesLB;
  QCheckBox* saveLastCalledSitesChkBox;
  QLabel* MaxLabel;
  QSpinBox* MaxLastCalledSitesEdit;
  QLabel* SitesLabel;
  QPushButton* URLRefreshBtn;
  QPushButton* Add2BlockedURLsBtn;

private:
  void LastCalledSitesLBClick();
};
