// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowedStart.h"

#include "CommandLine.h"
#include "ProgramStart.h"
#include "app/HeadlessUnit.h"
#include "ui/AnonymousProxyPage.h"
#include "ui/MainWindow.h"
#include "ui/QtUserInterface.h"
#include "ui/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <exception>
#include <iostream>

bool HasWindow() {
  return true;
}

int RunWindowed(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals) {
  QApplication application(argc, argv);
  // The window hides to the tray; only "Beenden" ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  TQtUserInterface userInterface;
  TMainWindow window;
  return RunProgram({userInterface, window,
                     [&window](TMain& main) {
                       window.Attach(main);
                       window.ShowAtStart();
                     }},
                    StartOptionsOf(options), stopSignals);
}

int RunScreenshots(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals) {
  // Offscreen, and on settings of its own in a folder removed afterwards, so that
  // the pictures look alike on every machine and the user's settings stay untouched.
  QTemporaryDir home;
  if (!home.isValid()) {
    std::cerr << "quorvane: cannot create a temporary folder\n";
    return 1;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QUORVANE_REGISTRY_DIR", QFile::encodeName(home.filePath(QStringLiteral("registry"))));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
  QDir(home.path()).mkdir(QStringLiteral("runtime"));
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.filePath(QStringLiteral("runtime"))));
  QApplication application(argc, argv);
  const QString folder = QString::fromStdString(options.ScreenshotFolder);
  if (!QDir().mkpath(folder)) {
    std::cerr << "quorvane: cannot create " << options.ScreenshotFolder << "\n";
    return 1;
  }

  // Nothing may wait for an answer while rendering.
  THeadlessUserInterface userInterface(std::cerr);
  TMainWindow window(false);
  TStartOptions start;
  start.SingleInstance = false;
  start.Run = RunOptionsOf(options);
  start.Run.Port = 0; // any free port: an installed instance may hold the configured one
  start.AutoStart =
      TAutoStart(QFile::encodeName(home.filePath(QStringLiteral("autostart"))).toStdString());
  return RunProgram({userInterface, window, [&window](TMain& main) { window.Attach(main); }},
                    std::move(start), stopSignals, [&](TMain& main) {
                      // Two recent pages, so that the list shows how its entries look.
                      main.RequestEvents().AddLastCalledSite("http://www.example.org/");
                      main.RequestEvents().AddLastCalledSite("http://www.example.org/index.html");
                      // Three proxies of the documentation range, the pool in use, so that
                      // page 5 and the statistics show how they look.
                      main.ProxyPool().AddProxyLines(
                          "192.0.2.11:3128\n192.0.2.12:8080\n198.51.100.7:3128");
                      main.ProxyPool().List()[0]->ResponseTime = 240;
                      main.ProxyPool().List()[1]->ResponseTime = 0;
                      main.ProxyPool().List()[1]->FailureLevel = 2;
                      main.ProxyPool().List()[2]->ResponseTime = 410;
                      main.UpdateProxyList(true);
                      TSettingsValues settings = main.Settings();
                      settings.UseAnonymousProxyServers = true;
                      main.ApplySettings(settings);
                      window.AnonymousProxyPage->LoadSettings(main.Settings());
                      try {
                        for (const QString& file : WriteScreenshots(window, main, folder)) {
                          std::cout << QDir(folder).filePath(file).toStdString() << "\n";
                        }
                      } catch (const std::exception& error) {
                        std::cerr << "quorvane: " << error.what() << "\n";
                        return 1;
                      }
                      return 0;
                    });
}
