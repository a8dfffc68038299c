// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "app/RegistrySettingsUnit.h"
#include "platform/Registry.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

// A home of its own with its hives, and the settings stored there by an earlier run
// or read back as the next run would load them.
class StoredSettingsTest : public ::testing::Test {
protected:
  // The program's folder holds the browser add-on, as an installed program's does.
  StoredSettingsTest() {
    std::filesystem::create_directories(Home.Path() / "program");
    std::filesystem::create_symlink(QUORVANE_ADDON_FILE, Home.Path() / "program" / "qhelper.so");
  }

  // Changes the stored settings as the previous run left them.
  void Store(const std::function<void(TRegistrySettings&)>& change) {
    TRegistry registry(TRegistryLocations::InFolder(Home.RegistryFolder()));
    TRegistrySettings settings(registry, UserInterface, ProgramFolder());
    settings.Load();
    change(settings);
    settings.Save();
  }

  // The settings as the next run would load them.
  std::unique_ptr<TRegistrySettings> Stored() {
    StoredRegistry =
        std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
    auto settings =
        std::make_unique<TRegistrySettings>(*StoredRegistry, UserInterface, ProgramFolder());
    settings->Load();
    return settings;
  }

  std::string ProgramFolder() const { return (Home.Path() / "program").string() + "/"; }

  void TearDown() override { StoredRegistry.reset(); }

  TTestHome Home;
  TFakeUserInterface UserInterface;
  std::unique_ptr<TRegistry> StoredRegistry;
};
