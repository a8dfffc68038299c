// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SettingsValues.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QPushButton;
class QTabWidget;

// Page "Müll": the trace cleaner's options on the tabs "Windows aufräumen" and
// "Webbrowser aufräumen", "Jetzt vernichten" and "Cookie-Verwaltung...". Each check
// box is named after its option plus "ChkBox".
class TDestroyerPage : public QWidget {
  Q_OBJECT
public:
  explicit TDestroyerPage(const QString& caption, QWidget* parent = nullptr);

  // The boxes from the options, and the options from the boxes.
  void SetOptions(const TSettingsValues& values);
  void ReadOptions(TSettingsValues& values) const;
  // Browsers not found keep their boxes disabled.
  void EnableBrowsers(bool mozilla, bool opera, bool aol, bool tonline, bool chromium);
  // The automatic run's box shows only on the browser tab.
  void PCChange();
  // Every box of the page, in the order of the tabs.
  const std::vector<QCheckBox*>& CheckBoxes() const { return FBoxes; }
  QCheckBox* Box(const char* option) const;

  QTabWidget* PC;
  QCheckBox* AutoKillChkBox;
  QPushButton* GoBtn;
  QPushButton* CookieManagementBtn;

private:
  std::vector<QCheckBox*> FBoxes;
};
