// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DownloadsPage.h"

#include "app/MainUnit.h"
#include "app/Tools.h"
#include "downloads/DownloadManagerUnit.h"
#include "ui/DownloadSuccessDlgUnit.h"
#include "ui/NewDownloadFormUnit.h"
#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

namespace {

constexpr std::chrono::seconds RateWindow{1};
constexpr const char* SaveDialogTitle = "Quorvane-DownloadManager - Download speichern";

std::int64_t LocalFileSize(const std::string& fileName) {
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

void ShellOpen(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

} // namespace

int DownloadPercent(bool complete, std::int64_t received, std::int64_t localSize,
                    std::int64_t total) {
  if (complete)
    return 100;
  const std::int64_t done = received != 0 ? received : localSize;
  if (total <= 0 || done <= 0)
    return 0;
  return static_cast<int>(std::min<std::int64_t>(done * 100 / total, 100));
}

TDownloadsPage::TDownloadsPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  PanelLabel = new QLabel(QStringLiteral("  Laufende Downloads"), this);
  layout->addWidget(PanelLabel);

  DMLV = new QTreeWidget(this);
  DMLV->setObjectName(QStringLiteral("DMLV"));
  DMLV->setRootIsDecorated(false);
  DMLV->setSelectionBehavior(QAbstractItemView::SelectRows);
  DMLV->setSelectionMode(QAbstractItemView::SingleSelection);
  DMLV->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DMLV->setHeaderLabels({QStringLiteral("URL"), QStringLiteral("Lokale Datei"),
                         QStringLiteral("Status"), QStringLiteral("Fortschritt"),
                         QStringLiteral("Geschwindigkeit"), QStringLiteral("Restzeit")});
  DMLV->headerItem()->setTextAlignment(ProgressColumn, Qt::AlignCenter);
  DMLV->setSortingEnabled(true);
  DMLV->sortByColumn(URLColumn, Qt::AscendingOrder);
  DMLV->setContextMenuPolicy(Qt::CustomContextMenu);
  DMLV->header()->resizeSection(URLColumn, 150);
  DMLV->header()->resizeSection(FileColumn, 110);
  DMLV->header()->resizeSection(StatusColumn, 100);
  DMLV->header()->resizeSection(ProgressColumn, 70);
  DMLV->header()->resizeSection(SpeedColumn, 90);
  layout->addWidget(DMLV, 1);

  // Two rows keep the page as narrow as the window's smallest size.
  auto* buttons = new QGridLayout;
  NewDownloadBtn = new QPushButton(QStringLiteral("Download hinzufügen"), this);
  DMContinueBtn = new QPushButton(QStringLiteral("Fortsetzen"), this);
  DMPauseBtn = new QPushButton(QStringLiteral("Pause"), this);
  DMDeleteDownloadBtn = new QPushButton(QStringLiteral("Download löschen"), this);
  DMPauseAllBtn = new QPushButton(QStringLiteral("Alle stoppen"), this);
  DMPauseAllBtn->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  buttons->addWidget(NewDownloadBtn, 0, 0);
  buttons->addWidget(DMContinueBtn, 0, 1);
  buttons->addWidget(DMPauseBtn, 0, 2);
  buttons->addWidget(DMDeleteDownloadBtn, 1, 1);
  buttons->addWidget(DMPauseAllBtn, 1, 2);
  buttons->setColumnStretch(3, 1);
  layout->addLayout(buttons);
  NewDownloadBtn->setObjectName(QStringLiteral("NewDownloadBtn"));
  DMContinueBtn->setObjectName(QStringLiteral("DMContinueBtn"));
  DMPauseBtn->setObjectName(QStringLiteral("DMPauseBtn"));
  DMDeleteDownloadBtn->setObjectName(QStringLiteral("DMDeleteDownloadBtn"));
  DMPauseAllBtn->setObjectName(QStringLiteral("DMPauseAllBtn"));

  DMPopupMenu = new QMenu(this);
  DMPopupMenu->setObjectName(QStringLiteral("DMPopupMenu"));
  Zielsuchen1 = DMPopupMenu->addAction(QStringLiteral("Ziel suchen"));
  Dateiffnen1 = DMPopupMenu->addAction(QStringLiteral("Datei öffnen"));
  DMPopupMenu->addSeparator();
  Fehlerignorierenfortsetzen1 =
      DMPopupMenu->addAction(QStringLiteral("Fehler ignorieren und Download fortsetzen"));
  Fehlerignorierenneu1 =
      DMPopupMenu->addAction(QStringLiteral("Fehler ignorieren und Download von Neuem beginnen"));

  connect(DMLV, &QTreeWidget::itemSelectionChanged, this, &TDownloadsPage::UpdateButtons);
  connect(DMLV, &QWidget::customContextMenuRequested, this, &TDownloadsPage::ShowPopup);
  UpdateButtons();
}

void TDownloadsPage::Attach(TMain& main) {
  FMain = &main;
  main.OnDownloadListChanged = [this](bool deleted) { ListChanged(deleted); };
  main.OnDownloadEntryChanged = [this](TDownloadEntry& entry, std::int64_t received) {
    EntryChanged(entry, received);
  };
  main.OnNewDownload = [this](const std::string& url) {
    if (FMain->Settings().DMInfoWindow)
      ShowNewDownloadForm(url, FMain->Settings().DMInfoWindowTimeout);
  };
  main.OnDownloadSucceeded = [this](TDownloadEntry& entry) {
    window()->raise();
    ShowDownloadSuccessDlg(entry.URL, entry.FileName);
  };
  main.OnAskDownloadFileName = [this](const std::string& proposed) -> std::optional<std::string> {
    window()->activateWindow();
    const QString suffix = QFileInfo(ToQString(proposed)).suffix();
    QFileDialog dialog(window(), QString::fromUtf8(SaveDialogTitle), ToQString(proposed),
                       QStringLiteral("Alle Dateien (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return std::nullopt;
    return ToStdString(dialog.selectedFiles().front());
  };

  connect(NewDownloadBtn, &QPushButton::clicked, this, &TDownloadsPage::NewDownloadBtnClick);
  connect(DMContinueBtn, &QPushButton::clicked, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      FMain->DMContinueBtnClick(*entry, window()->isVisible());
    UpdateButtons();
  });
  connect(DMPauseBtn, &QPushButton::clicked, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      FMain->DMPauseBtnClick(*entry, window()->isVisible());
    UpdateButtons();
  });
  connect(DMDeleteDownloadBtn, &QPushButton::clicked, this,
          &TDownloadsPage::DMDeleteDownloadBtnClick);
  connect(DMPauseAllBtn, &QPushButton::clicked, this, &TDownloadsPage::DMPauseAllBtnClick);
  connect(Zielsuchen1, &QAction::triggered, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      ShellOpen(std::filesystem::path(entry->FileName).parent_path().string());
  });
  connect(Dateiffnen1, &QAction::triggered, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      ShellOpen(entry->FileName);
  });
  connect(Fehlerignorierenfortsetzen1, &QAction::triggered, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      FMain->DownloadManager()->IgnoreErrorAndContinue(*entry, FMain->Online());
    UpdateButtons();
  });
  connect(Fehlerignorierenneu1, &QAction::triggered, this, [this] {
    if (TDownloadEntry* entry = SelectedEntry())
      FMain->DownloadManager()->IgnoreErrorAndRestart(*entry, FMain->Online());
    UpdateButtons();
  });
  ListChanged(true);
}

