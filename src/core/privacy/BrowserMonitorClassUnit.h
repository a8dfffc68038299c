// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privacy/ProcessWindows.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

class QTimer;

// The browser-close watcher: while active it polls the top-level windows every
// 1000 ms and reports when the last window of a browser that it has seen while
// polling has gone. Create and use it on the thread that runs the Qt event loop.
class TBrowserMonitorClass {
public:
  static constexpr std::chrono::milliseconds Interval{1000};

  explicit TBrowserMonitorClass(std::unique_ptr<TTopLevelWindows> windows);
  ~TBrowserMonitorClass();
  TBrowserMonitorClass(const TBrowserMonitorClass&) = delete;
  TBrowserMonitorClass& operator=(const TBrowserMonitorClass&) = delete;

  bool Active() const { return FActive; }
  // Starting forgets the windows seen before.
  void SetActive(bool active);

  // One poll: for each browser in the order IE, Mozilla family, Opera, Chromium,
  // new windows are listed, gone ones dropped, and the closed event fires when the
  // list was not empty before and is now. The timer rests while the tick runs.
  void Tick();

  std::function<void()> OnIEClosed;
  std::function<void()> OnMozillaClosed;
  std::function<void()> OnOperaClosed;
  // Beyond the three of old: Chromium's main process.
  std::function<void()> OnChromiumClosed;

private:
  struct TWatched {
    const char* WindowClass;
    std::function<void()> TBrowserMonitorClass::*Event;
    std::set<std::uint64_t> Seen;
  };

  std::unique_ptr<TTopLevelWindows> FWindows;
  std::unique_ptr<QTimer> FTimer;
  TWatched FWatched[4];
  bool FActive = false;
};
