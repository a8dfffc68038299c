// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MyTimer32.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Nice values for the priorities; raising one needs privileges and is then skipped.
int NiceValue(TThreadPriority priority) {
  switch (priority) {
  case TThreadPriority::Idle:
    return 19;
  case TThreadPriority::Lowest:
    return 10;
  case TThreadPriority::Lower:
    return 5;
  case TThreadPriority::Normal:
    return 0;
  case TThreadPriority::Higher:
    return -5;
  case TThreadPriority::Highest:
    return -10;
  case TThreadPriority::TimeCritical:
    return -20;
  }
  return 0;
}

} // namespace

TMyTimer32::TMyTimer32() : FReceiver(std::make_unique<QObject>()) {}

TMyTimer32::~TMyTimer32() {
  FEnabled = false;
  UpdateTimer();
  {
    std::lock_guard lock(FMutex);
    FStopWorker = true;
  }
  FWake.notify_all();
  if (FThread.joinable())
    FThread.join();
  // Deleting the receiver drops a tick still queued for the main thread.
  FReceiver.reset();
}

void TMyTimer32::SetEnabled(bool enabled) {
  FEnabled = enabled;
  UpdateTimer();
}

void TMyTimer32::SetInterval(std::chrono::milliseconds interval) {
  FInterval = interval;
  if (interval < FSleepStep) {
    FSleepStep = interval;
  } else if (interval % DefaultSleepStep == std::chrono::milliseconds::zero()) {
    FSleepStep = DefaultSleepStep;
  } else {
    // The largest step up to 500 ms of which the interval is a whole multiple
    // in as few steps as possible: 1200 ms sleeps three times 400 ms.
    FSleepStep = interval / (interval / DefaultSleepStep + 1);
  }
  UpdateTimer();
}

void TMyTimer32::SetPriority(TThreadPriority priority) {
  FPriority = priority;
  UpdateTimer();
}

void TMyTimer32::SetOnTimer(TNotifyEvent onTimer) {
  FOnTimer = std::move(onTimer);
  UpdateTimer();
}

void TMyTimer32::UpdateTimer() {
  {
    std::lock_guard lock(FMutex);
    FSuspendedWorker = true;
    if (!FThread.joinable() && FEnabled)
      FThread = std::thread([this] { Execute(); });
    if (!FEnabled || FInterval <= std::chrono::milliseconds::zero() || !FOnTimer)
      return;
    FIntervalWorker = FInterval;
    FSleepStepWorker = FSleepStep;
    FPriorityWorker = FPriority;
    FSuspendedWorker = false;
  }
  FWake.notify_all();
}

void TMyTimer32::Execute() {
  std::chrono::milliseconds accumulated{0};
  int appliedNice = 0;
  std::unique_lock lock(FMutex);
  for (;;) {
    FWake.wait(lock, [this] { return FStopWorker || !FSuspendedWorker; });
    if (FStopWorker)
      return;
    if (const int nice = NiceValue(FPriorityWorker); nice != appliedNice) {
      setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
      appliedNice = nice;
    }
    const std::chrono::milliseconds step = FSleepStepWorker;
    FWake.wait_for(lock, step, [this] { return FStopWorker; });
    if (FStopWorker)
      return;
    if (FSuspendedWorker)
      continue;
    accumulated += step;
    if (accumulated < FIntervalWorker)
      continue;
    FTickPending = true;
    QMetaObject::invokeMethod(
        FReceiver.get(), [this] { Tick(); }, Qt::QueuedConnection);
    FWake.wait(lock, [this] { return FStopWorker || !FTickPending; });
    accumulated = std::chrono::milliseconds::zero();
  }
}

void TMyTimer32::Tick() {
  if (!QCoreApplication::closingDown() && FEnabled && FOnTimer) {
    // A copy, so that the handler may replace or clear OnTimer.
    const TNotifyEvent handler = FOnTimer;
    try {
      handler(*this);
    } catch (...) {
      // A failing handler must not end the timer; the next tick comes as usual.
    }
  }
  {
    std::lock_guard lock(FMutex);
    FTickPending = false;
  }
  FWake.notify_all();
}
