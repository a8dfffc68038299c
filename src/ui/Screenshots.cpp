// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Screenshots.h"

#include "app/MainTexts.h"
#include "app/MainUnit.h"
#include "app/Tools.h"
#include "common/ProductInfo.h"
#include "privacy/PopupKillerTexts.h"
#include "ui/AboutDlg.h"
#include "ui/CookieManagementDlgUnit.h"
#include "ui/CookiesAllowedDlgUnit.h"
#include "ui/DestroyerPage.h"
#include "ui/DownloadManagerPage.h"
#include "ui/DownloadSuccessDlgUnit.h"
#include "ui/DownloadsPage.h"
#include "ui/InputDialogs.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"
#include "ui/NewDownloadFormUnit.h"
#include "ui/PopupKillerPage.h"
#include "ui/ProxyAccessDlgUnit.h"
#include "ui/QtText.h"
#include "ui/QtUserInterface.h"
#include "ui/SettingsPage.h"
#include "ui/URLEditDlgUnit.h"
#include "ui/WelcomeDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QInputDialog>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>
#include <stdexcept>

namespace {

// File names stay ASCII: "Übertragene Bytes" -> "uebertragene-bytes".
QString Slug(const QString& caption) {
  QString slug;
  for (const QChar c : caption.toLower()) {
    if (c == u'ä')
      slug += QStringLiteral("ae");
    else if (c == u'ö')
      slug += QStringLiteral("oe");
    else if (c == u'ü')
      slug += QStringLiteral("ue");
    else if (c == u'ß')
      slug += QStringLiteral("ss");
    else if (c.isLetterOrNumber() && c.unicode() < 128)
      slug += c;
    else if (!slug.endsWith(QLatin1Char('-')))
      slug += QLatin1Char('-');
  }
  while (slug.endsWith(QLatin1Char('-')))
    slug.chop(1);
  return slug;
}

class TShots {
public:
  explicit TShots(const QString& folder) : FFolder(folder) {}

  void Save(QWidget& widget, const QString& name) {
    // Shown, so that the layouts have placed every control before the grab; the
    // layout requests they post (scroll areas fit their bars then) are handled too.
    widget.show();
    QCoreApplication::sendPostedEvents();
    const QString file = name + QStringLiteral(".png");
    if (!widget.grab().save(FFolder.filePath(file), "PNG")) {
      throw std::runtime_error("cannot write " + ToStdString(FFolder.filePath(file)));
    }
    Files << file;
  }

  QStringList Files;

private:
  QDir FFolder;
};

void SaveMessageBox(TShots& shots, TMsgKind kind, std::string_view text, int buttons) {
  const auto box = CreateMessageBox(text, {}, kind, buttons, nullptr);
  shots.Save(*box, QStringLiteral("msgbox-") + Slug(ToQString(MessageBoxTitle(kind))));
  box->close();
}

} // namespace

