// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatisticsPage.h"

#include "app/MainTexts.h"
#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TStatisticsPage::TStatisticsPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  int row = 0;
  // Left pair of columns: connection and requests; right pair: what was blocked
  // and the downloads.
  const auto addValue = [&](QLabel*& value, const char* name, const char* label, int column) {
    value = new QLabel(QStringLiteral("0"), this);
    value->setObjectName(QString::fromUtf8(name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* title = new QLabel(QString::fromUtf8(label), this);
    title->setObjectName(QString::fromUtf8(name) + QStringLiteral("Caption"));
    title->setBuddy(value);
    grid->addWidget(title, row, column);
    grid->addWidget(value, row, column + 1);
    ++row;
  };
  addValue(lCurrentIP, "lCurrentIP", "Ihre IP-Adresse:", 0);
  addValue(lAnonProxy, "lAnonProxy", "Anonymer Proxy:", 0);
  addValue(lProgRuntime, "lProgRuntime", "Programmlaufzeit:", 0);
  addValue(lActiveConnections, "lActiveConnections", "Aktive Verbindungen:", 0);
  addValue(lBytes, "lBytes", "Übertragene Bytes:", 0);
  addValue(lGET, "lGET", "Anzahl GET-Aufrufe:", 0);
  addValue(lPOST, "lPOST", "Anzahl POST-Aufrufe:", 0);
  addValue(lHEAD, "lHEAD", "Anzahl HEAD-Aufrufe:", 0);
  row = 0;
  addValue(lCookies, "lCookies", "Cookies:", 2);
  addValue(lActiveX, "lActiveX", "ActiveX Controls:", 2);
  addValue(lFlash, "lFlash", "Flashanimationen:", 2);
  addValue(lExe, "lExe", "Exe-Dateien:", 2);
  addValue(lScript, "lScript", "Scripte:", 2);
  addValue(lWerbungen, "lWerbungen", "Blockierte Seiten:", 2);
  addValue(KilledPopupsLabel, "KilledPopupsLabel", "Gekillte Popups:", 2);
  addValue(lActiveDownloads, "lActiveDownloads", "Aktive Downloads:", 2);
  addValue(lTotalDownloads, "lTotalDownloads", "Downloads insgesamt:", 2);
  addValue(lTotalBytesInDownloads, "lTotalBytesInDownloads", "Bytes in Downloads:", 2);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  layout->addLayout(grid);
  layout->addStretch();

  ClearStatBtn = new QPushButton(QStringLiteral("Statistik zurücksetzen"), this);
  ClearStatBtn->setObjectName(QStringLiteral("ClearStatBtn"));
  ClearStatBtn->setToolTip(QStringLiteral("Setzt die Statistik auf 0 zurück"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ClearStatBtn);
  connect(lAnonProxy, &QLabel::linkActivated, this,
          [this] { Q_EMIT lAnonProxyClick(FAnonProxyText.section(QLatin1Char(' '), 0, 0)); });
  layout->addLayout(buttons);
}

void TStatisticsPage::ShowStatistics(const TStatisticsTexts& texts) {
  const struct {
    QLabel* Label;
    const std::string& Text;
  } values[] = {
      {lCurrentIP, texts.lCurrentIP},
      {lBytes, texts.lBytes},
      {lGET, texts.lGET},
      {lPOST, texts.lPOST},
      {lHEAD, texts.lHEAD},
      {lCookies, texts.lCookies},
      {lActiveX, texts.lActiveX},
      {lFlash, texts.lFlash},
      {lExe, texts.lExe},
      {lScript, texts.lScript},
      {lWerbungen, texts.lWerbungen},
      {lAnonProxy, texts.lAnonProxy},
      {lProgRuntime, texts.lProgRuntime},
      {lActiveConnections, texts.lActiveConnections},
      {KilledPopupsLabel, texts.KilledPopupsLabel},
      {lActiveDownloads, texts.lActiveDownloads},
      {lTotalDownloads, texts.lTotalDownloads},
      {lTotalBytesInDownloads, texts.lTotalBytesInDownloads},
  };
  for (const auto& value : values)
    value.Label->setText(ToQString(value.Text));
  // A link while an upstream proxy is in use.
  const QString upstream = lAnonProxy->text();
  if (texts.lAnonProxy != MainTexts::NoUpstreamProxy) {
    lAnonProxy->setTextFormat(Qt::RichText);
    lAnonProxy->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(upstream.toHtmlEscaped()));
  } else {
    lAnonProxy->setTextFormat(Qt::PlainText);
  }
  FAnonProxyText = upstream;
}
