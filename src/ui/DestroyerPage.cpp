// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DestroyerPage.h"

#include "ui/PageHeader.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>
#include <span>
#include <string>

namespace {

using S = TSettingsValues;

struct TBoxRow {
  const char* Option;
  const char* Caption;
  bool S::*Member;
};

constexpr TBoxRow WindowsBoxes[] = {
    {"WinMsgSvc", "Windows-Nachrichtendienst deaktivieren", &S::WinMsgSvc},
    {"ClearRecycle", "Papierkorb leeren", &S::ClearRecycle},
    {"ClearTempFiles", "Dateien im temporären Ordner löschen", &S::ClearTempFiles},
    {"ClearLastDocs", "Liste der zuletzt verwendeten Dokumente", &S::ClearLastDocs},
    {"ClearLastSearchedDocs", "Liste der zuletzt gesuchten Dokumente/Texte",
     &S::ClearLastSearchedDocs},
    {"ClearLastRun", "Liste der zuletzt ausgeführten Programme (Start - Ausführen)",
     &S::ClearLastRun},
    {"ClearLastFilesInOpenSaveDlgs",
     "Liste der zuletzt geöffneten Dateien in Datei öffnen/speichern Dialogen",
     &S::ClearLastFilesInOpenSaveDlgs},
    {"ClearLastNetRes", "Liste der zuletzt verbundenen Netzwerkressourcen", &S::ClearLastNetRes},
    {"ClearThumbnails", "Vorschaubilder (Thumbnails)", &S::ClearThumbnails},
};

// Per browser: cache, cookies, history, form data.
constexpr TBoxRow BrowserBoxes[] = {
    {"IETemp", "Internet Explorer temporäre Internet Dateien", &S::IETemp},
    {"IECookies", "Internet Explorer Cookies", &S::IECookies},
    {"IEHistory", "Internet Explorer Verlauf", &S::IEHistory},
    {"IEAutoComplete", "Internet Explorer Autovervollständigen", &S::IEAutoComplete},
    {"NSCache", "Netscape/Mozilla/Firefox Cache", &S::NSCache},
    {"NSCookies", "Netscape/Mozilla/Firefox Cookies", &S::NSCookies},
    {"NSHistory", "Netscape/Mozilla/Firefox Verlauf", &S::NSHistory},
    {"NSAutoComplete", "Netscape/Mozilla/Firefox Autovervollständigen", &S::NSAutoComplete},
    {"OperaCache", "Opera Cache", &S::OperaCache},
    {"OperaCookies", "Opera Cookies (keine Ausnahmen)", &S::OperaCookies},
    {"OperaHistory", "Opera Verlauf", &S::OperaHistory},
    {"OperaAutoComplete", "Opera Autovervollständigen", &S::OperaAutoComplete},
    {"TOnlineCache", "T-Online Cache", &S::TOnlineCache},
    {"TOnlineCookies", "T-Online Cookies", &S::TOnlineCookies},
    {"TOnlineHistory", "T-Online Verlauf", &S::TOnlineHistory},
    {"ChromiumCache", "Chromium Cache", &S::ChromiumCache},
    {"ChromiumCookies", "Chromium Cookies", &S::ChromiumCookies},
    {"ChromiumHistory", "Chromium Verlauf", &S::ChromiumHistory},
    {"ChromiumAutoComplete", "Chromium Autovervollständigen", &S::ChromiumAutoComplete},
    // Loaded, shown and saved like the others, but hidden: no step reads them.
    {"AOLCache", "AOL Cache", &S::AOLCache},
    {"AOLCookies", "AOL Cookies", &S::AOLCookies},
    {"AOLHistory", "AOL Verlauf", &S::AOLHistory},
};

constexpr TBoxRow AutoKillBox = {
    "AutoKill", "Automatisch beim Schließen des Browserfensters durchführen", &S::AutoKill};

bool S::*MemberOf(const QString& option) {
  const std::string name = option.toStdString();
  for (const std::span<const TBoxRow> rows :
       {std::span<const TBoxRow>(WindowsBoxes), std::span<const TBoxRow>(BrowserBoxes),
        std::span<const TBoxRow>(&AutoKillBox, 1)}) {
    for (const TBoxRow& row : rows) {
      if (name == row.Option)
        return row.Member;
    }
  }
  return nullptr;
}

QString OptionOf(const QCheckBox* box) {
  QString name = box->objectName();
  name.chop(static_cast<int>(std::string_view("ChkBox").size()));
  return name;
}

} // namespace

