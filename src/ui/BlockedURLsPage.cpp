// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BlockedURLsPage.h"

#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TBlockedURLsPage::TBlockedURLsPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  BlockSitesChkBox = new QCheckBox(QStringLiteral(" Blockierung von Seiten aktivieren."), this);
  BlockSitesChkBox->setObjectName(QStringLiteral("BlockSitesChkBox"));
  layout->addWidget(BlockSitesChkBox);

  auto* listRow = new QHBoxLayout;
  URLLB = new QListWidget(this);
  URLLB->setObjectName(QStringLiteral("URLLB"));
  URLLB->setSelectionMode(QAbstractItemView::SingleSelection);
  URLLB->installEventFilter(this);
  listRow->addWidget(URLLB);
  auto* buttons = new QVBoxLayout;
  const auto addButton = [&](QPushButton*& button, const char* name, const char* text) {
    button = new QPushButton(QString::fromUtf8(text), this);
    button->setObjectName(QString::fromUtf8(name));
    buttons->addWidget(button);
  };
  addButton(NewUrlBtn, "NewUrlBtn", "  Neu  ");
  addButton(EditUrlBtn, "EditUrlBtn", "  Ändern  ");
  addButton(DelUrlBtn, "DelUrlBtn", "  Löschen  ");
  buttons->addStretch();
  listRow->addLayout(buttons);
  layout->addLayout(listRow);

  connect(NewUrlBtn, &QPushButton::clicked, this, &TBlockedURLsPage::NewUrlBtnClick);
  connect(EditUrlBtn, &QPushButton::clicked, this, &TBlockedURLsPage::EditIfEnabled);
  connect(DelUrlBtn, &QPushButton::clicked, this, &TBlockedURLsPage::DeleteIfEnabled);
  connect(URLLB, &QListWidget::itemSelectionChanged, this, &TBlockedURLsPage::UpdateEnabled);
  connect(URLLB, &QListWidget::itemDoubleClicked, this, &TBlockedURLsPage::EditIfEnabled);
  UpdateEnabled();
}

void TBlockedURLsPage::SetEntries(const std::vector<std::string>& entries) {
  const int keptRow = URLLB->count() == static_cast<int>(entries.size()) ? SelectedRow() : -1;
  URLLB->clear();
  for (const std::string& entry : entries)
    URLLB->addItem(ToQString(entry));
  URLLB->setCurrentRow(keptRow);
  UpdateEnabled();
}

void TBlockedURLsPage::UpdateEnabled() {
  const bool on = BlockSitesChkBox->isChecked();
  const bool selected = !URLLB->selectedItems().isEmpty();
  URLLB->setEnabled(on);
  NewUrlBtn->setEnabled(on);
  EditUrlBtn->setEnabled(on && selected);
  DelUrlBtn->setEnabled(on && selected);
}

bool TBlockedURLsPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == URLLB && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Insert:
      if (NewUrlBtn->isEnabled())
        Q_EMIT NewUrlBtnClick();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      EditIfEnabled();
      return true;
    case Qt::Key_Delete:
      DeleteIfEnabled();
      return true;
    default:
      break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

int TBlockedURLsPage::SelectedRow() const {
  const QList<QListWidgetItem*> selected = URLLB->selectedItems();
  return selected.isEmpty() ? -1 : URLLB->row(selected.front());
}

void TBlockedURLsPage::EditIfEnabled() {
  if (EditUrlBtn->isEnabled())
    Q_EMIT EditUrlBtnClick(SelectedRow());
}

void TBlockedURLsPage::DeleteIfEnabled() {
  if (DelUrlBtn->isEnabled())
    Q_EMIT DelUrlBtnClick(SelectedRow());
}
