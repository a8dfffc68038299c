// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

// Page "Einstellungen" with the tabs "Allgemein" (autostart, connection kind) and
// "Quorvane-Einrichtung" (proxy port, access restriction, the browser list).
class TSettingsPage : public QWidget {
  Q_OBJECT
public:
  explicit TSettingsPage(const QString& caption, QWidget* parent = nullptr);

  // "ConnectionType" -> radio button: RB1 0, RB2 1, RB3 3, RB4 2.
  void SetConnectionType(int connectionType);
  int ConnectionType() const;
  // The status column of BrowserLV, one text per row; the ticks stay as they are.
  void SetBrowserStatus(const std::vector<std::string>& statusTexts);
  // Which rows of BrowserLV are ticked, in list order.
  std::vector<bool> TickedBrowsers() const;

  QTabWidget* CfgPC;
  QCheckBox* AutoStartChkBox;
  QGroupBox* ConnectionGroup;
  QRadioButton* RB1;
  QRadioButton* RB2;
  QRadioButton* RB3;
  QRadioButton* RB4;
  QSpinBox* ProxyPortEdit;
  QPushButton* ProxyAccessBtn;
  QTreeWidget* BrowserLV;
  QPushButton* ProxySaveSettingsBtn;
};
