// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WelcomeDlg.h"

#include "common/ProductInfo.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TPageIndex { WelcomePage, ConnectionPage, ProxyPage, FeaturesPage, FirewallPage, FinishPage };

// "%s" in a caption is the product's name.
QString Product(const char* text) {
  return QString::fromUtf8(text).replace(QStringLiteral("%s"), ToQString(ProductInfo::ProgramName));
}

QLabel* Wrapped(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QWidget* Page(const QString& title, QVBoxLayout*& layout, QWidget* parent) {
  auto* page = new QWidget(parent);
  layout = new QVBoxLayout(page);
  auto* heading = new QLabel(title, page);
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  heading->setFont(bold);
  layout->addWidget(heading);
  return page;
}

// The programs that let the connection monitor see an ISDN connection come and go.
struct TMonitorProgram {
  const char* Name;
  const char* Link;
};
constexpr TMonitorProgram IsdnMonitors[] = {
    {"isdnlog", "https://www.isdn4linux.de/"},
    {"vnStat", "https://humdi.net/vnstat/"},
    {"iftop", "https://www.ex-parrot.com/pdw/iftop/"},
};

} // namespace

TWelcomeDlg::TWelcomeDlg(const TWelcomeAnswers& answers, const TWelcomeOptions& options,
                         QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("WelcomeDlg"));
  setWindowTitle(ToQString(WelcomeCaption()));
  auto* layout = new QVBoxLayout(this);
  Notebook = new QStackedWidget(this);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  Notebook->addWidget(CreateWelcomePage());
  Notebook->addWidget(CreateConnectionPage());
  Notebook->addWidget(CreateProxyPage());
  Notebook->addWidget(CreateFeaturesPage());
  Notebook->addWidget(CreateFirewallPage());
  Notebook->addWidget(CreateFinishPage());
  layout->addWidget(Notebook, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  PrevBtn = new QPushButton(QStringLiteral("< Zurück"), this);
  PrevBtn->setObjectName(QStringLiteral("PrevBtn"));
  NextBtn = new QPushButton(QStringLiteral("Weiter >"), this);
  NextBtn->setObjectName(QStringLiteral("NextBtn"));
  NextBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  buttons->addWidget(PrevBtn);
  buttons->addWidget(NextBtn);
  buttons->addSpacing(12);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);
  connect(PrevBtn, &QPushButton::clicked, this, &TWelcomeDlg::PrevBtnClick);
  connect(NextBtn, &QPushButton::clicked, this, &TWelcomeDlg::NextBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  // Creation: the answers into the controls.
  QRadioButton* const byType[] = {RB1, RB2, RB4, RB3};
  const int type = answers.ConnectionType;
  byType[type >= 0 && type < 4 ? type : 0]->setChecked(true);
  // Without the DSL software the kind cannot be chosen, as in the main window.
  RB3->setEnabled(options.DSLAvailable);
  if (!RB3->isEnabled() && RB3->isChecked())
    RB1->setChecked(true);
  ProxyPortEdit->setValue(answers.ProxyPort);
  for (int row = 0; row < BrowserLV->topLevelItemCount(); ++row) {
    BrowserLV->topLevelItem(row)->setCheckState(
        0, answers.Browsers[static_cast<std::size_t>(row)] ? Qt::Checked : Qt::Unchecked);
  }
  DownloadManagerChkBox->setChecked(answers.DownloadManager);
  PopupKillerChkBox->setChecked(answers.PopupKiller);
  BrowserNameChkBox->setChecked(answers.BlockBrowserName);
  RefererChkBox->setChecked(answers.BlockReferer);
  ActiveXChkBox->setChecked(answers.BlockActiveX);
  FlashChkBox->setChecked(answers.BlockFlash);
  JavaScriptChkBox->setChecked(answers.BlockJS);
  for (QCheckBox* box : {DownloadManagerChkBox, PopupKillerChkBox, BrowserNameChkBox, RefererChkBox,
                         ActiveXChkBox, FlashChkBox, JavaScriptChkBox}) {
    box->setEnabled(options.HelperPresent);
  }
  ShowPage(WelcomePage);
  resize(560, 420);
}

QWidget* TWelcomeDlg::CreateWelcomePage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Willkommen"), layout, this);
  layout->addWidget(Wrapped(Product("Mit Hilfe dieses Assistenten richten Sie %s ein."), page));
  layout->addWidget(Wrapped(
      QStringLiteral("Klicken Sie auf \"Weiter\", um mit der Konfiguration fortzufahren."), page));
  layout->addStretch(1);
  return page;
}

