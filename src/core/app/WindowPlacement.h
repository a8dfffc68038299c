// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// ShowCmd values of a stored placement.
inline constexpr int ShowCmdNormal = 0;
inline constexpr int ShowCmdMaximized = 1;

// The main window's normal placement: the top-left corner of its frame and its
// inner size, the pair that moving and resizing a window take, so that a stored
// placement comes back exactly.
struct TWindowPlacement {
  int ShowCmd = ShowCmdNormal;
  int Top = 0;
  int Left = 0;
  int Width = 0;
  int Height = 0;
  int Monitor = 0; // 1 on a screen other than the primary one

  bool operator==(const TWindowPlacement&) const = default;
};

// The part of one screen that windows may cover, in desktop coordinates. Lists of
// screens start with the primary one.
struct TScreenArea {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// So much of a window (or all of a smaller one) must lie on one screen, across and
// down, for the user to see it and drag it back.
inline constexpr int MinVisiblePixels = 32;

// Whether the placement leaves enough of the window on one of screens.
bool IsOnScreen(const TWindowPlacement& placement, const std::vector<TScreenArea>& screens);
// The "Monitor" value of a window placed so: 1 when the screen that holds most of
// it is not the primary one, else 0.
int MonitorOf(const TWindowPlacement& placement, const std::vector<TScreenArea>& screens);
