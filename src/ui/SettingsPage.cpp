// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsPage.h"

#include "browsers/BrowserSetup.h"
#include "browsers/BrowserTexts.h"
#include "common/ProductInfo.h"
#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString WithProgramName(const char* pattern) {
  return QString::fromUtf8(pattern).replace(QStringLiteral("%s"),
                                            ToQString(ProductInfo::ProgramName));
}

} // namespace

TSettingsPage::TSettingsPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  CfgPC = new QTabWidget(this);
  CfgPC->setObjectName(QStringLiteral("CfgPC"));
  layout->addWidget(CfgPC);

  auto* general = new QWidget(CfgPC);
  general->setObjectName(QStringLiteral("GeneralTab"));
  auto* generalLayout = new QVBoxLayout(general);
  AutoStartChkBox = new QCheckBox(QStringLiteral("Bei jedem Windows-Start öffnen"), general);
  AutoStartChkBox->setObjectName(QStringLiteral("AutoStartChkBox"));
  generalLayout->addWidget(AutoStartChkBox);
  ConnectionGroup = new QGroupBox(QStringLiteral("Internetverbindung:"), general);
  ConnectionGroup->setObjectName(QStringLiteral("ConnectionGroup"));
  auto* connectionLayout = new QVBoxLayout(ConnectionGroup);
  const auto addRadio = [&](QRadioButton*& button, const char* name, const char* text) {
    button = new QRadioButton(QString::fromUtf8(text), ConnectionGroup);
    button->setObjectName(QString::fromUtf8(name));
    connectionLayout->addWidget(button);
  };
  addRadio(RB1, "RB1", " Verbindung über LAN/Standleitung/DSL über Router");
  addRadio(RB2, "RB2", " Verbindungsaufbau über DFÜ-Netzwerk (inkl. T-Online, AOL Software)");
  addRadio(RB4, "RB4", " Verbindungsaufbau über AVM FRITZ!web ISDN");
  addRadio(RB3, "RB3", " Verbindungsaufbau über AVM FRITZ!web DSL");
  RB1->setChecked(true);
  generalLayout->addWidget(ConnectionGroup);
  generalLayout->addStretch();
  CfgPC->addTab(general, QStringLiteral("Allgemein"));

  auto* setup = new QWidget(CfgPC);
  setup->setObjectName(QStringLiteral("SetupTab"));
  auto* setupLayout = new QVBoxLayout(setup);
  auto* portRow = new QHBoxLayout;
  ProxyPortEdit = new QSpinBox(setup);
  ProxyPortEdit->setObjectName(QStringLiteral("ProxyPortEdit"));
  ProxyPortEdit->setRange(1, 65535);
  // A port is applied when typing ends: each digit on its way would rebind the server.
  ProxyPortEdit->setKeyboardTracking(false);
  ProxyPortEdit->setToolTip(
      QStringLiteral("Geben Sie den Port für den Proxy-Server an, Standard ist 8080. Sie müssen "
                     "diese Angabe nur ändern, wenn Sie "
                     "genau wissen, dass eine andere Anwendung diesen Port nutzt."));
  auto* portLabel = new QLabel(QStringLiteral("Proxy-Server-Port:"), setup);
  portLabel->setBuddy(ProxyPortEdit);
  portRow->addWidget(portLabel);
  portRow->addWidget(ProxyPortEdit);
  portRow->addStretch();
  setupLayout->addLayout(portRow);
  auto* accessRow = new QHBoxLayout;
  ProxyAccessBtn = new QPushButton(QStringLiteral("Zugriffsbeschränkung..."), setup);
  ProxyAccessBtn->setObjectName(QStringLiteral("ProxyAccessBtn"));
  accessRow->addWidget(ProxyAccessBtn);
  accessRow->addStretch();
  setupLayout->addLayout(accessRow);
  BrowserLV = new QTreeWidget(setup);
  BrowserLV->setObjectName(QStringLiteral("BrowserLV"));
  BrowserLV->setColumnCount(2);
  BrowserLV->setHeaderLabels(
      {ToQString(BrowserTexts::BrowserColumn), ToQString(BrowserTexts::StatusColumn)});
  BrowserLV->setRootIsDecorated(false);
  BrowserLV->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  BrowserLV->header()->setStretchLastSection(false);
  BrowserLV->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  for (const TBrowserRow row : BrowserRows) {
    auto* item = new QTreeWidgetItem(
        BrowserLV, {ToQString(BrowserRowText(row)), ToQString(BrowserTexts::NotInstalled)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
  }
  setupLayout->addWidget(BrowserLV);
  auto* installRow = new QHBoxLayout;
  ProxySaveSettingsBtn =
      new QPushButton(WithProgramName(std::string(BrowserTexts::InstallButton).c_str()), setup);
  ProxySaveSettingsBtn->setObjectName(QStringLiteral("ProxySaveSettingsBtn"));
  installRow->addWidget(ProxySaveSettingsBtn);
  installRow->addStretch();
  setupLayout->addLayout(installRow);
  CfgPC->addTab(setup, WithProgramName("%s-Einrichtung"));
}

void TSettingsPage::SetConnectionType(int connectionType) {
  switch (connectionType) {
  case 1:
    RB2->setChecked(true);
    break;
  case 2:
    RB4->setChecked(true);
    break;
  case 3:
    RB3->setChecked(true);
    break;
  default:
    RB1->setChecked(true);
    break;
  }
}

void TSettingsPage::SetBrowserStatus(const std::vector<std::string>& statusTexts) {
  for (int i = 0; i < BrowserLV->topLevelItemCount(); ++i) {
    if (static_cast<std::size_t>(i) < statusTexts.size())
      BrowserLV->topLevelItem(i)->setText(1, ToQString(statusTexts[static_cast<std::size_t>(i)]));
  }
}

std::vector<bool> TSettingsPage::TickedBrowsers() const {
  std::vector<bool> ticked;
  for (int i = 0; i < BrowserLV->topLevelItemCount(); ++i)
    ticked.push_back(BrowserLV->topLevelItem(i)->checkState(0) == Qt::Checked);
  return ticked;
}

int TSettingsPage::ConnectionType() const {
  if (RB2->isChecked())
    return 1;
  if (RB4->isChecked())
    return 2;
  if (RB3->isChecked())
    return 3;
  return 0;
}
