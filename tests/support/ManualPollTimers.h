// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connmon/PollTimer.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// Poll timers that a test fires by hand instead of waiting for them.
class TManualPollTimers {
public:
  TManualPollTimers() = default;
  TManualPollTimers(const TManualPollTimers&) = delete;
  TManualPollTimers& operator=(const TManualPollTimers&) = delete;

  TPollTimerFactory Factory() {
    return [this] { return std::make_unique<TTimer>(*this); };
  }

  // One interval passes: every timer enabled now ticks once, in creation order.
  void Tick() {
    std::vector<TTimer*> due;
    std::copy_if(FTimers.begin(), FTimers.end(), std::back_inserter(due),
                 [](const TTimer* timer) { return timer->Enabled(); });
    for (TTimer* timer : due) {
      // An earlier tick may have stopped or destroyed it.
      if (std::find(FTimers.begin(), FTimers.end(), timer) != FTimers.end() && timer->Enabled())
        timer->Fire();
    }
  }
  void Tick(int times) {
    for (int i = 0; i < times; ++i)
      Tick();
  }
  std::size_t EnabledCount() const {
    return static_cast<std::size_t>(std::count_if(
        FTimers.begin(), FTimers.end(), [](const TTimer* timer) { return timer->Enabled(); }));
  }

private:
  class TTimer final : public TPollTimer {
  public:
    explicit TTimer(TManualPollTimers& owner) : FOwner(owner) { FOwner.FTimers.push_back(this); }
    ~TTimer() override { std::erase(FOwner.FTimers, this); }
    bool Enabled() const override { return FEnabled; }
    void SetEnabled(bool enabled) override { FEnabled = enabled; }
    std::chrono::milliseconds Interval() const override { return FInterval; }
    void SetInterval(std::chrono::milliseconds interval) override { FInterval = interval; }
    void SetOnTimer(std::function<void()> onTimer) override { FOnTimer = std::move(onTimer); }
    void Fire() {
      if (FOnTimer)
        FOnTimer();
    }

  private:
    TManualPollTimers& FOwner;
    bool FEnabled = false;
    std::chrono::milliseconds FInterval{0};
    std::function<void()> FOnTimer;
  };

  std::vector<TTimer*> FTimers;
};
