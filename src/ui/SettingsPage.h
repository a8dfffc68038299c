// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// Page "Einstellungen" with the tabs "Allgemein" (autostart, connection kind) and
// "Quorvane-Einrichtung" (proxy port, access restriction).
class TSettingsPage : public QWidget {
  Q_OBJECT
public:
  explicit TSettingsPage(const QString& caption, QWidget* parent = nullptr);

  // "ConnectionType" -> radio button: RB1 0, RB2 1, RB3 3, RB4 2.
  void SetConnectionType(int connectionType);
  int ConnectionType() const;

  QTabWidget* CfgPC;
  QCheckBox* AutoStartChkBox;
  QGroupBox* ConnectionGroup;
  QRadioButton* RB1;
  QRadioButton* RB2;
  QRadioButton* RB3;
  QRadioButton* RB4;
  QSpinBox* ProxyPortEdit;
  QPushButton* ProxyAccessBtn;
};
