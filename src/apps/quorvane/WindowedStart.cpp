// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowedStart.h"

#include "CommandLine.h"
#include "app/HeadlessUnit.h"
#include "app/MainUnit.h"
#include "app/OnlyOne.h"
#include "app/StartFlags.h"
#include "app/StopSignals.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
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
  TOnlyOne onlyOne;
  const TStartFlags flags = InitializeProgram(options.Switches, onlyOne, userInterface);
  if (flags.TerminateAtStart)
    return 0;

  TRegistry registry(TRegistryLocations::FromEnvironment());
  TMainWindow window;
  TMain main(registry, userInterface, window, ProgramFolder(), flags, RunOptionsOf(options));
  onlyOne.Listen([&main] { main.RestoreRequested(); });
  stopSignals.Watch([&main] {
    main.FormCloseQuery();
    // Not quit(): that first asks the windows to close, and the main window only hides.
    QCoreApplication::exit(0);
  });
  main.FormCreate();
  window.Attach(main);
  window.ShowAtStart();
  QApplication::exec();
  main.FormDestroy();
  return 0;
}

int RunScreenshots(int argc, char** argv, const TCommandLine& options) {
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
  QApplication application(argc, argv);
  const QString folder = QString::fromStdString(options.ScreenshotFolder);
  if (!QDir().mkpath(folder)) {
    std::cerr << "quorvane: cannot create " << options.ScreenshotFolder << "\n";
    return 1;
  }

  // Nothing may wait for an answer while rendering.
  THeadlessUserInterface userInterface(std::cerr);
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TMainWindow window(false);
  TRunOptions run = RunOptionsOf(options);
  run.Port = 0; // any free port: an installed instance may hold the configured one
  TMain main(
      registry, userInterface, window, ProgramFolder(), TStartFlags{}, run,
      TAutoStart(QFile::encodeName(home.filePath(QStringLiteral("autostart"))).toStdString()));
  main.FormCreate();
  window.Attach(main);
  // Two recent pages, so that the list shows how its entries look.
  main.AddLastCalledSite("http://www.example.org/");
  main.AddLastCalledSite("http://www.example.org/index.html");
  try {
    for (const QString& file : WriteScreenshots(window, main, folder)) {
      std::cout << QDir(folder).filePath(file).toStdString() << "\n";
    }
  } catch (const std::exception& error) {
    std::cerr << "quorvane: " << error.what() << "\n";
    return 1;
  }
  main.FormDestroy();
  return 0;
}
