// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

// Page "Browsersicherheit": the seven header and blocking switches, and the
// exceptions of cookie blocking.
class TBrowserSecurityPage : public QWidget {
  Q_OBJECT
public:
  explicit TBrowserSecurityPage(const QString& caption, QWidget* parent = nullptr);

  // "Ausnahmen..." only while "Alle Cookies blockieren" is checked.
  void UpdateEnabled();

  QCheckBox* BrowserNameChkBox;
  QCheckBox* RefererChkBox;
  QCheckBox* CookiesChkBox;
  QPushButton* CookiesBtn;
  QCheckBox* ActiveXChkBox;
  QCheckBox* FlashChkBox;
  QCheckBox* JavaScriptChkBox;
  QCheckBox* ExeFilesChkBox;
};
