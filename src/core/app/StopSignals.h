// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

// SIGINT and SIGTERM end the program through its normal shutdown, as the end of a
// session does: a thread of its own waits for them and hands each to the Qt main
// thread. Create it before any other thread, so that every thread inherits the
// blocked signals and none is interrupted by them.
class TStopSignals {
public:
  TStopSignals();
  // Stops the waiting thread; the signals stay blocked.
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // onStop runs on the thread of the Qt application object once per signal.
  void Watch(std::function<void()> onStop);

private:
  sigset_t FSignals;
  std::atomic<bool> FStopping{false};
  std::thread FThread;
};
