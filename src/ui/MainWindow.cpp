// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"

#include "app/HelpFiles.h"
#include "app/MainUnit.h"
#include "common/ProductInfo.h"
#include "platform/ProgramFolder.h"
#include "privacy/AddOnDownloadSettings.h"
#include "privacy/PopupKillerTexts.h"
#include "ui/AboutDlg.h"
#include "ui/AnonymousProxyPage.h"
#include "ui/BlockedURLsPage.h"
#include "ui/BrowserSecurityPage.h"
#include "ui/DestroyerPage.h"
#include "ui/DownloadManagerPage.h"
#include "ui/DownloadsPage.h"
#include "ui/LastCalledSitesPage.h"
#include "ui/PageHeader.h"
#include "ui/PopupKillerPage.h"
#include "ui/QtText.h"
#include "ui/SettingsPage.h"
#include "ui/StatisticsPage.h"
#include "ui/WindowGeometry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

const std::array<const char*, TMainWindow::PageCount> TMainWindow::PageCaptions = {
    "Übertragene Bytes",
    "Zuletzt aufgerufene Seiten",
    "Downloads über den Downloadmanager",
    "Müll",
    "Einstellungen",
    "Anonyme Proxy-Server",
    "Browsersicherheit",
    "Seiten blockieren",
    "Popupkiller",
    "Downloadmanager"};

namespace {

enum TPage {
  StatisticsPageIndex = 0,
  LastCalledSitesPageIndex = 1,
  DestroyerPageIndex = 3,
  DownloadsPageIndex = 2,
  SettingsPageIndex = 4,
  AnonymousProxyPageIndex = 5,
  BrowserSecurityPageIndex = 6,
  BlockedURLsPageIndex = 7,
  PopupKillerPageIndex = 8,
  DownloadManagerPageIndex = 9,
};

constexpr int NavigationIconSize = 24;

const std::array<QStyle::StandardPixmap, TMainWindow::PageCount> PageIcons = {
    QStyle::SP_ComputerIcon,        QStyle::SP_FileDialogDetailedView,
    QStyle::SP_ArrowDown,           QStyle::SP_TrashIcon,
    QStyle::SP_FileDialogInfoView,  QStyle::SP_DriveNetIcon,
    QStyle::SP_MessageBoxWarning,   QStyle::SP_BrowserStop,
    QStyle::SP_TitleBarCloseButton, QStyle::SP_DialogSaveButton};

// The program's icon: a white "Q" on a blue disc, drawn so that no image file is needed.
QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x4e, 0x9a));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(pixmap.rect().adjusted(0, 0, -1, -1));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Q"));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

} // namespace

