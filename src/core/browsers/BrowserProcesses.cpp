// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/BrowserProcesses.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

bool ProcessAlive(const std::string& digits) {
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
      digits.size() > 9) {
    return false;
  }
  const pid_t pid = static_cast<pid_t>(std::stol(digits));
  return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// The process id at the end of a lock link's target ("127.0.0.1:+1234",
// "host-1234"), when the link exists and that process runs.
bool LinkNamesLiveProcess(const std::filesystem::path& link, char separator) {
  std::error_code error;
  const auto target = std::filesystem::read_symlink(link, error);
  if (error)
    return false;
  const std::string text = target.string();
  const std::size_t at = text.rfind(separator);
  if (at == std::string::npos)
    return false;
  return ProcessAlive(text.substr(at + 1));
}

bool NameMatches(std::string_view name, TBrowserFamily family) {
  constexpr std::array<std::string_view, 4> Mozilla = {"firefox", "firefox-esr", "firefox-bin",
                                                       "seamonkey"};
  constexpr std::array<std::string_view, 2> Chromium = {"chromium", "chrome"};
  switch (family) {
  case TBrowserFamily::Mozilla:
    for (const auto candidate : Mozilla) {
      if (name == candidate)
        return true;
    }
    return false;
  case TBrowserFamily::Opera:
    return name == "opera";
  case TBrowserFamily::Chromium:
    for (const auto candidate : Chromium) {
      if (name == candidate)
        return true;
    }
    return false;
  }
  return false;
}

} // namespace

bool BrowserProcessRunning(TBrowserFamily family) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos)
      continue;
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    if (std::getline(comm, name) && NameMatches(name, family))
      return true;
  }
  return false;
}

bool MozillaProfileLocked(const std::filesystem::path& profile) {
  if (LinkNamesLiveProcess(profile / "lock", '+'))
    return true;
  const int fd = open((profile / ".parentlock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool locked = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return locked;
}

bool ChromiumProfileLocked(const std::filesystem::path& userDataFolder) {
  return LinkNamesLiveProcess(userDataFolder / "SingletonLock", '-');
}
