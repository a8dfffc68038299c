// SPDX-License-Identifier: GPL-3.0-or-later
// "quorvane --screenshots DIR" renders every page and dialog to PNG files.
#include "TempFolder.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gmock/gmock.h>

namespace {

TEST(Screenshots, ProgramWritesOnePngPerPageMenuAndDialog) {
  EnsureApplication();
  TTestHome home;
  TTempFolder output;
  QProcess program;
  program.start(QStringLiteral(QUORVANE_PATH),
                {QStringLiteral("--screenshots"), QString::fromStdString(output.Path().string())});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

  const QStringList expected = {
      "dialog-cookie-ausnahmen.png",
      "dialog-cookie-verwaltung.png",
      "dialog-die-20-zuletzt-blockierten-seiten.png",
      "dialog-domain-hinzufuegen.png",
      "dialog-download-beendet.png",
      "dialog-erlaubte-popups.png",
      "dialog-info.png",
      "dialog-neuer-download.png",
      "dialog-seite-aendern.png",
      "dialog-seite-aufnehmen.png",
      "dialog-zugriffsbeschraenkung.png",
      "main-0-uebertragene-bytes.png",
      "main-1-zuletzt-aufgerufene-seiten.png",
      "main-2-downloads-ueber-den-downloadmanager.png",
      "main-3-muell-webbrowser-aufraeumen.png",
      "main-3-muell-windows-aufraeumen.png",
      "main-4-einstellungen-allgemein.png",
      "main-4-einstellungen-quorvane-einrichtung.png",
      "main-5-anonyme-proxy-server.png",
      "main-6-browsersicherheit.png",
      "main-7-seiten-blockieren.png",
      "main-8-popupkiller.png",
      "main-9-downloadmanager.png",
      "menu-downloads.png",
      "menu-hilfe.png",
      "menu-tray-popup-killer.png",
      "menu-tray.png",
      "menu-wechseln-zu.png",
      "msgbox-bestaetigung.png",
      "msgbox-fehler-qhelper.png",
      "msgbox-fehler.png",
      "msgbox-frage.png",
      "msgbox-information.png",
      "msgbox-warnung.png",
      "wizard-1.png",
      "wizard-2.png",
      "wizard-3.png",
      "wizard-4.png",
      "wizard-5.png",
      "wizard-6.png",
  };
  const QDir folder(QString::fromStdString(output.Path().string()));
  EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name), expected);
  for (const QString& file : expected) {
    const QImage image(folder.filePath(file), "PNG");
    EXPECT_FALSE(image.isNull()) << file.toStdString();
    EXPECT_GT(image.width(), 50) << file.toStdString();
  }
  EXPECT_FALSE(std::filesystem::exists(home.RegistryFolder()))
      << "the user's settings stay untouched";
}

} // namespace
