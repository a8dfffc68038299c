// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pool/ProxyListEntry.h"

#include <QWidget>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QSlider;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
struct TSettingsValues;

// Page "Anonyme Proxy-Server": the pool's list with a check box per proxy, its
// buttons, the rotation and check sliders and the pool's switches. Each row is bound
// to its entry, so delete, test and check marks act on that entry, whatever the
// row's text or the sort order.
class TAnonymousProxyPage : public QWidget {
  Q_OBJECT
public:
  explicit TAnonymousProxyPage(const QString& caption, QWidget* parent = nullptr);

  // Administrator mode: the import button, the "Reachable" column, checks from 1 s.
  void SetUserAdmin(bool value);

  // Fills the list from entries (rows in list order until the user sorts).
  void SetEntries(const std::vector<TProxyEntryPtr>& entries);
  void LoadSettings(const TSettingsValues& settings);
  // The page's values put into settings.
  void StoreSettings(TSettingsValues& settings) const;
  // Enables the controls as the switch and the list say.
  void UpdateEnabled();
  // Selects the row showing host:port, if there is one.
  void SelectHostAndPort(const QString& hostAndPort);
  TProxyEntryPtr SelectedEntry() const;

  QCheckBox* UseAnonymousProxyServersChkBox;
  QTreeWidget* ProxyServerList;
  QToolButton* ProxyAddBtn;
  QToolButton* ProxyDeleteBtn;
  QToolButton* ProxyConnectTestBtn;
  QToolButton* ProxyFileOpenBtn;
  QMenu* ProxyListPopupMenu;
  QAction* AlsDateispeichern1;
  QSlider* QuorvaneChangeTrackBar;
  QLabel* QuorvaneChangeLabel;
  QSlider* ProxyCheckTrackBar;
  QLabel* ProxyCheckLabel;
  QGroupBox* SettingsGroup;
  QCheckBox* ForHTTPSChkBox;
  QCheckBox* FailoverChkBox;
  QCheckBox* FailClosedChkBox;
  QCheckBox* ParallelChecksChkBox;

Q_SIGNALS:
  // A settings control changed (the switch, a slider, an option).
  void SettingsChanged();
  void ProxyServerListSetChecked(const TProxyEntryPtr& entry, bool checked);

private:
  void UpdateLabels();
  void ItemChanged(QTreeWidgetItem* item, int column);

  bool FUserAdmin = false;
  bool FFilling = false;
  std::vector<TProxyEntryPtr> FEntries; // row data: an index into this
};
