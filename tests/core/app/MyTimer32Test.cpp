// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MyTimer32.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace {

using std::chrono::milliseconds;

TEST(MyTimer32, SleepStepDividesTheIntervalEvenly) {
  struct StepCase {
    std::vector<int> Intervals; // set one after the other
    int ExpectedStep;
  };
  for (const StepCase& c : std::vector<StepCase>{{{}, 500},
                                                 {{1000}, 500},
                                                 {{1200}, 400},
                                                 {{700}, 350},
                                                 {{1000, 300}, 300},
                                                 {{300, 1000}, 500},
                                                 {{1200, 450}, 450},
                                                 {{30000}, 500}}) {
    TMyTimer32 timer;
    for (const int interval : c.Intervals)
      timer.SetInterval(milliseconds(interval));
    EXPECT_EQ(timer.SleepStep(), milliseconds(c.ExpectedStep))
        << ::testing::PrintToString(c.Intervals);
  }
}

// Runs the main loop until stop() is called or the safety limit passes.
void RunLoop(QEventLoop& loop) {
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
}

class MyTimer32Ticks : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "timer-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
      Application = new QCoreApplication(argc, argv);
  }
  static inline QCoreApplication* Application = nullptr;
};

TEST_F(MyTimer32Ticks, TicksRunOnTheMainThreadOneAtATime) {
  TMyTimer32 timer;
  QEventLoop loop;
  std::vector<std::thread::id> threads;
  int running = 0;
  bool overlapped = false;
  timer.SetInterval(milliseconds(20));
  timer.SetOnTimer([&](TMyTimer32& sender) {
    EXPECT_EQ(&sender, &timer);
    overlapped = overlapped || running > 0;
    ++running;
    threads.push_back(std::this_thread::get_id());
    // Longer than the interval: the next tick must wait for this one.
    std::this_thread::sleep_for(milliseconds(50));
    --running;
    if (threads.size() == 3)
      loop.quit();
  });
  timer.SetEnabled(true);
  RunLoop(loop);
  timer.SetEnabled(false);
  ASSERT_EQ(threads.size(), 3u);
  for (const auto& id : threads)
    EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_FALSE(overlapped);
}

// The worker queues the next tick while the main thread is busy; a pause of this
// many intervals, and never shorter than MinQueuingPause, leaves one queued.
constexpr int QueuingPause = 20;
constexpr milliseconds MinQueuingPause(100);

// Waits, without running the main loop, until the worker has had time to queue a tick.
void PauseWithoutEvents(milliseconds interval) {
  std::this_thread::sleep_for(std::max(interval * QueuingPause, MinQueuingPause));
}

// Starts timer counting its ticks and shows that it ticks at all and that a pause
// without events leaves a tick queued, delivered by the next look at the events.
void StartAndShowThatAPauseQueuesATick(TMyTimer32& timer, int& ticks, milliseconds interval,
                                       QEventLoop& firstTick) {
  timer.SetInterval(interval);
  timer.SetOnTimer([&](TMyTimer32&) {
    ++ticks;
    firstTick.quit();
  });
  timer.SetEnabled(true);
  RunLoop(firstTick);
  ASSERT_EQ(ticks, 1) << "the timer ticks at all";
  PauseWithoutEvents(interval);
  QCoreApplication::processEvents();
  ASSERT_EQ(ticks, 2) << "a pause of this length queues a tick";
}

TEST_F(MyTimer32Ticks, DisabledTimerDeliversNoTicks) {
  int ticks = 0;
  QEventLoop firstTick;
  TMyTimer32 timer;
  const milliseconds interval(10);
  ASSERT_NO_FATAL_FAILURE(StartAndShowThatAPauseQueuesATick(timer, ticks, interval, firstTick));

  // The same pause queues one again; disabled, the timer delivers neither it nor more.
  PauseWithoutEvents(interval);
  timer.SetEnabled(false);
  QEventLoop loop;
  QTimer::singleShot(interval * QueuingPause, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(ticks, 2);
}

TEST_F(MyTimer32Ticks, HandlerThatThrowsDoesNotStopTheTimer) {
  TMyTimer32 timer;
  QEventLoop loop;
  int ticks = 0;
  timer.SetInterval(milliseconds(10));
  timer.SetOnTimer([&](TMyTimer32&) {
    if (++ticks == 2)
      loop.quit();
    throw std::runtime_error("handler failed");
  });
  timer.SetEnabled(true);
  RunLoop(loop);
  EXPECT_EQ(ticks, 2);
}

TEST_F(MyTimer32Ticks, DestroyingARunningTimerDropsItsPendingTick) {
  int ticks = 0;
  QEventLoop firstTick;
  {
    TMyTimer32 timer;
    const milliseconds interval(1);
    ASSERT_NO_FATAL_FAILURE(StartAndShowThatAPauseQueuesATick(timer, ticks, interval, firstTick));
    // The worker queues the next tick that the main loop has not run yet.
    PauseWithoutEvents(interval);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 2);
}

} // namespace
