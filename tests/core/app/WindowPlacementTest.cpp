// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a window placement leaves the window where the user can reach it, and
// on which screen it lies.
#include "app/WindowPlacement.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

// A wide primary screen and a smaller one to its right.
const std::vector<TScreenArea> TwoScreens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

TWindowPlacement At(int left, int top, int width, int height) {
  TWindowPlacement placement;
  placement.Left = left;
  placement.Top = top;
  placement.Width = width;
  placement.Height = height;
  return placement;
}

struct TScreenCase {
  const char* Name;
  TWindowPlacement Placement;
  bool OnScreen;
  int Monitor;
};

TEST(WindowPlacement, OnScreenWhenAGripLiesOnOneScreenAndMonitorIsTheScreenHoldingMost) {
  const TScreenCase cases[] = {
      {"inside the primary screen", At(100, 80, 900, 540), true, 0},
      {"inside the second screen", At(2000, 100, 900, 540), true, 1},
      {"across both, mostly on the second", At(1800, 100, 900, 540), true, 1},
      {"across both, mostly on the primary", At(1200, 100, 900, 540), true, 0},
      {"off the left edge but for a grip", At(-868, 100, 900, 540), true, 0},
      {"off the left edge but for a sliver", At(-869, 100, 900, 540), false, 0},
      {"above the top edge but for a sliver", At(100, -520, 900, 540), false, 0},
      {"left of every screen", At(-2000, 100, 900, 540), false, 0},
      {"below the shorter second screen", At(2000, 1030, 900, 540), false, 0},
      {"where a removed third screen stood", At(3300, 100, 900, 540), false, 0},
      {"a window smaller than a grip", At(10, 10, 20, 20), true, 0},
      {"at the far end of the number range", At(INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX),
       false, 0},
      {"spanning the negative number range", At(INT_MIN, INT_MIN, INT_MAX, INT_MAX), false, 0},
      {"without width", At(100, 100, 0, 540), false, 0},
      {"with a negative height", At(100, 100, 900, -540), false, 0},
  };
  for (const TScreenCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(IsOnScreen(c.Placement, TwoScreens), c.OnScreen);
    EXPECT_EQ(MonitorOf(c.Placement, TwoScreens), c.Monitor);
  }
}

TEST(WindowPlacement, NothingIsOnScreenWithoutScreens) {
  EXPECT_FALSE(IsOnScreen(At(100, 80, 900, 540), {}));
  EXPECT_EQ(MonitorOf(At(100, 80, 900, 540), {}), 0);
}

} // namespace
