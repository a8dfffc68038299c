// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/MyIdInterceptThrottler.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// A clock that only moves when the throttle waits (or the test moves it).
class TFakeWaiter : public TThrottleWaiter {
public:
  TTimePoint Now() const override { return FNow; }
  bool WaitUntil(TTimePoint deadline) override {
    Waits.push_back(duration_cast<microseconds>(deadline - FNow));
    if (StopAfter && Waits.size() >= *StopAfter)
      return false;
    FNow = deadline;
    return true;
  }
  void Advance(microseconds by) { FNow += by; }
  microseconds Elapsed() const { return duration_cast<microseconds>(FNow - TTimePoint{}); }

  std::vector<microseconds> Waits;
  std::optional<std::size_t> StopAfter;

private:
  TTimePoint FNow{};
};

TEST(Throttler, WaitsAsLongAsEachBufferTakesAtTheRate) {
  struct Case {
    const char* Name;
    std::int64_t BitsPerSec;
    std::size_t Buffer;
    microseconds Wait;
  };
  const Case cases[] = {
      {"32768 bytes at 1024 kbit/s x 50 %", 524288, 32768, 500ms},
      {"65536 bytes at 8192 kbit/s x 50 %", 4194304, 65536, 125ms},
      {"one byte at 8 bit/s", 8, 1, 1s},
      {"zero bytes", 524288, 0, 0us},
  };
  for (const Case& c : cases) {
    TFakeWaiter waiter;
    TMyIdInterceptThrottler throttler(waiter);
    throttler.BitsPerSec = c.BitsPerSec;
    EXPECT_TRUE(throttler.Received(c.Buffer));
    const microseconds waited = waiter.Waits.empty() ? 0us : waiter.Waits.front();
    EXPECT_EQ(waited, c.Wait) << c.Name;
  }
}

TEST(Throttler, SmallBuffersAddUpToTheRateInsteadOfRoundingDown) {
  TFakeWaiter waiter;
  TMyIdInterceptThrottler throttler(waiter);
  throttler.BitsPerSec = 393216; // 48 KiB/s
  // 3000 buffers of 100 bytes: each costs 2034.5 us, which whole milliseconds would
  // round to 2 ms and so run 1.7 % fast.
  for (int i = 0; i < 3000; ++i)
    throttler.Received(100);
  const double seconds = duration<double>(waiter.Elapsed()).count();
  EXPECT_NEAR(seconds, 300000.0 * 8 / 393216, 0.01);
}

TEST(Throttler, NoRateOrSwitchedOffMeansNoWait) {
  struct Case {
    const char* Name;
    std::int64_t BitsPerSec;
    bool Recv;
  };
  for (const Case& c : {Case{"rate 0", 0, true}, Case{"negative rate", -5, true},
                        Case{"receive hook off", 8000, false}}) {
    TFakeWaiter waiter;
    TMyIdInterceptThrottler throttler(waiter);
    throttler.BitsPerSec = c.BitsPerSec;
    throttler.ThrottleRecv = c.Recv;
    EXPECT_TRUE(throttler.Received(100000)) << c.Name;
    EXPECT_TRUE(waiter.Waits.empty()) << c.Name;
  }
}

TEST(Throttler, SendHookPacesLikeTheReceiveHook) {
  TFakeWaiter waiter;
  TMyIdInterceptThrottler throttler(waiter);
  throttler.BitsPerSec = 8000;
  throttler.Sent(1000);
  EXPECT_EQ(waiter.Waits, std::vector<microseconds>{1s});
}

TEST(Throttler, AStallBuysOnlyABriefCatchUp) {
  TFakeWaiter waiter;
  TMyIdInterceptThrottler throttler(waiter);
  throttler.BitsPerSec = 8000; // 1000 bytes a second
  throttler.Received(1000);
  waiter.Advance(10s); // the server stalled
  // The backlog of ten seconds is not spent at once: after 50 ms of catch-up the
  // next kilobyte waits again.
  throttler.Received(50);
  EXPECT_EQ(waiter.Waits.size(), 1u);
  throttler.Received(1000);
  ASSERT_EQ(waiter.Waits.size(), 2u);
  EXPECT_EQ(waiter.Waits.back(), 1s);
}

TEST(Throttler, AStopEndsTheWait) {
  TFakeWaiter waiter;
  waiter.StopAfter = 1;
  TMyIdInterceptThrottler throttler(waiter);
  throttler.BitsPerSec = 8;
  EXPECT_FALSE(throttler.Received(1000));
}

TEST(ThrottleRate, IsTheShareOfTheLineInSixtyFourBits) {
  struct Case {
    int Percent;
    int MaxKbits;
    std::int64_t BitsPerSec;
  };
  const Case cases[] = {
      {100, 768, 0},         // the whole line: no limit
      {50, 768, 393216},     // 768 x 1024 x 50 / 100
      {50, 8192, 4194304},   // the largest line
      {1, 1, 10},            // 1024 / 100, rounded down
      {0, 768, 7864},        // clamped to 1 %
      {250, 768, 0},         // clamped to 100 %
      {99, 100000, 8304721}, // line clamped to 8192
      {50, -3, 512},         // line clamped to 1
  };
  for (const Case& c : cases)
    EXPECT_EQ(ThrottleBitsPerSec(c.Percent, c.MaxKbits), c.BitsPerSec)
        << c.Percent << "% of " << c.MaxKbits;
}

} // namespace