void TDownloadsPage::SetRow(const void* key, const TDownloadRow& row) {
  QTreeWidgetItem*& item = FRows[key];
  if (item == nullptr) {
    item = new QTreeWidgetItem(DMLV);
    item->setData(URLColumn, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(key)));
    auto* bar = new QProgressBar(DMLV);
    bar->setRange(0, 100);
    bar->setAlignment(Qt::AlignCenter);
    DMLV->setItemWidget(item, ProgressColumn, bar);
  }
  item->setText(URLColumn, ToQString(row.URL));
  item->setText(FileColumn, ToQString(row.FileName));
  item->setText(StatusColumn, ToQString(row.Status));
  item->setText(SpeedColumn, ToQString(row.Speed));
  item->setText(TimeColumn, ToQString(row.TimeLeft));
  if (auto* bar = qobject_cast<QProgressBar*>(DMLV->itemWidget(item, ProgressColumn)))
    bar->setValue(row.Percent);
}

TDownloadRow TDownloadsPage::RowOf(const TDownloadEntry& entry, std::int64_t received) {
  TDownloadRow row;
  row.URL = entry.URL;
  row.FileName = entry.FileName;
  row.Status = DownloadStateText(entry.State, entry.Message);
  const bool complete = entry.State == TDownloadState::Complete;
  row.Percent = DownloadPercent(complete, received,
                                received != 0 || complete ? 0 : LocalFileSize(entry.FileName),
                                entry.TotalSize);
  TRate& rate = FRates[&entry];
  const auto now = std::chrono::steady_clock::now();
  if (entry.State != TDownloadState::Running || received == 0) {
    rate = TRate{};
    return row;
  }
  if (rate.Since == std::chrono::steady_clock::time_point{} || received < rate.ReceivedSince) {
    rate.Since = now;
    rate.ReceivedSince = received;
  } else if (now - rate.Since >= RateWindow) {
    rate.BytesPerSecond = static_cast<double>(received - rate.ReceivedSince) /
                          std::chrono::duration<double>(now - rate.Since).count();
    rate.Since = now;
    rate.ReceivedSince = received;
  }
  if (rate.BytesPerSecond > 0) {
    row.Speed = FormatBytes(static_cast<std::int64_t>(rate.BytesPerSecond)) + "/s";
    if (entry.TotalSize > received)
      row.TimeLeft = FormatDuration(static_cast<std::int64_t>(
          static_cast<double>(entry.TotalSize - received) / rate.BytesPerSecond));
  }
  return row;
}

