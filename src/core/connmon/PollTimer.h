// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>

// The timer a watcher polls with. Its ticks arrive on the thread that created it
// (the main thread) and never overlap. The controller supplies timers whose time a
// worker thread keeps; tests supply timers they fire by hand.
class TPollTimer {
public:
  virtual ~TPollTimer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
  virtual void SetInterval(std::chrono::milliseconds interval) = 0;
  virtual void SetOnTimer(std::function<void()> onTimer) = 0;
};

using TPollTimerFactory = std::function<std::unique_ptr<TPollTimer>()>;
