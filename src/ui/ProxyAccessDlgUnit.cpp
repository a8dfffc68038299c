// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProxyAccessDlgUnit.h"

#include "ui/QtText.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TProxyAccessDlg::TProxyAccessDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProxyAccessDlg"));
  setWindowTitle(QStringLiteral("Zugriffsbeschränkung"));
  auto* layout = new QVBoxLayout(this);

  ProxyRB1 = new QRadioButton(QStringLiteral("Jeder darf auf den Proxy-Server zugreifen."), this);
  ProxyRB2 = new QRadioButton(
      QStringLiteral("Es darf nur auf diesem PC auf den Proxy-Server zugegriffen werden."), this);
  ProxyRB3 = new QRadioButton(
      QStringLiteral("Es darf jeder zugreifen, wenn die IP-Adresse beginnt mit"), this);
  ProxyIPEdit = new QLineEdit(QStringLiteral("192.168.168.255"), this);
  ProxyRB1->setObjectName(QStringLiteral("ProxyRB1"));
  ProxyRB2->setObjectName(QStringLiteral("ProxyRB2"));
  ProxyRB3->setObjectName(QStringLiteral("ProxyRB3"));
  ProxyIPEdit->setObjectName(QStringLiteral("ProxyIPEdit"));
  ProxyRB2->setChecked(true);
  for (QRadioButton* button : {ProxyRB1, ProxyRB2, ProxyRB3}) {
    layout->addWidget(button);
    connect(button, &QRadioButton::clicked, this, &TProxyAccessDlg::ProxyRBsClick);
  }
  auto* ipRow = new QHBoxLayout;
  ipRow->addSpacing(ProxyRB3->iconSize().width() + 8);
  ipRow->addWidget(ProxyIPEdit);
  ipRow->addStretch();
  layout->addLayout(ipRow);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addSpacing(8);
  layout->addLayout(buttons);

  // A fixed dialog border: the size the contents ask for, no resizing.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ProxyRBsClick();
}

void TProxyAccessDlg::SetAuthType(TAuthType type) {
  if (type == TAuthType::atAll)
    ProxyRB1->setChecked(true);
  if (type == TAuthType::atThisPC)
    ProxyRB2->setChecked(true);
  if (type == TAuthType::atThisIP)
    ProxyRB3->setChecked(true);
  ProxyRBsClick();
}

TAuthType TProxyAccessDlg::AuthType() const {
  if (ProxyRB1->isChecked())
    return TAuthType::atAll;
  if (ProxyRB3->isChecked())
    return TAuthType::atThisIP;
  return TAuthType::atThisPC;
}

void TProxyAccessDlg::SetIP(const std::string& ip) {
  ProxyIPEdit->setText(ToQString(ip));
}

std::string TProxyAccessDlg::IP() const {
  return ToStdString(ProxyIPEdit->text());
}

void TProxyAccessDlg::showEvent(QShowEvent* event) {
  ProxyRBsClick();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

void TProxyAccessDlg::ProxyRBsClick() {
  ProxyIPEdit->setEnabled(ProxyRB3->isChecked());
}
