// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// A timer whose time is kept by a worker thread of its own while every tick runs
// on the thread that created the timer (the Qt main thread), so handlers need no
// locking. Ticks may be late but never overlap; a long tick delays the next one.
class TMyTimer32 {
public:
  using TNotifyEvent = std::function<void(TMyTimer32& sender)>;

  static constexpr std::chrono::milliseconds DefaultInterval{1000};
  static constexpr std::chrono::milliseconds DefaultSleepStep{500};

  // Create and use it on the thread that runs the Qt event loop.
  TMyTimer32();
  ~TMyTimer32();
  TMyTimer32(const TMyTimer32&) = delete;
  TMyTimer32& operator=(const TMyTimer32&) = delete;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  std::chrono::milliseconds Interval() const { return FInterval; }
  void SetInterval(std::chrono::milliseconds interval);
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority priority);
  void SetOnTimer(TNotifyEvent onTimer);
  // How long the worker sleeps between looks at the clock.
  std::chrono::milliseconds SleepStep() const { return FSleepStep; }

private:
  void UpdateTimer();
  void Execute();
  void Tick();

  bool FEnabled = false;
  std::chrono::milliseconds FInterval = DefaultInterval;
  std::chrono::milliseconds FSleepStep = DefaultSleepStep;
  TThreadPriority FPriority = TThreadPriority::TimeCritical;
  TNotifyEvent FOnTimer;
  // Lives on the creating thread; ticks are queued to it and dropped with it.
  std::unique_ptr<QObject> FReceiver;

  // Guards every F*Worker field and FTickPending, shared with the worker thread.
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FSuspendedWorker = true;
  bool FStopWorker = false;
  bool FTickPending = false;
  std::chrono::milliseconds FIntervalWorker{0};
  std::chrono::milliseconds FSleepStepWorker{0};
  TThreadPriority FPriorityWorker = TThreadPriority::TimeCritical;
  std::thread FThread;
};
