// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MyTimer32.h"
#include "connmon/PollTimer.h"

// A watcher's poll timer on a TMyTimer32: its time is kept by a worker thread and
// every tick runs on the main thread.
class TMyTimer32PollTimer final : public TPollTimer {
public:
  bool Enabled() const override { return FTimer.Enabled(); }
  void SetEnabled(bool enabled) override { FTimer.SetEnabled(enabled); }
  std::chrono::milliseconds Interval() const override { return FTimer.Interval(); }
  void SetInterval(std::chrono::milliseconds interval) override { FTimer.SetInterval(interval); }
  void SetOnTimer(std::function<void()> onTimer) override {
    FTimer.SetOnTimer([onTimer = std::move(onTimer)](TMyTimer32&) { onTimer(); });
  }

private:
  TMyTimer32 FTimer;
};