QWidget* TWelcomeDlg::CreateConnectionPage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Verbindungsart"), layout, this);
  layout->addWidget(
      Wrapped(QStringLiteral("Welche Verbindungsart zum Internet nutzen Sie?"), page));
  RB1 = new QRadioButton(QStringLiteral(" Verbindung über LAN/Standleitung/DSL über Router"), page);
  RB1->setObjectName(QStringLiteral("RB1"));
  RB2 = new QRadioButton(
      QStringLiteral(" Verbindungsaufbau über DFÜ-Netzwerk (inkl. T-Online, AOL Software)"), page);
  RB2->setObjectName(QStringLiteral("RB2"));
  RB4 = new QRadioButton(QStringLiteral(" Verbindungsaufbau über AVM FRITZ!web ISDN"), page);
  RB4->setObjectName(QStringLiteral("RB4"));
  RB3 =
      new QRadioButton(QStringLiteral(" Verbindungsaufbau über AVM FRITZ!web DSL Software"), page);
  RB3->setObjectName(QStringLiteral("RB3"));
  for (QRadioButton* button : {RB1, RB2, RB4, RB3})
    layout->addWidget(button);
  QString note = QStringLiteral("Die Erkennung einer Verbindung über AVM FRITZ!web ISDN setzt "
                                "voraus, dass eines der folgenden Programme läuft:");
  for (const TMonitorProgram& program : IsdnMonitors) {
    note += QStringLiteral("<br>&nbsp;&nbsp;<a href=\"%1\">%2</a>")
                .arg(QString::fromUtf8(program.Link), QString::fromUtf8(program.Name));
  }
  QLabel* noteLabel = Wrapped(note, page);
  noteLabel->setObjectName(QStringLiteral("IsdnNoteLabel"));
  noteLabel->setTextFormat(Qt::RichText);
  noteLabel->setOpenExternalLinks(true);
  layout->addSpacing(8);
  layout->addWidget(noteLabel);
  layout->addStretch(1);
  return page;
}

QWidget* TWelcomeDlg::CreateProxyPage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Proxy-Einrichtung"), layout, this);
  layout->addWidget(Wrapped(
      Product("Geben Sie an, welche Browser Sie nutzen. %s wird sich dann als Proxy-Server in den "
              "Browser installieren, um das anonyme Surfen und Blockieren von Inhalten zu "
              "ermöglichen."),
      page));
  ProxyPortEdit = new QSpinBox(page);
  ProxyPortEdit->setObjectName(QStringLiteral("ProxyPortEdit"));
  ProxyPortEdit->setRange(1, 65535);
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(new QLabel(QStringLiteral("Port:"), page));
  portRow->addWidget(ProxyPortEdit);
  portRow->addStretch(1);
  layout->addLayout(portRow);
  layout->addWidget(Wrapped(QStringLiteral("Geben Sie den Port für den Proxy-Server an, Standard "
                                           "ist 8080. Sie müssen diese Angabe nur ändern, wenn Sie "
                                           "genau wissen, dass eine andere Anwendung diesen Port "
                                           "nutzt."),
                            page));
  BrowserLV = new QTreeWidget(page);
  BrowserLV->setObjectName(QStringLiteral("BrowserLV"));
  BrowserLV->setHeaderLabels({QStringLiteral("Browser")});
  BrowserLV->setRootIsDecorated(false);
  for (const std::string_view name : WelcomeBrowserNames) {
    auto* item = new QTreeWidgetItem(BrowserLV, {ToQString(name)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
  }
  layout->addWidget(BrowserLV, 1);
  return page;
}

QWidget* TWelcomeDlg::CreateFeaturesPage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Funktionen"), layout, this);
  layout->addWidget(Wrapped(Product("Wählen Sie aus, welche Funktionen %s zur Verfügung stellen "
                                    "soll. Weitere Funktionen können Sie in der Konfiguration "
                                    "von %s festlegen."),
                            page));
  auto* group = new QGroupBox(QStringLiteral("Beim Surfen im Internet"), page);
  auto* boxes = new QVBoxLayout(group);
  const auto add = [&](QCheckBox*& box, const char* name, const char* caption) {
    box = new QCheckBox(QString::fromUtf8(caption), group);
    box->setObjectName(QString::fromUtf8(name));
    boxes->addWidget(box);
  };
  add(DownloadManagerChkBox, "DownloadManagerChkBox",
      "Downloadmanager verwenden (nur Internet Explorer)");
  add(PopupKillerChkBox, "PopupKillerChkBox", "Popup Killer verwenden (nur Internet Explorer)");
  add(BrowserNameChkBox, "BrowserNameChkBox", "Browsernamen und Betriebssystemangabe blockieren");
  add(RefererChkBox, "RefererChkBox", "Herkunftsseite (Referer) blockieren");
  add(ActiveXChkBox, "ActiveXChkBox", "ActiveX-Controls blockieren");
  add(FlashChkBox, "FlashChkBox", "Flashanimationen blockieren");
  add(JavaScriptChkBox, "JavaScriptChkBox", "Scripte blockieren (JavaScript/VB-Script)");
  layout->addWidget(group);
  layout->addStretch(1);
  return page;
}

