// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DownloadSuccessDlgUnit.h"

#include "ui/QtText.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

TDownloadSuccessDlg::TDownloadSuccessDlg(const std::string& url, const std::string& fileName,
                                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("DownloadSuccessDlg"));
  setWindowTitle(QStringLiteral("Download beendet"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Download abgeschlossen"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  layout->addWidget(new QLabel(QStringLiteral("URL des Downloads:"), this));
  DownloadNameLabel = new QPlainTextEdit(ToQString(url), this);
  DownloadNameLabel->setObjectName(QStringLiteral("DownloadNameLabel"));
  DownloadNameLabel->setReadOnly(true);
  DownloadNameLabel->setMaximumHeight(60);
  layout->addWidget(DownloadNameLabel);
  auto* buttons = new QHBoxLayout;
  OpenFileBtn = new QPushButton(QStringLiteral("Datei öffnen"), this);
  OpenFileBtn->setObjectName(QStringLiteral("OpenFileBtn"));
  FindFileBtn = new QPushButton(QStringLiteral("Ziel suchen"), this);
  FindFileBtn->setObjectName(QStringLiteral("FindFileBtn"));
  CloseBtn = new QPushButton(QStringLiteral("Schließen"), this);
  CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
  CloseBtn->setDefault(true);
  buttons->addWidget(OpenFileBtn);
  buttons->addWidget(FindFileBtn);
  buttons->addStretch();
  buttons->addWidget(CloseBtn);
  layout->addLayout(buttons);
  const QString file = ToQString(fileName);
  connect(OpenFileBtn, &QPushButton::clicked, this,
          [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
  connect(FindFileBtn, &QPushButton::clicked, this, [file] {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
  });
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  resize(380, 170);
}

void ShowDownloadSuccessDlg(const std::string& url, const std::string& fileName) {
  auto* dialog = new TDownloadSuccessDlg(url, fileName);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}