TMainWindow::TMainWindow(bool trayAvailable, QWidget* parent)
    : QMainWindow(parent), FTrayAvailable(trayAvailable) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(ToQString(ProductInfo::ProgramNameAndVersion));
  // The installed theme icon where there is one; drawn otherwise (build tree).
  setWindowIcon(QIcon::fromTheme(QStringLiteral("quorvane"), ProgramIcon()));
  CreatePages();
  CreateMenus();
  CreateTrayIcon();
  StatusPanel = new QLabel(this);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel0"));
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->addWidget(StatusPanel, 1);
  resize(900, 540);
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::CreatePages() {
  auto* central = new QWidget(this);
  auto* layout = new QHBoxLayout(central);
  RBBar = new QListWidget(central);
  RBBar->setObjectName(QStringLiteral("RBBar"));
  RBBar->setIconSize(QSize(NavigationIconSize, NavigationIconSize));
  RBBar->setSpacing(2);
  RBBar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Notebook = new QStackedWidget(central);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  for (int index = 0; index < PageCount; ++index) {
    const QString caption = QString::fromUtf8(PageCaptions[static_cast<std::size_t>(index)]);
    // Some styles draw a few of these icons smaller; scaled, the bar stays even.
    const QPixmap icon = style()
                             ->standardIcon(PageIcons[static_cast<std::size_t>(index)])
                             .pixmap(NavigationIconSize);
    RBBar->addItem(
        new QListWidgetItem(QIcon(icon.scaled(NavigationIconSize, NavigationIconSize,
                                              Qt::KeepAspectRatio, Qt::SmoothTransformation)),
                            caption));
    QWidget* page = nullptr;
    switch (index) {
    case StatisticsPageIndex:
      page = StatisticsPage = new TStatisticsPage(caption, Notebook);
      break;
    case LastCalledSitesPageIndex:
      page = LastCalledSitesPage = new TLastCalledSitesPage(caption, Notebook);
      break;
    case DestroyerPageIndex:
      page = DestroyerPage = new TDestroyerPage(caption, Notebook);
      break;
    case DownloadsPageIndex:
      page = DownloadsPage = new TDownloadsPage(caption, Notebook);
      break;
    case SettingsPageIndex:
      page = SettingsPage = new TSettingsPage(caption, Notebook);
      break;
    case BrowserSecurityPageIndex:
      page = BrowserSecurityPage = new TBrowserSecurityPage(caption, Notebook);
      break;
    case BlockedURLsPageIndex:
      page = BlockedURLsPage = new TBlockedURLsPage(caption, Notebook);
      break;
    case PopupKillerPageIndex:
      page = PopupKillerPage = new TPopupKillerPage(caption, Notebook);
      break;
    case DownloadManagerPageIndex:
      page = DownloadManagerPage = new TDownloadManagerPage(caption, Notebook);
      break;
    case AnonymousProxyPageIndex:
      page = AnonymousProxyPage = new TAnonymousProxyPage(caption, Notebook);
      break;
    default: {
      // Filled by the subsystems that own these pages.
      page = new QWidget(Notebook);
      auto* pageLayout = new QVBoxLayout(page);
      pageLayout->addWidget(CreatePageHeader(caption, page));
      pageLayout->addStretch();
    }
    }
    page->setObjectName(QStringLiteral("Page%1").arg(index));
    Notebook->addWidget(page);
  }
  // Wide enough for the longest caption.
  RBBar->setFixedWidth(RBBar->sizeHintForColumn(0) + 2 * RBBar->frameWidth() +
                       2 * RBBar->spacing() + 4);
  layout->addWidget(RBBar);
  layout->addWidget(Notebook, 1);
  setCentralWidget(central);
  RBBar->setCurrentRow(0);
  connect(RBBar, &QListWidget::currentRowChanged, this, &TMainWindow::RBBarItemClick);
}

