// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoredSettings.h"
#include "app/MainUnit.h"
#include "platform/Registry.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// One QApplication per test process, made on first use.
inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "quorvane_ui_tests";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr)
    new QApplication(argc, argv);
}

// Acts on the modal dialog that the next call opens, once its event loop runs.
inline void OnNextModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

// A home of its own with its hives, the stored settings of the previous run, the
// controller on an ephemeral port and the main window attached to it.
class WindowTestBase : public StoredSettingsTest {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  TMainWindow& Start(bool trayAvailable = true) {
    Window = std::make_unique<TMainWindow>(trayAvailable);
    Registry = std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
    TRunOptions run;
    run.Port = 0;
    Main = std::make_unique<TMain>(*Registry, UserInterface, *Window, ProgramFolder(),
                                   TStartFlags{}, run,
                                   TAutoStart(Home.Path() / "autostart", "/opt/quorvane/quorvane"));
    Main->FormCreate();
    Window->Attach(*Main);
    return *Window;
  }

  void TearDown() override {
    Main.reset();
    Window.reset();
    Registry.reset();
    StoredSettingsTest::TearDown();
  }

  std::unique_ptr<TRegistry> Registry;
  std::unique_ptr<TMainWindow> Window;
  std::unique_ptr<TMain> Main;
};
