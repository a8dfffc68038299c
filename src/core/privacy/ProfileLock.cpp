// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/ProfileLock.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// The process number at the end of a lock link's target ("host:+1234", "host-1234").
bool LinkNamesLiveProcess(const std::filesystem::path& link) {
  std::error_code error;
  const std::string target = std::filesystem::read_symlink(link, error).string();
  if (error)
    return false;
  std::size_t start = target.size();
  while (start > 0 && target[start - 1] >= '0' && target[start - 1] <= '9')
    --start;
  pid_t pid = 0;
  const auto [end, failure] =
      std::from_chars(target.data() + start, target.data() + target.size(), pid);
  if (failure != std::errc() || end != target.data() + target.size() || pid <= 0)
    return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

bool RecordLockHeld(const std::filesystem::path& file) {
  const int descriptor = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0)
    return false;
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  const bool held = fcntl(descriptor, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  close(descriptor);
  return held;
}

constexpr std::chrono::milliseconds LockPollInterval{100};

// Polls held until it answers false or timeout has passed.
template <typename THeld> bool WaitUntilReleased(THeld held, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (held()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(LockPollInterval);
  }
  return true;
}

} // namespace

bool IsMozillaProfileLocked(const std::filesystem::path& profile) {
  return RecordLockHeld(profile / ".parentlock") || LinkNamesLiveProcess(profile / "lock");
}

bool IsChromiumProfileLocked(const std::filesystem::path& userData) {
  return LinkNamesLiveProcess(userData / "SingletonLock");
}

bool WaitForMozillaProfilesReleased(const std::vector<std::filesystem::path>& profiles,
                                    std::chrono::milliseconds timeout) {
  return WaitUntilReleased(
      [&] {
        for (const std::filesystem::path& profile : profiles) {
          if (IsMozillaProfileLocked(profile))
            return true;
        }
        return false;
      },
      timeout);
}

bool WaitForChromiumReleased(const std::filesystem::path& userData,
                             std::chrono::milliseconds timeout) {
  return WaitUntilReleased([&] { return IsChromiumProfileLocked(userData); }, timeout);
}
