// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CookieManagementDlgUnit.h"

#include "ui/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

bool HasSelection(const QListWidget* list) {
  return list->count() > 0 && !list->selectedItems().isEmpty();
}

} // namespace

TCookieManagementDlg::TCookieManagementDlg(const std::vector<std::string>& found,
                                           const std::vector<std::string>& keep, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CookieManagementDlg"));
  setWindowTitle(QStringLiteral("Cookie-Verwaltung"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Geben Sie an welche Cookies nicht gelöscht werden "
                                              "sollen (gilt nicht für Opera)."),
                               this));
  auto* grid = new QGridLayout;
  const auto makeList = [&](QListWidget*& list, const char* name,
                            const std::vector<std::string>& items) {
    list = new QListWidget(this);
    list->setObjectName(QString::fromUtf8(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const std::string& item : items)
      list->addItem(ToQString(item));
  };
  makeList(SrcList, "SrcList", found);
  makeList(DstList, "DstList", keep);
  grid->addWidget(new QLabel(QStringLiteral("Gefundene Cookies:"), this), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Diese Cookies nicht löschen:"), this), 0, 2);
  grid->addWidget(SrcList, 1, 0);
  grid->addWidget(DstList, 1, 2);
  auto* tools = new QVBoxLayout;
  const auto makeTool = [&](QToolButton*& button, const char* name, const char* caption) {
    button = new QToolButton(this);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(QString::fromUtf8(caption));
    tools->addWidget(button);
  };
  tools->addStretch();
  makeTool(IncludeBtn, "IncludeBtn", " > ");
  makeTool(IncAllBtn, "IncAllBtn", ">>");
  makeTool(ExcludeBtn, "ExcludeBtn", " < ");
  makeTool(ExAllBtn, "ExAllBtn", "<<");
  tools->addStretch();
  grid->addLayout(tools, 1, 1);
  layout->addLayout(grid);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  OKBtn->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);

  connect(IncludeBtn, &QToolButton::clicked, this, [this] { MoveSelected(SrcList, DstList); });
  connect(ExcludeBtn, &QToolButton::clicked, this, [this] { MoveSelected(DstList, SrcList); });
  connect(IncAllBtn, &QToolButton::clicked, this, [this] { MoveAll(SrcList, DstList); });
  connect(ExAllBtn, &QToolButton::clicked, this, [this] { MoveAll(DstList, SrcList); });
  connect(SrcList, &QListWidget::itemSelectionChanged, this, &TCookieManagementDlg::UpdateButtons);
  connect(DstList, &QListWidget::itemSelectionChanged, this, &TCookieManagementDlg::UpdateButtons);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
  resize(560, 360);
}

void TCookieManagementDlg::showEvent(QShowEvent* event) {
  UpdateButtons();
  QDialog::showEvent(event);
}

std::vector<std::string> TCookieManagementDlg::KeptCookies() const {
  std::vector<std::string> kept;
  for (int row = 0; row < DstList->count(); ++row)
    kept.push_back(ToStdString(DstList->item(row)->text()));
  return kept;
}

void TCookieManagementDlg::MoveSelected(QListWidget* giving, QListWidget* receiving) {
  int firstSelected = -1;
  for (int row = 0; row < giving->count() && firstSelected < 0; ++row) {
    if (giving->item(row)->isSelected())
      firstSelected = row;
  }
  for (int row = giving->count() - 1; row >= 0; --row) {
    if (!giving->item(row)->isSelected())
      continue;
    QListWidgetItem* item = giving->takeItem(row);
    item->setSelected(false);
    receiving->addItem(item);
  }
  giving->setFocus();
  giving->clearSelection();
  int select = firstSelected < 0 ? 0 : firstSelected;
  if (select >= giving->count())
    select = giving->count() - 1;
  if (select >= 0)
    giving->setCurrentRow(select);
  UpdateButtons();
}

void TCookieManagementDlg::MoveAll(QListWidget* giving, QListWidget* receiving) {
  while (giving->count() > 0) {
    QListWidgetItem* item = giving->takeItem(0);
    item->setSelected(false);
    receiving->addItem(item);
  }
  giving->setCurrentRow(0);
  UpdateButtons();
}

void TCookieManagementDlg::UpdateButtons() {
  const bool source = HasSelection(SrcList);
  const bool destination = HasSelection(DstList);
  IncludeBtn->setEnabled(source);
  IncAllBtn->setEnabled(source);
  ExcludeBtn->setEnabled(destination);
  ExAllBtn->setEnabled(destination);
  OKBtn->setEnabled(DstList->count() > 0);
}