QWidget* TWelcomeDlg::CreateFirewallPage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Warnung"), layout, this);
  auto* heading = new QLabel(QStringLiteral("WICHTIGER Hinweis zu Firewall-Software"), page);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  layout->addWidget(heading);
  FirewallLabel = Wrapped(QString(), page);
  FirewallLabel->setObjectName(QStringLiteral("FirewallLabel"));
  FirewallLabel->setTextFormat(Qt::PlainText);
  layout->addWidget(FirewallLabel, 1, Qt::AlignTop);
  return page;
}

QWidget* TWelcomeDlg::CreateFinishPage() {
  QVBoxLayout* layout = nullptr;
  QWidget* page = Page(QStringLiteral("Fertig"), layout, this);
  layout->addWidget(Wrapped(QStringLiteral("Die Konfiguration ist damit abgeschlossen. "), page));
  layout->addWidget(Wrapped(
      QStringLiteral("Klicken Sie auf \"Fertig stellen\", um die Einstellungen zu speichern. "
                     "Klicken Sie auf \"Zurück\", um Änderungen vorzunehmen."),
      page));
  layout->addStretch(1);
  return page;
}

void TWelcomeDlg::ShowPage(int index) {
  // The text first, so that the page is laid out with it when it shows.
  if (index == FirewallPage)
    FirewallLabel->setText(
        WithQtLineBreaks(ToQString(WelcomeFirewallText(ProxyPortEdit->value()))));
  Notebook->setCurrentIndex(index);
  PrevBtn->setEnabled(index > WelcomePage);
  NextBtn->setText(OnLastPage() ? QStringLiteral("Fertig stellen") : QStringLiteral("Weiter >"));
}

bool TWelcomeDlg::OnLastPage() const {
  return Notebook->currentIndex() == FinishPage;
}

void TWelcomeDlg::NextBtnClick() {
  if (OnLastPage()) {
    accept();
    return;
  }
  ShowPage(Notebook->currentIndex() + 1);
}

void TWelcomeDlg::PrevBtnClick() {
  if (Notebook->currentIndex() > WelcomePage)
    ShowPage(Notebook->currentIndex() - 1);
}

void TWelcomeDlg::done(int result) {
  // "Abbrechen", Escape and the window's close button end the wizard only on its
  // last page, and then as "Fertig stellen" does.
  if (!OnLastPage())
    return;
  QDialog::done(result);
}

void TWelcomeDlg::closeEvent(QCloseEvent* event) {
  if (!OnLastPage()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

TWelcomeAnswers TWelcomeDlg::Answers() const {
  TWelcomeAnswers answers;
  answers.ConnectionType = RB2->isChecked() ? 1 : RB4->isChecked() ? 2 : RB3->isChecked() ? 3 : 0;
  answers.ProxyPort = ProxyPortEdit->value();
  for (int row = 0; row < BrowserLV->topLevelItemCount(); ++row) {
    answers.Browsers[static_cast<std::size_t>(row)] =
        BrowserLV->topLevelItem(row)->checkState(0) == Qt::Checked;
  }
  answers.DownloadManager = DownloadManagerChkBox->isChecked();
  answers.PopupKiller = PopupKillerChkBox->isChecked();
  answers.BlockBrowserName = BrowserNameChkBox->isChecked();
  answers.BlockReferer = RefererChkBox->isChecked();
  answers.BlockActiveX = ActiveXChkBox->isChecked();
  answers.BlockFlash = FlashChkBox->isChecked();
  answers.BlockJS = JavaScriptChkBox->isChecked();
  return answers;
}
