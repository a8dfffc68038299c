// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// What the throttle waits with: a clock and a wait that a stop request ends early.
class TThrottleWaiter {
public:
  using TTimePoint = std::chrono::steady_clock::time_point;
  virtual ~TThrottleWaiter() = default;
  virtual TTimePoint Now() const = 0;
  // Waits until deadline; false when the wait ended because the transfer is to stop.
  virtual bool WaitUntil(TTimePoint deadline) = 0;
};

// Slows one transfer to BitsPerSec: after each buffer the transferring thread waits
// until the moment at which the bytes so far would have arrived at that rate. The
// deadline runs on in microseconds, so small buffers add up exactly instead of each
// rounding its own sleep down.
class TMyIdInterceptThrottler {
public:
  // How far the deadline may fall behind the clock: after a stall the transfer may
  // catch up this much at full speed, no more.
  static constexpr std::chrono::milliseconds MaxBacklog{50};

  explicit TMyIdInterceptThrottler(TThrottleWaiter& waiter) : FWaiter(waiter) {}

  bool ThrottleRecv = true;
  bool ThrottleSend = true;
  // 0 or less: no delay.
  std::int64_t BitsPerSec = 0;

  // Called after a buffer was received or sent; false when the wait was cut short
  // by a stop request.
  bool Received(std::size_t length) { return ThrottleRecv ? Delay(length) : true; }
  bool Sent(std::size_t length) { return ThrottleSend ? Delay(length) : true; }

private:
  bool Delay(std::size_t length);

  TThrottleWaiter& FWaiter;
  bool FStarted = false;
  TThrottleWaiter::TTimePoint FDeadline{};
};

// The rate for the download manager's share of the line: percent of maxKbits kbit/s,
// both clamped to the controls' ranges (1..100, 1..8192); 0 at 100 %, which means
// no limit.
std::int64_t ThrottleBitsPerSec(int percent, int maxKbits);
