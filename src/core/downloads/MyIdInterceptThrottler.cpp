// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/MyIdInterceptThrottler.h"

#include <algorithm>

bool TMyIdInterceptThrottler::Delay(std::size_t length) {
  if (BitsPerSec <= 0)
    return true;
  const auto now = FWaiter.Now();
  if (!FStarted || FDeadline < now - MaxBacklog) {
    FDeadline = FStarted ? now - MaxBacklog : now;
    FStarted = true;
  }
  const auto cost =
      std::chrono::microseconds(static_cast<std::int64_t>(length) * 8'000'000 / BitsPerSec);
  FDeadline += cost;
  if (FDeadline <= now)
    return true;
  return FWaiter.WaitUntil(FDeadline);
}

std::int64_t ThrottleBitsPerSec(int percent, int maxKbits) {
  const std::int64_t share = std::clamp(percent, 1, 100);
  const std::int64_t line = std::clamp(maxKbits, 1, 8192);
  if (share == 100)
    return 0;
  return share * line * 1024 / 100;
}
