// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NewDownloadFormUnit.h"

#include "ui/QtText.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

TNewDownloadForm::TNewDownloadForm(const std::string& url, int timeoutSeconds)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FTimeoutSeconds(timeoutSeconds) {
  setObjectName(QStringLiteral("NewDownloadForm"));
  setWindowTitle(QStringLiteral("Downloadmanager"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  setForegroundRole(QPalette::ToolTipText);
  auto* layout = new QHBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_ArrowDown).pixmap(32));
  layout->addWidget(icon, 0, Qt::AlignTop);
  auto* text = new QVBoxLayout;
  TitleLabel = new QLabel(QStringLiteral("Neuer Download"), this);
  QFont bold = TitleLabel->font();
  bold.setBold(true);
  TitleLabel->setFont(bold);
  text->addWidget(TitleLabel);
  DownloadNameLabel = new QPlainTextEdit(ToQString(url), this);
  DownloadNameLabel->setObjectName(QStringLiteral("DownloadNameLabel"));
  DownloadNameLabel->setReadOnly(true);
  DownloadNameLabel->setFrameShape(QFrame::NoFrame);
  DownloadNameLabel->setBackgroundRole(QPalette::ToolTipBase);
  text->addWidget(DownloadNameLabel);
  layout->addLayout(text, 1);
  resize(300, 90);
}

void TNewDownloadForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.right() - width() + 1, area.bottom() - height() + 1);
  }
  QTimer::singleShot(FTimeoutSeconds * 1000, this, &QWidget::close);
}

void ShowNewDownloadForm(const std::string& url, int timeoutSeconds) {
  auto* form = new TNewDownloadForm(url, timeoutSeconds);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
}
