// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MainView.h"

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <QUrl>
#include <array>
#include <functional>
#include <string>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QStackedWidget;
class TAnonymousProxyPage;
class TBlockedURLsPage;
class TBrowserSecurityPage;
class TDestroyerPage;
class TDownloadManagerPage;
class TDownloadsPage;
class TLastCalledSitesPage;
class TMain;
class TPopupKillerPage;
class TSettingsPage;
class TStatisticsPage;

// The main window: the navigation bar RBBar beside the page book Notebook, the
// menu "Datei", the status bar and the tray icon. It lives in the tray: closing or
// minimising hides it there, and only "Beenden" ends the program. Without a tray
// it stays an ordinary window that closing minimises.
class TMainWindow : public QMainWindow, public TMainView {
  Q_OBJECT
public:
  static constexpr int PageCount = 10;
  // The pages of Notebook in RBBar's order.
  static const std::array<const char*, PageCount> PageCaptions;

  explicit TMainWindow(bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable(),
                       QWidget* parent = nullptr);
  ~TMainWindow() override;

  // After TMain::FormCreate: copies the settings into the controls, then wires
  // every control to the controller. main must outlive the window's use of it.
  void Attach(TMain& main);
  // The end of start-up: the tray icon appears and the window stays hidden, or,
  // with no tray, the window is shown.
  void ShowAtStart();

  // TMainView
  void SetStatusText(const std::string& text) override;
  void ShowStatistics(const TStatisticsTexts& texts) override;
  void BlockedURLsChanged(const std::vector<std::string>& list) override;
  void ShowAddOnState(const TAddOnState& state) override;
  void RestoreWindow() override;
  std::optional<TWindowPlacement> WindowPlacement() const override;
  void SetWindowPlacement(const TWindowPlacement& placement) override;
  void UpdateProxyList(bool rebuild) override;

  // Shows page index; page 0 first refreshes the statistics, page 1 refills the
  // recent pages.
  void RBBarItemClick(int index);
  // The "Wechseln zu..." popup, filled on first use.
  QMenu* ChangeToPopup();
  void TrayIconClick();
  void TrayMinimizeClick();
  // "Hilfe": the help page of the page shown; "Inhalt": the help's contents.
  void ContextHelpExecute();
  void Hilfe1Execute();
  // "Info...": the about box, modal.
  void Action3Execute();
  // The online update; the window stays disabled while it runs.
  void mnuOnlineUpdateExecute();
  // "Laufende Downloads zeigen": the window from the tray, on the downloads page.
  void mnuShowDownloadsClick();
  bool TrayAvailable() const { return FTrayAvailable; }

  QListWidget* RBBar;
  QStackedWidget* Notebook;
  QLabel* StatusPanel;
  TStatisticsPage* StatisticsPage;
  TLastCalledSitesPage* LastCalledSitesPage;
  TDownloadsPage* DownloadsPage;
  TSettingsPage* SettingsPage;
  TBrowserSecurityPage* BrowserSecurityPage;
  TBlockedURLsPage* BlockedURLsPage;
  TDestroyerPage* DestroyerPage;
  TPopupKillerPage* PopupKillerPage;
  TDownloadManagerPage* DownloadManagerPage;
  TAnonymousProxyPage* AnonymousProxyPage;
  QAction* mnuChangeTo;
  QAction* mnuExit;
  // "Online-Update...", in "Datei" and in "?".
  QAction* mnuOnlineUpdate;
  // Menu "?".
  QMenu* mnuHelp;
  QAction* ContextHelp;
  QAction* Hilfe1;
  QAction* Action3;
  // Opens a help page in the desktop's browser; tests replace it.
  std::function<void(const QUrl&)> OpenDocument;
  QSystemTrayIcon* TrayIcon;
  QMenu* TrayIconPopup;
  QAction* TrayRestore;
  QAction* TrayMinimize;
  // The submenu "Popup Killer" and the add-on's download switch.
  QMenu* PopupKillerMenu;
  QAction* PopupKiller2;
  QAction* Die20zuletztblockiertenSeiten1;
  QAction* mnuADDM;
  QAction* mnuShowDownloads;
  QAction* PopupCloseProgram;

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void CreatePages();
  void CreateMenus();
  void CreateTrayIcon();
  void LoadControls();
  void ConnectControls();
  void ConnectAddOnControls();
  void ConnectAnonymousProxyPage();
  // Hands the controller its settings with the control values put in.
  void SettingsChanged();
  // A cleaner box changed: the controller gets the page's options.
  void DestroyerSettingsChange();
  void GoBtnClick();
  void UpdateEnabled();
  void RefillLastCalledSites();
  void ChangeToPopupClick(int index);
  void mnuChangeToExecute();
  void mnuExitExecute();
  void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);
  void UpdateTrayItems();
  // The controller's FormShow, once, at the first showing after Attach.
  void FirstShow();

  TMain* FMain = nullptr;
  QMenu* FChangeToPopup = nullptr;
  bool FTrayAvailable;
  bool FShown = false;
  // Shown, or given a stored placement: only then has it a placement worth keeping.
  bool FPlaced = false;
};