void TMainWindow::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("Datei"));
  file->setObjectName(QStringLiteral("mnuFile"));
  // The trailing blanks belong to these captions.
  mnuChangeTo = file->addAction(QStringLiteral("Wechseln zu... "));
  mnuChangeTo->setObjectName(QStringLiteral("mnuChangeTo"));
  mnuOnlineUpdate = file->addAction(QStringLiteral("Online-Update..."));
  mnuOnlineUpdate->setObjectName(QStringLiteral("mnuOnlineUpdate"));
  file->addSeparator();
  mnuExit = file->addAction(QStringLiteral("Beenden "));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  connect(mnuChangeTo, &QAction::triggered, this, &TMainWindow::mnuChangeToExecute);
  connect(mnuExit, &QAction::triggered, this, &TMainWindow::mnuExitExecute);

  mnuHelp = menuBar()->addMenu(QStringLiteral("?"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  ContextHelp = mnuHelp->addAction(QStringLiteral("Hilfe "));
  ContextHelp->setObjectName(QStringLiteral("ContextHelp"));
  ContextHelp->setShortcut(QKeySequence::HelpContents);
  Hilfe1 = mnuHelp->addAction(QStringLiteral("Inhalt"));
  Hilfe1->setObjectName(QStringLiteral("Hilfe1"));
  mnuHelp->addSeparator();
  mnuHelp->addAction(mnuOnlineUpdate);
  mnuHelp->addSeparator();
  Action3 = mnuHelp->addAction(QStringLiteral("Info..."));
  Action3->setObjectName(QStringLiteral("Action3"));
  connect(ContextHelp, &QAction::triggered, this, &TMainWindow::ContextHelpExecute);
  connect(Hilfe1, &QAction::triggered, this, &TMainWindow::Hilfe1Execute);
  connect(Action3, &QAction::triggered, this, &TMainWindow::Action3Execute);
  connect(mnuOnlineUpdate, &QAction::triggered, this, &TMainWindow::mnuOnlineUpdateExecute);
  OpenDocument = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

namespace {

QUrl HelpUrl(std::string_view file) {
  return QUrl::fromLocalFile(ToQString(HelpFiles::HelpFolder(ProgramFolder())) + ToQString(file));
}

} // namespace

void TMainWindow::ContextHelpExecute() {
  OpenDocument(HelpUrl(HelpFiles::TopicFile(HelpFiles::HelpContext(Notebook->currentIndex()))));
}

void TMainWindow::Hilfe1Execute() {
  OpenDocument(HelpUrl(HelpFiles::ContentsFile));
}

void TMainWindow::mnuOnlineUpdateExecute() {
  if (FMain == nullptr)
    return;
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FMain->mnuOnlineUpdateExecute();
  QApplication::restoreOverrideCursor();
  setEnabled(true);
}

void TMainWindow::Action3Execute() {
  TAboutDlg about(this);
  about.exec();
}

void TMainWindow::CreateTrayIcon() {
  TrayIconPopup = new QMenu(this);
  TrayIconPopup->setObjectName(QStringLiteral("TrayIconPopup"));
  TrayRestore = TrayIconPopup->addAction(QStringLiteral("Anzeigen"));
  TrayRestore->setObjectName(QStringLiteral("TrayRestore"));
  TrayIconPopup->setDefaultAction(TrayRestore);
  TrayMinimize = TrayIconPopup->addAction(QStringLiteral("Minimieren"));
  TrayMinimize->setObjectName(QStringLiteral("TrayMinimize"));
  TrayIconPopup->addSeparator();
  PopupKillerMenu = TrayIconPopup->addMenu(ToQString(PopupKillerTexts::SubMenu));
  PopupKillerMenu->setObjectName(QStringLiteral("PopupKillerMenu"));
  PopupKiller2 = PopupKillerMenu->addAction(ToQString(PopupKillerTexts::Activate));
  PopupKiller2->setObjectName(QStringLiteral("PopupKiller2"));
  Die20zuletztblockiertenSeiten1 =
      PopupKillerMenu->addAction(ToQString(PopupKillerTexts::LastBlockedItem));
  Die20zuletztblockiertenSeiten1->setObjectName(QStringLiteral("Die20zuletztblockiertenSeiten1"));
  mnuADDM = TrayIconPopup->addAction(ToQString(PopupKillerTexts::DownloadManagerItem));
  mnuADDM->setObjectName(QStringLiteral("mnuADDM"));
  mnuADDM->setCheckable(true);
  mnuShowDownloads = TrayIconPopup->addAction(QStringLiteral("Laufende Downloads zeigen"));
  mnuShowDownloads->setObjectName(QStringLiteral("mnuShowDownloads"));
  connect(mnuShowDownloads, &QAction::triggered, this, &TMainWindow::mnuShowDownloadsClick);
  TrayIconPopup->addSeparator();
  PopupCloseProgram = TrayIconPopup->addAction(QStringLiteral("Beenden"));
  PopupCloseProgram->setObjectName(QStringLiteral("PopupCloseProgram"));
  connect(TrayRestore, &QAction::triggered, this, &TMainWindow::TrayIconClick);
  connect(TrayMinimize, &QAction::triggered, this, &TMainWindow::TrayMinimizeClick);
  connect(PopupCloseProgram, &QAction::triggered, this, &TMainWindow::mnuExitExecute);

  TrayIcon = new QSystemTrayIcon(windowIcon(), this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  TrayIcon->setToolTip(ToQString(ProductInfo::ProgramName) + QStringLiteral(" aktiv"));
  TrayIcon->setContextMenu(TrayIconPopup);
  connect(TrayIcon, &QSystemTrayIcon::activated, this, &TMainWindow::TrayIconActivated);
  UpdateTrayItems();
}

void TMainWindow::Attach(TMain& main) {
  FMain = &main;
  DownloadsPage->Attach(main);
  LoadControls();
  ConnectControls();
  UpdateEnabled();
  SetStatusText(main.StatusText());
  // Start-up may have shown the window already (after the first-start set-up).
  if (isVisible())
    FirstShow();
}

void TMainWindow::LoadControls() {
  const TSettingsValues& settings = FMain->Settings();
  LastCalledSitesPage->saveLastCalledSitesChkBox->setChecked(settings.SaveLastCalledSites);
  LastCalledSitesPage->MaxLastCalledSitesEdit->setValue(settings.MaxLastCalledSites);
  SettingsPage->AutoStartChkBox->setChecked(FMain->AutoStartEntryExists());
  SettingsPage->SetConnectionType(settings.ConnectionType);
  SettingsPage->RB3->setEnabled(FMain->DSLConnectionAvailable());
  if (!SettingsPage->RB3->isEnabled() && SettingsPage->RB3->isChecked())
    SettingsPage->RB1->setChecked(true);
  SettingsPage->ProxyPortEdit->setValue(settings.ProxyPort);
  SettingsPage->SetBrowserStatus(FMain->BrowserStatus());
  BrowserSecurityPage->BrowserNameChkBox->setChecked(settings.BlockBrowserName);
  BrowserSecurityPage->RefererChkBox->setChecked(settings.BlockReferer);
  BrowserSecurityPage->CookiesChkBox->setChecked(settings.BlockCookies);
  BrowserSecurityPage->ActiveXChkBox->setChecked(settings.BlockActiveX);
  BrowserSecurityPage->FlashChkBox->setChecked(settings.BlockFlash);
  BrowserSecurityPage->JavaScriptChkBox->setChecked(settings.BlockJS);
  BrowserSecurityPage->ExeFilesChkBox->setChecked(settings.BlockExeFiles);
  BlockedURLsPage->BlockSitesChkBox->setChecked(settings.BlockSites);
  BlockedURLsPage->SetEntries(settings.BlockedURLList);
  DestroyerPage->SetOptions(settings);
  const TMain::TBrowsersPresent browsers = FMain->BrowsersPresent();
  DestroyerPage->EnableBrowsers(browsers.Mozilla, browsers.Opera, browsers.AOL, browsers.TOnline,
                                browsers.Chromium);
  PopupKillerPage->PKSoundFileName->setText(ToQString(FMain->PKSoundFileName()));
  DownloadManagerPage->LoadSettings(settings);
  DownloadManagerPage->DMFileExtEdit->setText(ToQString(FMain->DMFileExtensions()));
  AnonymousProxyPage->SetUserAdmin(FMain->StartFlags().UserAdmin);
  AnonymousProxyPage->LoadSettings(settings);
  AnonymousProxyPage->SetEntries(FMain->ProxyPool().List());
}

void TMainWindow::ConnectControls() {
  const auto applyOnToggle = [this](QAbstractButton* button) {
    connect(button, &QAbstractButton::toggled, this, &TMainWindow::SettingsChanged);
  };
  applyOnToggle(LastCalledSitesPage->saveLastCalledSitesChkBox);
  applyOnToggle(BlockedURLsPage->BlockSitesChkBox);
  for (QAbstractButton* box :
       {BrowserSecurityPage->BrowserNameChkBox, BrowserSecurityPage->RefererChkBox,
        BrowserSecurityPage->CookiesChkBox, BrowserSecurityPage->ActiveXChkBox,
        BrowserSecurityPage->FlashChkBox, BrowserSecurityPage->JavaScriptChkBox,
        BrowserSecurityPage->ExeFilesChkBox}) {
    applyOnToggle(box);
  }
  // Each radio button of a group toggles twice per choice; the new one's check applies it.
  for (QRadioButton* button :
       {SettingsPage->RB1, SettingsPage->RB2, SettingsPage->RB3, SettingsPage->RB4}) {
    connect(button, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked)
        SettingsChanged();
    });
  }
  connect(LastCalledSitesPage->MaxLastCalledSitesEdit, &QSpinBox::valueChanged, this,
          &TMainWindow::SettingsChanged);
  connect(SettingsPage->ProxyPortEdit, &QSpinBox::valueChanged, this,
          &TMainWindow::SettingsChanged);

  connect(SettingsPage->AutoStartChkBox, &QCheckBox::clicked, this,
          [this](bool checked) { FMain->AutoStartChkBoxClick(checked); });
  connect(SettingsPage->ProxyAccessBtn, &QPushButton::clicked, this,
          [this] { FMain->ProxyAccessBtnClick(); });
  connect(SettingsPage->ProxySaveSettingsBtn, &QPushButton::clicked, this, [this] {
    FMain->ProxySaveSettingsBtnClick(SettingsPage->TickedBrowsers());
    SettingsPage->SetBrowserStatus(FMain->BrowserStatus());
  });
  connect(BrowserSecurityPage->CookiesBtn, &QPushButton::clicked, this,
          [this] { FMain->CookiesBtnClick(); });
  for (QCheckBox* box : DestroyerPage->CheckBoxes())
    connect(box, &QCheckBox::toggled, this, &TMainWindow::DestroyerSettingsChange);
  connect(DestroyerPage->GoBtn, &QPushButton::clicked, this, &TMainWindow::GoBtnClick);
  connect(DestroyerPage->CookieManagementBtn, &QPushButton::clicked, this,
          [this] { FMain->CookieManagementBtnClick(); });
  connect(StatisticsPage->ClearStatBtn, &QPushButton::clicked, this,
          [this] { FMain->ClearStatBtnClick(); });
  connect(LastCalledSitesPage->URLRefreshBtn, &QPushButton::clicked, this,
          &TMainWindow::RefillLastCalledSites);
  connect(LastCalledSitesPage->Add2BlockedURLsBtn, &QPushButton::clicked, this,
          [this] { FMain->Add2BlockedURLsClick(LastCalledSitesPage->SelectedSite()); });
  connect(BlockedURLsPage, &TBlockedURLsPage::NewUrlBtnClick, this,
          [this] { FMain->NewUrlBtnClick(); });
  connect(BlockedURLsPage, &TBlockedURLsPage::EditUrlBtnClick, this,
          [this](int row) { FMain->EditUrlBtnClick(static_cast<std::size_t>(row)); });
  connect(BlockedURLsPage, &TBlockedURLsPage::DelUrlBtnClick, this,
          [this](int row) { FMain->DelUrlBtnClick(static_cast<std::size_t>(row)); });
  ConnectAddOnControls();
}

void TMainWindow::ConnectAddOnControls() {
  connect(PopupKillerPage->popupkillerChkBox, &QCheckBox::clicked, this,
          [this](bool checked) { FMain->popupkillerChkBoxClick(checked); });
  connect(PopupKillerPage, &TPopupKillerPage::PKSoundFileNameChange, this,
          [this](const QString& fileName) { FMain->PKSoundFileNameChange(ToStdString(fileName)); });
  connect(PopupKillerPage->AllowedPopupsBtn, &QPushButton::clicked, this,
          [this] { FMain->AllowedPopupsBtnClick(); });
  connect(PopupKillerPage->BlockedURLsBtn, &QPushButton::clicked, this,
          [this] { FMain->BlockedURLsBtnClick(); });
  connect(PopupKillerPage->LastBlockedURLsBtn, &QPushButton::clicked, this,
          [this] { FMain->LastBlockedURLsBtnClick(); });
  connect(Die20zuletztblockiertenSeiten1, &QAction::triggered, this,
          [this] { FMain->LastBlockedURLsBtnClick(); });
  connect(PopupKiller2, &QAction::triggered, this, [this] { FMain->PopupKiller2Click(); });
  connect(DownloadManagerPage->DMChkBox, &QCheckBox::clicked, this,
          [this](bool checked) { FMain->DMChkBoxClick(checked); });
  connect(mnuADDM, &QAction::triggered, this, [this] { FMain->mnuADDMClick(); });
  connect(DownloadManagerPage->DMFileExtEdit, &QLineEdit::textEdited, this,
          [this](const QString& text) {
            QLineEdit* edit = DownloadManagerPage->DMFileExtEdit;
            const QString normal = ToQString(FMain->DMFileExtEditChange(ToStdString(text)));
            if (normal == text)
              return;
            // Blanks go: the cursor stays behind what was typed before it.
            const auto cursor = AddOnDownloadSettings::NormalizeFileExtensions(
                ToStdString(text.left(edit->cursorPosition())));
            edit->setText(normal);
            edit->setCursorPosition(ToQString(cursor).size());
          });
  connect(DownloadManagerPage, &TDownloadManagerPage::SettingsChanged, this,
          &TMainWindow::SettingsChanged);
  ConnectAnonymousProxyPage();
}

void TMainWindow::ConnectAnonymousProxyPage() {
  TAnonymousProxyPage* page = AnonymousProxyPage;
  connect(page, &TAnonymousProxyPage::SettingsChanged, this, &TMainWindow::SettingsChanged);
  connect(page, &TAnonymousProxyPage::ProxyServerListSetChecked, this,
          [this](const TProxyEntryPtr& entry, bool checked) {
            FMain->ProxyServerListSetChecked(entry, checked);
          });
  connect(page->ProxyAddBtn, &QToolButton::clicked, this, [this] { FMain->ProxyAddBtnClick(); });
  connect(page->ProxyFileOpenBtn, &QToolButton::clicked, this,
          [this] { FMain->ProxyFileOpenBtnClick(); });
  connect(page->ProxyDeleteBtn, &QToolButton::clicked, this,
          [this, page] { FMain->ProxyDeleteBtnClick(page->SelectedEntry()); });
  connect(page->ProxyConnectTestBtn, &QToolButton::clicked, this,
          [this, page] { FMain->ProxyConnectTestBtnClick(page->SelectedEntry()); });
  connect(page->AlsDateispeichern1, &QAction::triggered, this,
          [this] { FMain->AlsDateispeichern1Click(); });
  connect(StatisticsPage, &TStatisticsPage::lAnonProxyClick, this,
          [this, page](const QString& hostAndPort) {
            RBBar->setCurrentRow(AnonymousProxyPageIndex);
            page->SelectHostAndPort(hostAndPort);
          });
}

void TMainWindow::UpdateProxyList(bool) {
  if (FMain)
    AnonymousProxyPage->SetEntries(FMain->ProxyPool().List());
}

void TMainWindow::SettingsChanged() {
  TSettingsValues settings = FMain->Settings();
  settings.SaveLastCalledSites = LastCalledSitesPage->saveLastCalledSitesChkBox->isChecked();
  settings.MaxLastCalledSites = LastCalledSitesPage->MaxLastCalledSitesEdit->value();
  settings.BlockSites = BlockedURLsPage->BlockSitesChkBox->isChecked();
  settings.ProxyPort = SettingsPage->ProxyPortEdit->value();
  settings.ConnectionType = SettingsPage->ConnectionType();
  settings.BlockBrowserName = BrowserSecurityPage->BrowserNameChkBox->isChecked();
  settings.BlockReferer = BrowserSecurityPage->RefererChkBox->isChecked();
  settings.BlockCookies = BrowserSecurityPage->CookiesChkBox->isChecked();
  settings.BlockActiveX = BrowserSecurityPage->ActiveXChkBox->isChecked();
  settings.BlockFlash = BrowserSecurityPage->FlashChkBox->isChecked();
  settings.BlockJS = BrowserSecurityPage->JavaScriptChkBox->isChecked();
  settings.BlockExeFiles = BrowserSecurityPage->ExeFilesChkBox->isChecked();
  DownloadManagerPage->StoreSettings(settings);
  AnonymousProxyPage->StoreSettings(settings);
  FMain->ApplySettings(settings);
  UpdateEnabled();
}

void TMainWindow::DestroyerSettingsChange() {
  TSettingsValues settings = FMain->Settings();
  DestroyerPage->ReadOptions(settings);
  FMain->DestroyerSettingsChange(settings);
}

void TMainWindow::GoBtnClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The cursor shows before the run holds the event loop.
  QApplication::processEvents();
  FMain->GoBtnClick();
  QApplication::restoreOverrideCursor();
}

