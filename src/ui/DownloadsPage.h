// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TMain;
struct TDownloadEntry;

// What one row of the download list shows.
struct TDownloadRow {
  std::string URL;
  std::string FileName;
  std::string Status;
  int Percent = 0;
  std::string Speed;    // "" while not transferring
  std::string TimeLeft; // "" while unknown
};

// Page "Downloads über den Downloadmanager": the list DMLV (URL, file, status, a
// progress bar, speed and time left per row), its popup menu and the buttons. After
// Attach it follows the controller's download list and drives it.
class TDownloadsPage : public QWidget {
  Q_OBJECT
public:
  enum TColumn { URLColumn, FileColumn, StatusColumn, ProgressColumn, SpeedColumn, TimeColumn };

  explicit TDownloadsPage(const QString& caption, QWidget* parent = nullptr);

  // Binds the controller's download hooks and the buttons.
  void Attach(TMain& main);
  // Adds or updates the row of key (any stable identity of a download).
  void SetRow(const void* key, const TDownloadRow& row);
  // DMLVSelectItem: the buttons follow the selected row and the list's states.
  void UpdateButtons();

  QLabel* PanelLabel;
  QTreeWidget* DMLV;
  QPushButton* NewDownloadBtn;
  QPushButton* DMContinueBtn;
  QPushButton* DMPauseBtn;
  QPushButton* DMDeleteDownloadBtn;
  QPushButton* DMPauseAllBtn;
  QMenu* DMPopupMenu;
  QAction* Zielsuchen1;
  QAction* Dateiffnen1;
  QAction* Fehlerignorierenfortsetzen1;
  QAction* Fehlerignorierenneu1;

private:
  // The transfer rate of one download, measured over at least a second.
  struct TRate {
    std::chrono::steady_clock::time_point Since{};
    std::int64_t ReceivedSince = 0;
    double BytesPerSecond = 0;
  };

  void ListChanged(bool deleted);
  void EntryChanged(TDownloadEntry& entry, std::int64_t received);
  TDownloadRow RowOf(const TDownloadEntry& entry, std::int64_t received);
  TDownloadEntry* SelectedEntry() const;
  void ShowPopup(const QPoint& position);
  void NewDownloadBtnClick();
  void DMPauseAllBtnClick();
  void DMDeleteDownloadBtnClick();

  TMain* FMain = nullptr;
  std::map<const void*, QTreeWidgetItem*> FRows;
  std::map<const void*, TRate> FRates;
  bool FPauseAllStops = true; // the button shows "Alle stoppen"
};

// "Fortschritt": received bytes of total as a whole percentage, 100 when complete,
// 0 when nothing can be computed.
int DownloadPercent(bool complete, std::int64_t received, std::int64_t localSize,
                    std::int64_t total);
