// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

// Whether a thread of this process sleeps in a poll: proof that a reader is blocked
// waiting, not merely slow to get there.
namespace blockedthread {

inline pid_t CurrentThreadId() {
  return static_cast<pid_t>(::syscall(SYS_gettid));
}

inline bool SleepsInPoll(pid_t thread) {
  const std::string task = "/proc/self/task/" + std::to_string(thread);
  std::ifstream stat(task + "/stat");
  std::string text;
  std::getline(stat, text);
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos || text.compare(close, 3, ") S") != 0) {
    return false;
  }
  std::ifstream syscallFile(task + "/syscall");
  long number = -1;
  syscallFile >> number;
#ifdef SYS_poll
  if (number == SYS_poll) {
    return true;
  }
#endif
  return number == SYS_ppoll;
}

// Waits, at most `limit`, for the thread to sleep in a poll.
inline bool AwaitSleepInPoll(pid_t thread, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (SleepsInPoll(thread)) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

} // namespace blockedthread
