// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

namespace {

// Length of the overlap of [start, start + length) and [otherStart, otherStart + otherLength);
// 64 bits, since stored values may lie anywhere in the int range.
std::int64_t Overlap(std::int64_t start, std::int64_t length, std::int64_t otherStart,
                     std::int64_t otherLength) {
  return std::min(start + length, otherStart + otherLength) - std::max(start, otherStart);
}

std::int64_t SharedArea(const TWindowPlacement& placement, const TScreenArea& screen) {
  const std::int64_t across = Overlap(placement.Left, placement.Width, screen.Left, screen.Width);
  const std::int64_t down = Overlap(placement.Top, placement.Height, screen.Top, screen.Height);
  return across > 0 && down > 0 ? across * down : 0;
}

} // namespace

bool IsOnScreen(const TWindowPlacement& placement, const std::vector<TScreenArea>& screens) {
  if (placement.Width <= 0 || placement.Height <= 0)
    return false;
  const std::int64_t across = std::min(placement.Width, MinVisiblePixels);
  const std::int64_t down = std::min(placement.Height, MinVisiblePixels);
  return std::any_of(screens.begin(), screens.end(), [&](const TScreenArea& screen) {
    return Overlap(placement.Left, placement.Width, screen.Left, screen.Width) >= across &&
           Overlap(placement.Top, placement.Height, screen.Top, screen.Height) >= down;
  });
}

int MonitorOf(const TWindowPlacement& placement, const std::vector<TScreenArea>& screens) {
  const auto most = std::max_element(screens.begin(), screens.end(),
                                     [&](const TScreenArea& a, const TScreenArea& b) {
                                       return SharedArea(placement, a) < SharedArea(placement, b);
                                     });
  return most == screens.end() || most == screens.begin() ? 0 : 1;
}