void TMainWindow::UpdateEnabled() {
  LastCalledSitesPage->UpdateEnabled();
  BrowserSecurityPage->UpdateEnabled();
  BlockedURLsPage->UpdateEnabled();
  AnonymousProxyPage->UpdateEnabled();
}

void TMainWindow::SetStatusText(const std::string& text) {
  StatusPanel->setText(ToQString(text));
}

void TMainWindow::ShowStatistics(const TStatisticsTexts& texts) {
  StatisticsPage->ShowStatistics(texts);
}

void TMainWindow::BlockedURLsChanged(const std::vector<std::string>& list) {
  BlockedURLsPage->SetEntries(list);
}

void TMainWindow::ShowAddOnState(const TAddOnState& state) {
  PopupKillerMenu->setEnabled(state.Available);
  mnuADDM->setEnabled(state.Available);
  PopupKiller2->setText(ToQString(state.PopupKillerEnabled ? PopupKillerTexts::Deactivate
                                                           : PopupKillerTexts::Activate));
  Die20zuletztblockiertenSeiten1->setEnabled(state.PopupKillerEnabled);
  mnuADDM->setChecked(state.DownloadManagerEnabled);
  PopupKillerPage->popupkillerChkBox->setEnabled(state.Available);
  DownloadManagerPage->DMChkBox->setEnabled(state.Available);
  if (state.SetCheckBoxes) {
    PopupKillerPage->popupkillerChkBox->setChecked(state.PopupKillerEnabled);
    DownloadManagerPage->DMChkBox->setChecked(state.DownloadManagerEnabled);
  }
}