TDestroyerPage::TDestroyerPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  auto* panel = new QGroupBox(QStringLiteral("  Internetspuren vernichten"), this);
  panel->setObjectName(QStringLiteral("Panel"));
  auto* panelLayout = new QVBoxLayout(panel);
  PC = new QTabWidget(panel);
  PC->setObjectName(QStringLiteral("PC"));
  const auto makeBox = [&](const TBoxRow& row, QWidget* owner) {
    auto* box = new QCheckBox(QString::fromUtf8(row.Caption), owner);
    box->setObjectName(QString::fromUtf8(row.Option) + QStringLiteral("ChkBox"));
    FBoxes.push_back(box);
    return box;
  };

  // Scrolled, so that the page never widens the window beyond its usual size.
  const auto addTab = [&](QWidget* content, const QString& caption) {
    auto* scroll = new QScrollArea(PC);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    PC->addTab(scroll, caption);
  };

  auto* windowsTab = new QWidget;
  auto* windowsLayout = new QVBoxLayout(windowsTab);
  for (const TBoxRow& row : WindowsBoxes)
    windowsLayout->addWidget(makeBox(row, windowsTab));
  windowsLayout->addStretch();
  addTab(windowsTab, QStringLiteral("Windows aufräumen"));

  auto* browserTab = new QWidget;
  auto* browserLayout = new QVBoxLayout(browserTab);
  auto* grid = new QGridLayout;
  int index = 0;
  for (const TBoxRow& row : BrowserBoxes) {
    QCheckBox* box = makeBox(row, browserTab);
    if (std::string_view(row.Option).starts_with("AOL")) {
      box->hide();
      continue;
    }
    // Two boxes a row, two rows a browser; T-Online has no form data box.
    grid->addWidget(box, index / 2, index % 2);
    index += std::string_view(row.Option) == "TOnlineHistory" ? 2 : 1;
  }
  browserLayout->addLayout(grid);
  CookieManagementBtn = new QPushButton(QStringLiteral("Cookie-Verwaltung..."), browserTab);
  CookieManagementBtn->setObjectName(QStringLiteral("CookieManagementBtn"));
  auto* cookieRow = new QHBoxLayout;
  cookieRow->addWidget(CookieManagementBtn);
  cookieRow->addStretch();
  browserLayout->addLayout(cookieRow);
  browserLayout->addStretch();
  addTab(browserTab, QStringLiteral("Webbrowser aufräumen"));
  panelLayout->addWidget(PC);

  AutoKillChkBox = makeBox(AutoKillBox, panel);
  GoBtn = new QPushButton(QStringLiteral("Jetzt vernichten"), panel);
  GoBtn->setObjectName(QStringLiteral("GoBtn"));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(AutoKillChkBox);
  bottom->addStretch();
  bottom->addWidget(GoBtn);
  panelLayout->addLayout(bottom);
  layout->addWidget(panel, 1);

  connect(PC, &QTabWidget::currentChanged, this, &TDestroyerPage::PCChange);
  PCChange();
}

QCheckBox* TDestroyerPage::Box(const char* option) const {
  return findChild<QCheckBox*>(QString::fromUtf8(option) + QStringLiteral("ChkBox"));
}

void TDestroyerPage::SetOptions(const TSettingsValues& values) {
  for (QCheckBox* box : FBoxes)
    box->setChecked(values.*MemberOf(OptionOf(box)));
}

void TDestroyerPage::ReadOptions(TSettingsValues& values) const {
  for (const QCheckBox* box : FBoxes)
    values.*MemberOf(OptionOf(box)) = box->isChecked();
}

void TDestroyerPage::EnableBrowsers(bool mozilla, bool opera, bool aol, bool tonline,
                                    bool chromium) {
  const std::array<std::pair<const char*, bool>, 5> families = {{{"NS", mozilla},
                                                                 {"Opera", opera},
                                                                 {"AOL", aol},
                                                                 {"TOnline", tonline},
                                                                 {"Chromium", chromium}}};
  for (QCheckBox* box : FBoxes) {
    for (const auto& [prefix, present] : families) {
      if (box->objectName().startsWith(QString::fromUtf8(prefix)))
        box->setEnabled(present);
    }
  }
}

void TDestroyerPage::PCChange() {
  AutoKillChkBox->setVisible(PC->currentIndex() == 1);
}