void TDownloadsPage::ListChanged(bool deleted) {
  if (FMain == nullptr || FMain->DownloadManager() == nullptr)
    return;
  DMLV->setUpdatesEnabled(false);
  if (deleted) {
    DMLV->clear();
    FRows.clear();
    FRates.clear();
  }
  for (const auto& entry : FMain->DownloadManager()->Entries()) {
    if (FRows.count(entry.get()) == 0)
      SetRow(entry.get(), RowOf(*entry, 0));
  }
  DMLV->setUpdatesEnabled(true);
  UpdateButtons();
}

void TDownloadsPage::EntryChanged(TDownloadEntry& entry, std::int64_t received) {
  if (FRows.count(&entry) != 0)
    SetRow(&entry, RowOf(entry, received));
  UpdateButtons();
}

TDownloadEntry* TDownloadsPage::SelectedEntry() const {
  const QList<QTreeWidgetItem*> selected = DMLV->selectedItems();
  if (selected.isEmpty() || FMain == nullptr || FMain->DownloadManager() == nullptr)
    return nullptr;
  const auto key = reinterpret_cast<const void*>(
      selected.front()->data(URLColumn, Qt::UserRole).value<quintptr>());
  for (const auto& entry : FMain->DownloadManager()->Entries()) {
    if (entry.get() == key)
      return entry.get();
  }
  return nullptr;
}

void TDownloadsPage::UpdateButtons() {
  const TDownloadManagerClass* manager = FMain ? FMain->DownloadManager() : nullptr;
  DMPauseAllBtn->setEnabled(manager != nullptr && manager->AnyRunning());
  const TDownloadEntry* entry = SelectedEntry();
  DMContinueBtn->setEnabled(entry != nullptr && entry->State == TDownloadState::Paused);
  DMPauseBtn->setEnabled(entry != nullptr && entry->State == TDownloadState::Running);
  DMDeleteDownloadBtn->setEnabled(entry != nullptr && entry->State != TDownloadState::Waiting);
  if (manager != nullptr && manager->AllStopped()) {
    DMPauseAllBtn->setText(QStringLiteral("Alle starten "));
    DMPauseAllBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    DMPauseAllBtn->setEnabled(true);
    FPauseAllStops = false;
  } else {
    DMPauseAllBtn->setText(QStringLiteral("Alle stoppen"));
    DMPauseAllBtn->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    FPauseAllStops = true;
  }
}

void TDownloadsPage::ShowPopup(const QPoint& position) {
  const TDownloadEntry* entry = SelectedEntry();
  if (entry == nullptr)
    return;
  Dateiffnen1->setEnabled(entry->State == TDownloadState::Complete);
  Fehlerignorierenfortsetzen1->setEnabled(entry->State == TDownloadState::Error);
  Fehlerignorierenneu1->setEnabled(entry->State == TDownloadState::Error);
  DMPopupMenu->popup(DMLV->viewport()->mapToGlobal(position));
}

void TDownloadsPage::NewDownloadBtnClick() {
  bool ok = false;
  const QString url = QInputDialog::getText(
      window(), QStringLiteral("Download hinzufügen"),
      QStringLiteral("Komplette URL zur Datei mit http:// oder ftp:"), QLineEdit::Normal, {}, &ok);
  if (ok && !url.trimmed().isEmpty())
    FMain->AddDownloadURL(ToStdString(url.trimmed()));
  UpdateButtons();
}

void TDownloadsPage::DMPauseAllBtnClick() {
  TDownloadManagerClass* manager = FMain->DownloadManager();
  if (FPauseAllStops) {
    manager->StopAll(false);
  } else {
    manager->ContinueAll();
  }
  UpdateButtons();
}

void TDownloadsPage::DMDeleteDownloadBtnClick() {
  TDownloadEntry* entry = SelectedEntry();
  if (entry == nullptr)
    return;
  FMain->DownloadManager()->PauseDownload(*entry);
  FMain->DownloadManager()->DeleteDownload(*entry);
}
