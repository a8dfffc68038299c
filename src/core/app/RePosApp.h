// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TheRegIniFile.h"
#include "app/WindowPlacement.h"

#include <optional>
#include <string_view>

class TMainView;
class TRegistry;
class TUserInterface;

// The main window's placement memory: the key "MainWindowPosition" below the
// program's key, each value a whole number stored as text.
class TRePosApp {
public:
  static constexpr std::string_view Section = "MainWindowPosition";

  // view must outlive this object.
  TRePosApp(TRegistry& registry, TUserInterface& userInterface, TMainView& view);

  // Hands the stored placement to the view. A placement with a missing or
  // unreadable value, or without an area, is ignored.
  void Restore();
  // Stores the view's placement, all values in one write; nothing when the view
  // has none to give (minimized, maximized, never placed).
  void Save();

private:
  void SetKey();
  std::optional<TWindowPlacement> Load();
  void Store(const TWindowPlacement& placement);

  TTheRegIniFile FRegIniFile;
  TMainView& FView;
};