void TMainWindow::RestoreWindow() {
  TrayIconClick();
}

std::optional<TWindowPlacement> TMainWindow::WindowPlacement() const {
  if (!FPlaced || isMinimized() || isMaximized())
    return std::nullopt;
  return CapturePlacement(*this);
}

void TMainWindow::SetWindowPlacement(const TWindowPlacement& placement) {
  if (ApplyPlacement(*this, placement))
    FPlaced = true;
}

void TMainWindow::RBBarItemClick(int index) {
  if (index < 0 || index >= PageCount)
    return;
  if (FMain && index == StatisticsPageIndex)
    FMain->ShowStatistics();
  if (FMain && index == LastCalledSitesPageIndex)
    RefillLastCalledSites();
  Notebook->setCurrentIndex(index);
}

void TMainWindow::RefillLastCalledSites() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  LastCalledSitesPage->SetSites(FMain->LastCalledSites());
  QApplication::restoreOverrideCursor();
}

QMenu* TMainWindow::ChangeToPopup() {
  if (!FChangeToPopup) {
    FChangeToPopup = new QMenu(this);
    FChangeToPopup->setObjectName(QStringLiteral("ChangeToPopup"));
    for (int index = 0; index < RBBar->count(); ++index) {
      const QListWidgetItem* item = RBBar->item(index);
      QAction* entry = FChangeToPopup->addAction(item->icon(), item->text());
      connect(entry, &QAction::triggered, this, [this, index] { ChangeToPopupClick(index); });
    }
  }
  return FChangeToPopup;
}

