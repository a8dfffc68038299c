// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SettingsValues.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Defaults that depend on the clock or on the user's folders.
enum class TComputedDefault {
  Now,            // the time of loading
  DataFolder,     // the "AppData" shell folder + "/Quorvane"
  DownloadFolder, // the "Personal" shell folder + "/Quorvane/Downloads"
};

// A stored number outside [Min, Max] loads as Replacement.
struct TBounds {
  int Min;
  int Max;
  int Replacement;
};

using TSettingMember = std::variant<bool TSettingsValues::*, int TSettingsValues::*,
                                    std::string TSettingsValues::*, TDateTime TSettingsValues::*>;
// Of the member's type, or computed when the settings are loaded.
using TSettingDefault = std::variant<bool, int, std::string_view, TComputedDefault>;

// One stored value: its sub key below the product key, its name, the member that
// holds it, its default and, for numbers, its bounds. Loading, saving, the defaults
// and the bounds all follow these rows, in their order.
struct TSettingKey {
  std::string_view Section;
  std::string_view Name;
  TSettingMember Member;
  TSettingDefault Default;
  std::optional<TBounds> Bounds{};
};

// A stored list: a sub key of its own whose values "0", "1", ... hold the entries.
// Default, when set, gives the entries of a list that was never stored.
struct TListKey {
  std::string_view Section;
  std::vector<std::string> TSettingsValues::*Member;
  std::vector<std::string> (*Default)();
};

std::span<const TSettingKey> SettingKeys();
std::span<const TListKey> ListKeys();

// value, or the key's replacement when it lies outside the key's bounds.
int WithinBounds(const TSettingKey& key, int value);