QStringList WriteScreenshots(TMainWindow& window, TMain& main, const QString& folder) {
  TShots shots(folder);
  // Rows of every kind on the downloads page, without transfers behind them.
  const std::string folderPath = "/home/anna/Dokumente/Quorvane/Downloads/";
  const TDownloadRow rows[] = {
      {"http://www.example.org/files/setup.exe", folderPath + "setup.exe", "Download läuft", 42,
       "512 KByte/s", "00:12 Sek."},
      {"ftp://ftp.example.org/pub/archive.zip", folderPath + "archive.zip",
       "Download abgeschlossen", 100, "", ""},
      {"http://www.example.org/music/track.mp3", folderPath + "track.mp3", "Download unterbrochen",
       17, "", ""},
      {"http://www.example.net/missing.rar", folderPath + "missing.rar",
       "Fehler: HTTP/1.1 404 Not Found/Error: Server answered 404. - 404", 0, "", ""},
  };
  for (const TDownloadRow& row : rows)
    window.DownloadsPage->SetRow(&row, row);
  window.show();
  // The add-on's pages with their options in reach; only the boxes change, nothing
  // is switched.
  QCheckBox* popupKiller = window.PopupKillerPage->popupkillerChkBox;
  QCheckBox* downloadManager = window.DownloadManagerPage->DMChkBox;
  const bool popupKillerWas = popupKiller->isChecked();
  const bool downloadManagerWas = downloadManager->isChecked();
  popupKiller->setChecked(true);
  downloadManager->setChecked(true);
  for (int index = 0; index < TMainWindow::PageCount; ++index) {
    window.RBBar->setCurrentRow(index);
    const QString name =
        QStringLiteral("main-%1-").arg(index) +
        Slug(QString::fromUtf8(TMainWindow::PageCaptions[static_cast<std::size_t>(index)]));
    if (window.Notebook->currentWidget() == window.DestroyerPage) {
      QTabWidget* tabs = window.DestroyerPage->PC;
      for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        shots.Save(window, name + QLatin1Char('-') + Slug(tabs->tabText(tab)));
      }
      tabs->setCurrentIndex(0);
    } else if (window.Notebook->currentWidget() == window.SettingsPage) {
      QTabWidget* tabs = window.SettingsPage->CfgPC;
      for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        shots.Save(window, name + QLatin1Char('-') + Slug(tabs->tabText(tab)));
      }
      tabs->setCurrentIndex(0);
    } else {
      shots.Save(window, name);
    }
  }
  popupKiller->setChecked(popupKillerWas);
  downloadManager->setChecked(downloadManagerWas);
  window.RBBar->setCurrentRow(0);
  QMenu* changeTo = window.ChangeToPopup();
  shots.Save(*changeTo, QStringLiteral("menu-wechseln-zu"));
  changeTo->hide();
  shots.Save(*window.TrayIconPopup, QStringLiteral("menu-tray"));
  window.TrayIconPopup->hide();
  shots.Save(*window.PopupKillerMenu, QStringLiteral("menu-tray-popup-killer"));
  window.PopupKillerMenu->hide();
  shots.Save(*window.mnuHelp, QStringLiteral("menu-hilfe"));
  window.mnuHelp->hide();

  TWelcomeDlg wizard(InitialWelcomeAnswers(main.Settings(), main.DSLConnectionAvailable()),
                     {true, main.DSLConnectionAvailable()});
  for (int page = 0; page < TWelcomeDlg::PageCount; ++page) {
    wizard.ShowPage(page);
    shots.Save(wizard, QStringLiteral("wizard-%1").arg(page + 1));
  }
  wizard.hide();

  TAboutDlg about;
  shots.Save(about, QStringLiteral("dialog-info"));
  about.close();

  shots.Save(*window.DownloadsPage->DMPopupMenu, QStringLiteral("menu-downloads"));
  window.DownloadsPage->DMPopupMenu->hide();

  TNewDownloadForm newDownload("http://www.example.org/files/setup.exe", 3);
  shots.Save(newDownload, QStringLiteral("dialog-neuer-download"));
  newDownload.close();
  TDownloadSuccessDlg success("ftp://ftp.example.org/pub/archive.zip", folderPath + "archive.zip");
  shots.Save(success, QStringLiteral("dialog-download-beendet"));
  success.close();

  TProxyAccessDlg access;
  access.SetAuthType(TAuthType::atThisIP);
  access.SetIP(std::string(MainTexts::ProxyIPEditDefault));
  shots.Save(access, QStringLiteral("dialog-zugriffsbeschraenkung"));
  access.close();

  TQtUserInterface userInterface;
  TURLEditDlg allowedPopups(ToQString(PopupKillerTexts::AllowedPopupsCaption),
                            {std::string(ProductInfo::HomePage), "werbung"}, userInterface);
  allowedPopups.URLLB->setCurrentRow(0);
  shots.Save(allowedPopups, QStringLiteral("dialog-erlaubte-popups"));
  allowedPopups.close();
  TURLEditDlg killedPages(ToQString(PopupKillerTexts::LastBlockedCaption),
                          {"http://popup.example/fenster.html"}, userInterface);
  killedPages.ShowAsKilledPages();
  killedPages.URLLB->setCurrentRow(0);
  shots.Save(killedPages, QStringLiteral("dialog-die-20-zuletzt-blockierten-seiten"));
  killedPages.close();
  TCookiesAllowedDlg cookies(main.Settings().DomainCookiesAllowedList, userInterface);
  cookies.ListBox->setCurrentRow(0);
  shots.Save(cookies, QStringLiteral("dialog-cookie-ausnahmen"));
  cookies.close();
  const auto domainBox = CreateLineInputBox(QStringLiteral("Domain hinzufügen"),
                                            QStringLiteral("Domain:"), {}, nullptr);
  shots.Save(*domainBox, QStringLiteral("dialog-domain-hinzufuegen"));
  domainBox->close();

  TCookieManagementDlg cookieManagement({".example.org", "news.example.net", "shop.example"},
                                        {".quorvane.example"});
  cookieManagement.SrcList->item(1)->setSelected(true);
  shots.Save(cookieManagement, QStringLiteral("dialog-cookie-verwaltung"));
  cookieManagement.close();

  const std::vector<std::string>& blocked = main.Settings().BlockedURLList;
  const std::string entry = blocked.empty() ? std::string() : blocked.front();
  const std::size_t split = entry.find(ExceptionSeparator);
  const std::string exceptions =
      split == std::string::npos ? std::string() : entry.substr(split + ExceptionSeparator.size());
  TInputLineAndListDlg urlEdit(MainTexts::EditUrlCaption, MainTexts::UrlPrompt,
                               MainTexts::UrlExceptionsPrompt, entry.substr(0, split), exceptions);
  shots.Save(urlEdit, QStringLiteral("dialog-seite-aendern"));
  urlEdit.close();
  TInputListDlg add2Blocked(MainTexts::Add2BlockedCaption, MainTexts::Add2BlockedPrompt,
                            std::string(ProductInfo::HomePage));
  shots.Save(add2Blocked, QStringLiteral("dialog-seite-aufnehmen"));
  add2Blocked.close();

  SaveMessageBox(shots, TMsgKind::Error, main.ProxyServer().BindErrorMsg(), TMsgButtons::OK);
  const auto addOnMissing = CreateMessageBox(PopupKillerTexts::AddOnMissing, {}, TMsgKind::Error,
                                             TMsgButtons::OK, nullptr);
  shots.Save(*addOnMissing, QStringLiteral("msgbox-fehler-qhelper"));
  addOnMissing->close();
  SaveMessageBox(shots, TMsgKind::Information, MainTexts::EntryExistsOrInvalid, TMsgButtons::OK);
  SaveMessageBox(shots, TMsgKind::Question, MainTexts::ClearStatisticsQuestion,
                 TMsgButtons::YesNoCancel);
  SaveMessageBox(shots, TMsgKind::Warning, MainTexts::EntryExistsOrInvalid,
                 TMsgButtons::AbortRetryIgnore);
  SaveMessageBox(shots, TMsgKind::Confirmation, MainTexts::ClearStatisticsQuestion,
                 TMsgButtons::YesNo);
  return shots.Files;
}
