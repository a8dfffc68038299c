// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoredSettings.h"
#include "app/MainUnit.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

// A window that records what the controller asked of it.
class TRecordingView : public TMainView {
public:
  void SetStatusText(const std::string& text) override { StatusTexts.push_back(text); }
  void ShowStatistics(const TStatisticsTexts& texts) override {
    ++StatisticsShown;
    LastStatistics = texts;
  }
  void BlockedURLsChanged(const std::vector<std::string>& list) override {
    BlockedURLLists.push_back(list);
  }
  void ShowAddOnState(const TAddOnState& state) override { AddOnStates.push_back(state); }
  void RestoreWindow() override { ++Restores; }
  std::optional<TWindowPlacement> WindowPlacement() const override { return Placement; }
  void SetWindowPlacement(const TWindowPlacement& placement) override {
    Placed.push_back(placement);
  }

  std::vector<std::string> StatusTexts;
  int StatisticsShown = 0;
  TStatisticsTexts LastStatistics;
  std::vector<std::vector<std::string>> BlockedURLLists; // as each change handed them over
  std::vector<TAddOnState> AddOnStates; // as the controller showed them, oldest first
  int Restores = 0;
  std::optional<TWindowPlacement> Placement; // what the window reports
  std::vector<TWindowPlacement> Placed;      // what the controller applied
};

// Runs the Qt event loop until done() or the time is up; returns done().
inline bool
ProcessEventsUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// A home of its own with its hives, stored settings written before the controller
// starts, and the controller on an ephemeral port unless a test stores one.
class MainTestBase : public StoredSettingsTest {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "quorvane_main_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
      new QCoreApplication(argc, argv);
  }

  TMain& Start(TRunOptions run = EphemeralPort(), TStartFlags flags = {}) {
    Registry = std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
    Main = std::make_unique<TMain>(
        *Registry, UserInterface, View, ProgramFolder(), flags, std::move(run),
        TAutoStart(Home.Path() / "autostart", "/opt/quorvane/quorvane"), [this] { return Now; });
    Main->FormCreate();
    return *Main;
  }

  // The window's way of changing settings: a changed copy handed to the controller.
  void Apply(const std::function<void(TSettingsValues&)>& change) {
    TSettingsValues values = Main->Settings();
    change(values);
    Main->ApplySettings(values);
  }

  static TRunOptions EphemeralPort() {
    TRunOptions run;
    run.Port = 0;
    return run;
  }

  void TearDown() override {
    Main.reset();
    Registry.reset();
    StoredSettingsTest::TearDown();
  }

  TRecordingView View;
  std::chrono::steady_clock::time_point Now =
      std::chrono::steady_clock::time_point(std::chrono::hours(1));
  std::unique_ptr<TRegistry> Registry;
  std::unique_ptr<TMain> Main;
};
