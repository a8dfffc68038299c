// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// Page "Popupkiller": the switch, the sound played when a popup is closed, and the
// buttons that open the allowed, forbidden and last killed pages.
class TPopupKillerPage : public QWidget {
  Q_OBJECT
public:
  explicit TPopupKillerPage(const QString& caption, QWidget* parent = nullptr);

  // The sound file and the list buttons follow the check box.
  void UpdateEnabled();

  QCheckBox* popupkillerChkBox;
  QLabel* PKSoundFileLabel;
  QLineEdit* PKSoundFileName;
  QToolButton* PKSoundFileBrowseBtn;
  QPushButton* AllowedPopupsBtn;
  QPushButton* BlockedURLsBtn;
  QPushButton* LastBlockedURLsBtn;

Q_SIGNALS:
  // The sound file edit got a new name, typed or chosen.
  void PKSoundFileNameChange(const QString& fileName);

private:
  void BrowseSoundFile();
};
