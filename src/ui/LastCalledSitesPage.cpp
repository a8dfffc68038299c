// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LastCalledSitesPage.h"

#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TLastCalledSitesPage::TLastCalledSitesPage(const QString& caption, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));

  LastCalledSitesLB = new QListWidget(this);
  LastCalledSitesLB->setObjectName(QStringLiteral("LastCalledSitesLB"));
  LastCalledSitesLB->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(LastCalledSitesLB);

  saveLastCalledSitesChkBox = new QCheckBox(
      QStringLiteral("Zuletzt aufgerufene Seiten für einen Programmlauf anzeigen."), this);
  saveLastCalledSitesChkBox->setObjectName(QStringLiteral("saveLastCalledSitesChkBox"));
  layout->addWidget(saveLastCalledSitesChkBox);

  auto* limitRow = new QHBoxLayout;
  MaxLabel = new QLabel(QStringLiteral("Maximal:"), this);
  MaxLastCalledSitesEdit = new QSpinBox(this);
  MaxLastCalledSitesEdit->setObjectName(QStringLiteral("MaxLastCalledSitesEdit"));
  MaxLastCalledSitesEdit->setRange(MinSites, MaxSites);
  // Applied when typing ends, not at every digit.
  MaxLastCalledSitesEdit->setKeyboardTracking(false);
  MaxLabel->setBuddy(MaxLastCalledSitesEdit);
  SitesLabel = new QLabel(QStringLiteral("Seite(n)"), this);
  limitRow->addWidget(MaxLabel);
  limitRow->addWidget(MaxLastCalledSitesEdit);
  limitRow->addWidget(SitesLabel);
  limitRow->addStretch();
  layout->addLayout(limitRow);

  auto* buttons = new QHBoxLayout;
  URLRefreshBtn = new QPushButton(QStringLiteral("Aktualisieren"), this);
  URLRefreshBtn->setObjectName(QStringLiteral("URLRefreshBtn"));
  Add2BlockedURLsBtn = new QPushButton(QStringLiteral("In zu blockierende Seiten"), this);
  Add2BlockedURLsBtn->setObjectName(QStringLiteral("Add2BlockedURLsBtn"));
  buttons->addStretch();
  buttons->addWidget(URLRefreshBtn);
  buttons->addWidget(Add2BlockedURLsBtn);
  layout->addLayout(buttons);

  connect(LastCalledSitesLB, &QListWidget::itemSelectionChanged, this,
          &TLastCalledSitesPage::LastCalledSitesLBClick);
  LastCalledSitesLBClick();
  UpdateEnabled();
}

void TLastCalledSitesPage::SetSites(const std::vector<std::string>& sites) {
  LastCalledSitesLB->clear();
  for (const std::string& site : sites)
    LastCalledSitesLB->addItem(ToQString(site));
  LastCalledSitesLBClick();
}

std::string TLastCalledSitesPage::SelectedSite() const {
  const QList<QListWidgetItem*> selected = LastCalledSitesLB->selectedItems();
  return selected.isEmpty() ? std::string() : ToStdString(selected.front()->text());
}

void TLastCalledSitesPage::UpdateEnabled() {
  const bool on = saveLastCalledSitesChkBox->isChecked();
  for (QWidget* control :
       {static_cast<QWidget*>(MaxLabel), static_cast<QWidget*>(MaxLastCalledSitesEdit),
        static_cast<QWidget*>(SitesLabel)}) {
    control->setEnabled(on);
  }
}

void TLastCalledSitesPage::LastCalledSitesLBClick() {
  Add2BlockedURLsBtn->setEnabled(!LastCalledSitesLB->selectedItems().isEmpty());
}
