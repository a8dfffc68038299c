// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RePosApp.h"

#include "app/MainView.h"
#include "common/ProductInfo.h"

#include <string>

namespace {

bool IsFlag(int value) {
  return value == 0 || value == 1;
}

} // namespace

TRePosApp::TRePosApp(TRegistry& registry, TUserInterface& userInterface, TMainView& view)
    : FRegIniFile(registry, userInterface), FView(view) {}

void TRePosApp::SetKey() {
  FRegIniFile.SetRegKey(TRootKey::CurrentUser);
  FRegIniFile.SetArea("\\" + std::string(ProductInfo::ProductKey));
  FRegIniFile.SetSection(std::string(Section));
}

void TRePosApp::Restore() {
  if (const std::optional<TWindowPlacement> placement = Load())
    FView.SetWindowPlacement(*placement);
}

void TRePosApp::Save() {
  if (const std::optional<TWindowPlacement> placement = FView.WindowPlacement())
    Store(*placement);
}

std::optional<TWindowPlacement> TRePosApp::Load() {
  SetKey();
  bool readable = true;
  const auto read = [this, &readable](std::string_view name) {
    // An empty text gives the default without an error; it is no placement either.
    readable = readable && !FRegIniFile.ReadString(name, "").empty();
    const int value = FRegIniFile.ReadInteger(name, 0);
    readable = readable && FRegIniFile.ErrorCode() == RegOk;
    return value;
  };
  TWindowPlacement placement;
  placement.ShowCmd = read("ShowCmd");
  placement.Top = read("Top");
  placement.Left = read("Left");
  placement.Width = read("Width");
  placement.Height = read("Height");
  placement.Monitor = read("Monitor");
  if (!readable || !IsFlag(placement.ShowCmd) || !IsFlag(placement.Monitor) ||
      placement.Width <= 0 || placement.Height <= 0) {
    return std::nullopt;
  }
  return placement;
}

void TRePosApp::Store(const TWindowPlacement& placement) {
  SetKey();
  // A refused write costs only the next start's position; nobody is told.
  const auto write = [this](std::string_view name, int value) {
    FRegIniFile.WriteInteger(name, value);
    return FRegIniFile.ErrorCode() == RegOk;
  };
  FRegIniFile.WriteAtomically([&] {
    return write("ShowCmd", placement.ShowCmd) && write("Top", placement.Top) &&
           write("Left", placement.Left) && write("Width", placement.Width) &&
           write("Height", placement.Height) && write("Monitor", placement.Monitor);
  });
}
