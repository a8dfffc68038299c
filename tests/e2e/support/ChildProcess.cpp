// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include "TestFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace e2e {
namespace {

constexpr auto PollInterval = std::chrono::milliseconds(10);

TExitStatus FromWaitStatus(int status) {
  TExitStatus result;
  if (WIFEXITED(status)) {
    result.Exited = true;
    result.Code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.Signal = WTERMSIG(status);
  }
  return result;
}

std::vector<std::string> BuildEnvironment(const TSpawnOptions& options) {
  std::vector<std::string> env;
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  auto dropped = [&](const std::string& name) {
    for (const auto& unset : options.UnsetEnv) {
      if (unset == name) {
        return true;
      }
    }
    for (const auto& set : options.SetEnv) {
      if (nameOf(set) == name) {
        return true;
      }
    }
    return false;
  };
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry(*e);
    if (!dropped(nameOf(entry))) {
      env.push_back(std::move(entry));
    }
  }
  env.insert(env.end(), options.SetEnv.begin(), options.SetEnv.end());
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> result;
  result.reserve(strings.size() + 1);
  for (auto& s : strings) {
    result.push_back(s.data());
  }
  result.push_back(nullptr);
  return result;
}

} // namespace

std::string TExitStatus::Describe() const {
  if (Exited) {
    return "exit code " + std::to_string(Code);
  }
  if (Signal != 0) {
    return std::string("killed by signal ") + std::to_string(Signal) + " (" + strsignal(Signal) +
           ")";
  }
  return "unknown end";
}

std::vector<std::string> ProxyVariables() {
  return {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
          "ALL_PROXY",  "no_proxy",    "NO_PROXY",   "ftp_proxy",   "FTP_PROXY"};
}

TChildProcess::TChildProcess(const TSpawnOptions& options)
    : FName(options.Argv.empty() ? std::string() : options.Argv.front()),
      FOwnGroup(options.OwnProcessGroup), FStdout(options.StdoutPath), FStderr(options.StderrPath) {
  if (options.Argv.empty()) {
    throw std::runtime_error("TChildProcess: no program given");
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);

  const std::string out = options.StdoutPath.empty() ? "/dev/null" : options.StdoutPath.string();
  const std::string err = options.StderrPath.empty() ? "/dev/null" : options.StderrPath.string();
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!options.WorkDir.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.WorkDir.c_str());
  }

  // The child starts with default signal handling and nothing blocked, whatever the
  // test runner set for itself.
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  sigset_t empty;
  sigemptyset(&empty);
  posix_spawnattr_setsigmask(&attr, &empty);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, SIGQUIT}) {
    sigaddset(&defaults, s);
  }
  posix_spawnattr_setsigdefault(&attr, &defaults);
  if (options.OwnProcessGroup) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&attr, 0);
  }
  posix_spawnattr_setflags(&attr, flags);

  std::vector<std::string> argv = options.Argv;
  std::vector<std::string> env = BuildEnvironment(options);
  auto argvC = CStrings(argv);
  auto envC = CStrings(env);
  const int rc =
      posix_spawn(&FPid, argv.front().c_str(), &actions, &attr, argvC.data(), envC.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    FPid = -1;
    throw std::runtime_error("cannot start " + FName + ": " + std::strerror(rc));
  }
}

TChildProcess::~TChildProcess() {
  if (FPid > 0) {
    Stop(SIGTERM, std::chrono::seconds(5));
  }
}

bool TChildProcess::Running() {
  return !WaitExit(std::chrono::milliseconds(0)).has_value();
}

void TChildProcess::Signal(int signal) {
  if (FPid > 0 && !FExit) {
    ::kill(FPid, signal);
  }
}

std::optional<TExitStatus> TChildProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (FExit || FPid <= 0) {
    return FExit;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(FPid, &status, WNOHANG);
    if (r == FPid) {
      FExit = FromWaitStatus(status);
      return FExit;
    }
    if (r < 0 && errno != EINTR) {
      FExit = TExitStatus{}; // not our child any more; nothing left to wait for
      return FExit;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return std::nullopt;
    }
    std::this_thread::sleep_for(PollInterval);
  }
}

TExitStatus TChildProcess::Stop(int signal, std::chrono::milliseconds grace) {
  if (FPid <= 0) {
    return FExit.value_or(TExitStatus{});
  }
  if (!FExit) {
    ::kill(FPid, signal);
    if (!WaitExit(grace)) {
      ::kill(FPid, SIGKILL);
      WaitExit(std::chrono::seconds(10));
    }
  }
  KillLeftoversOfGroup();
  return FExit.value_or(TExitStatus{});
}

void TChildProcess::KillLeftoversOfGroup() {
  // The group id stays reserved while any member lives, so this reaches only what
  // this child started.
  if (FOwnGroup && FPid > 0) {
    ::kill(-FPid, SIGKILL);
  }
}

std::string TChildProcess::ReadStdout() const {
  return FStdout.empty() ? std::string() : ReadFileOrEmpty(FStdout);
}

std::string TChildProcess::ReadStderr() const {
  return FStderr.empty() ? std::string() : ReadFileOrEmpty(FStderr);
}

} // namespace e2e