void TMainWindow::mnuChangeToExecute() {
  ChangeToPopup()->popup(QCursor::pos());
}

void TMainWindow::ChangeToPopupClick(int index) {
  // Selecting the row shows its page; an entry for the page already shown refreshes it.
  if (RBBar->currentRow() == index) {
    RBBarItemClick(index);
  } else {
    RBBar->setCurrentRow(index);
  }
}

void TMainWindow::mnuExitExecute() {
  if (FMain)
    FMain->mnuExitExecute();
}

void TMainWindow::ShowAtStart() {
  if (FTrayAvailable) {
    TrayIcon->show();
  } else {
    TrayIconClick();
  }
  UpdateTrayItems();
}

void TMainWindow::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
    TrayIconClick();
}

void TMainWindow::TrayIconClick() {
  if (isVisible() && !isMinimized()) {
    raise();
    activateWindow();
  } else {
    // Back as it was: a maximized window comes back maximized.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
  }
  if (FMain)
    FMain->RefreshAddOnControls();
  UpdateTrayItems();
}

void TMainWindow::mnuShowDownloadsClick() {
  TrayIconClick();
  RBBar->setCurrentRow(DownloadsPageIndex);
}

void TMainWindow::TrayMinimizeClick() {
  // Only a tray can bring a hidden window back.
  if (FTrayAvailable) {
    if (FMain)
      FMain->SaveWindowPlacement();
    hide();
  } else {
    showMinimized();
  }
  UpdateTrayItems();
}

void TMainWindow::UpdateTrayItems() {
  const bool shown = isVisible() && !isMinimized();
  TrayRestore->setEnabled(!shown);
  TrayMinimize->setEnabled(shown);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  TrayMinimizeClick();
}

void TMainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange)
    return;
  // Hiding inside the state change confuses some window managers; do it right after.
  if (isMinimized() && FTrayAvailable)
    QTimer::singleShot(0, this, &TMainWindow::TrayMinimizeClick);
  UpdateTrayItems();
}

void TMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FPlaced = true;
  if (FMain)
    FirstShow();
  UpdateTrayItems();
}

void TMainWindow::FirstShow() {
  if (FShown)
    return;
  FShown = true;
  DestroyerPage->PC->setCurrentIndex(0);
  DestroyerPage->PCChange();
  FMain->FormShow();
}
