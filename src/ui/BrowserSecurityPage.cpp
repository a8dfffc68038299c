// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BrowserSecurityPage.h"

#include "ui/PageHeader.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TBrowserSecurityPage::TBrowserSecurityPage(const QString& caption, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  const auto addBox = [&](QCheckBox*& box, const char* name, const char* text) {
    box = new QCheckBox(QString::fromUtf8(text), this);
    box->setObjectName(QString::fromUtf8(name));
  };
  addBox(BrowserNameChkBox, "BrowserNameChkBox",
         "Browsernamen und Betriebssystemangabe blockieren");
  addBox(RefererChkBox, "RefererChkBox", "Herkunftsseite (Referer) blockieren");
  addBox(CookiesChkBox, "CookiesChkBox", "Alle Cookies blockieren");
  addBox(ActiveXChkBox, "ActiveXChkBox", "ActiveX-Controls blockieren");
  addBox(FlashChkBox, "FlashChkBox", "Flashanimationen blockieren");
  addBox(JavaScriptChkBox, "JavaScriptChkBox", "Scripte blockieren (JavaScript/VB-Script)");
  addBox(ExeFilesChkBox, "ExeFilesChkBox", "Exe-Dateien blockieren");
  CookiesBtn = new QPushButton(QStringLiteral("Ausnahmen..."), this);
  CookiesBtn->setObjectName(QStringLiteral("CookiesBtn"));

  layout->addWidget(BrowserNameChkBox);
  layout->addWidget(RefererChkBox);
  auto* cookiesRow = new QHBoxLayout;
  cookiesRow->addWidget(CookiesChkBox);
  cookiesRow->addWidget(CookiesBtn);
  cookiesRow->addStretch();
  layout->addLayout(cookiesRow);
  layout->addWidget(ActiveXChkBox);
  layout->addWidget(FlashChkBox);
  layout->addWidget(JavaScriptChkBox);
  layout->addWidget(ExeFilesChkBox);
  layout->addStretch();
  UpdateEnabled();
}

void TBrowserSecurityPage::UpdateEnabled() {
  CookiesBtn->setEnabled(CookiesChkBox->isChecked());
}
