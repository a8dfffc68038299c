// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;
struct TSettingsValues;

// Page "Downloadmanager": the add-on switch, the file types it hands over, and the
// download manager's options (folder, questions, info window, throttle).
class TDownloadManagerPage : public QWidget {
  Q_OBJECT
public:
  explicit TDownloadManagerPage(const QString& caption, QWidget* parent = nullptr);

  // The page's options into the controls, and back.
  void LoadSettings(const TSettingsValues& settings);
  void StoreSettings(TSettingsValues& settings) const;
  // The options follow DMChkBox; the info window's and the throttle's edits follow
  // their boxes as well (DMInfoWindowChkBoxClick, DrosselChkBoxClick).
  void UpdateEnabled();

  QCheckBox* DMChkBox;
  QLabel* DMFileExtLabel;
  QLineEdit* DMFileExtEdit;
  QCheckBox* DMNoQuorvaneCheckBox;
  QLabel* DefaultDMDirectoryLabel;
  QLineEdit* DefaultDMDirectoryEdit;
  QToolButton* DefaultDMDirectoryBrowseBtn;
  QCheckBox* DontRequestDMFileNameChkBox;
  QCheckBox* DMInfoWindowChkBox;
  QSpinBox* DMInfoWindowTimeEdit;
  QLabel* DMInfoWindowSecondsLabel;
  QCheckBox* DMShowMessageOnSuccessChkBox;
  QCheckBox* DrosselChkBox;
  QLabel* MaxDownloadBandwithLabel;
  QSpinBox* MaxDownloadBandwithEdit;
  QLabel* MaxDownloadBandwithUnit;
  QLabel* DMPercentLabel;
  QSpinBox* DMPercent;
  QLabel* DMPercentUnit;

Q_SIGNALS:
  // An option changed: the window hands the settings to the controller.
  void SettingsChanged();

private:
  void BrowseFolder();
};
