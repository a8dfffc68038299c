// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowPlacement.h"
#include "common/ProductInfo.h"
#include "platform/Registry.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The key "MainWindowPosition" in the hives of registryFolder, as a previous run
// left it or as the next run will find it.
class TStoredPlacement {
public:
  using TValues = std::map<std::string, std::string>;

  explicit TStoredPlacement(std::filesystem::path registryFolder)
      : FRegistry(TRegistryLocations::InFolder(std::move(registryFolder))) {}

  // Each name with its text as REG_SZ, as the program writes them.
  void Store(const TValues& values) {
    TRegKey key;
    ASSERT_EQ(FRegistry.CreateKey(TRootKey::CurrentUser, KeyPath(), "", key), TRegResult::Ok);
    for (const auto& [name, text] : values)
      ASSERT_EQ(FRegistry.SetValue(key, name, MakeStringValue(text)), TRegResult::Ok);
  }

  // The stored values by name; a value of another type than REG_SZ reads as "<not text>".
  TValues Values() {
    TValues values;
    TRegKey key;
    std::vector<std::string> names;
    if (FRegistry.OpenKey(TRootKey::CurrentUser, KeyPath(), key) != TRegResult::Ok ||
        FRegistry.EnumValueNames(key, names) != TRegResult::Ok) {
      return values;
    }
    for (const std::string& name : names) {
      TRegValue value;
      FRegistry.QueryValue(key, name, value);
      values[name] = value.Type == TRegValueType::String ? ValueText(value) : "<not text>";
    }
    return values;
  }

  // The six values of a placement as the program stores them.
  static TValues Of(const TWindowPlacement& placement) {
    return {{"ShowCmd", std::to_string(placement.ShowCmd)},
            {"Top", std::to_string(placement.Top)},
            {"Left", std::to_string(placement.Left)},
            {"Width", std::to_string(placement.Width)},
            {"Height", std::to_string(placement.Height)},
            {"Monitor", std::to_string(placement.Monitor)}};
  }

private:
  static std::string KeyPath() {
    return std::string(ProductInfo::ProductKey) + "\\MainWindowPosition";
  }

  TRegistry FRegistry;
};
