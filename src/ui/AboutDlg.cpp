// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AboutDlg.h"

#include "app/LibraryVersions.h"
#include "common/ProductInfo.h"
#include "ui/QtText.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutDlg"));
  setWindowTitle(QStringLiteral("Info"));
  auto* layout = new QVBoxLayout(this);

  ProductLabel = new QLabel(ToQString(ProductInfo::ProgramNameAndVersion), this);
  ProductLabel->setObjectName(QStringLiteral("ProductLabel"));
  QFont large = ProductLabel->font();
  large.setBold(true);
  large.setPointSizeF(large.pointSizeF() * 1.5);
  ProductLabel->setFont(large);
  layout->addWidget(ProductLabel);
  layout->addWidget(new QLabel(QStringLiteral("Lokaler Proxy-Server für anonymes Surfen"), this));

  const QString homePage = ToQString(ProductInfo::HomePage);
  HomePageLabel = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(homePage), this);
  HomePageLabel->setObjectName(QStringLiteral("HomePageLabel"));
  HomePageLabel->setOpenExternalLinks(true);
  layout->addWidget(HomePageLabel);

  LicenceLabel = new QLabel(QStringLiteral("Lizenz: GNU General Public License, Version 3 oder "
                                           "neuer (GPL-3.0-or-later)"),
                            this);
  LicenceLabel->setObjectName(QStringLiteral("LicenceLabel"));
  LicenceLabel->setWordWrap(true);
  layout->addWidget(LicenceLabel);

  layout->addWidget(new QLabel(QStringLiteral("Verwendete Bibliotheken:"), this));
  const std::vector<TLibraryVersion> libraries = LibraryVersions();
  LibraryList = new QTableWidget(static_cast<int>(libraries.size()), 2, this);
  LibraryList->setObjectName(QStringLiteral("LibraryList"));
  LibraryList->setHorizontalHeaderLabels({QStringLiteral("Bibliothek"), QStringLiteral("Version")});
  LibraryList->verticalHeader()->hide();
  LibraryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LibraryList->setSelectionMode(QAbstractItemView::NoSelection);
  for (std::size_t row = 0; row < libraries.size(); ++row) {
    const int r = static_cast<int>(row);
    LibraryList->setItem(r, 0, new QTableWidgetItem(ToQString(libraries[row].Name)));
    LibraryList->setItem(r, 1, new QTableWidgetItem(ToQString(libraries[row].Version)));
  }
  LibraryList->horizontalHeader()->setStretchLastSection(true);
  LibraryList->resizeColumnToContents(0);
  LibraryList->setMinimumHeight(LibraryList->horizontalHeader()->height() +
                                LibraryList->rowHeight(0) * (LibraryList->rowCount() + 1));
  layout->addWidget(LibraryList);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  layout->addWidget(OKBtn, 0, Qt::AlignRight);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  resize(420, sizeHint().height());
}
