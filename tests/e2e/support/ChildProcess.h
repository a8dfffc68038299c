// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

struct TSpawnOptions {
  std::vector<std::string> Argv{};     // Argv[0] is the program path
  std::vector<std::string> SetEnv{};   // "NAME=value", added to or replacing the inherited ones
  std::vector<std::string> UnsetEnv{}; // names removed from the inherited environment
  std::filesystem::path StdoutPath{};  // empty: /dev/null
  std::filesystem::path StderrPath{};  // empty: /dev/null
  std::filesystem::path WorkDir{};     // empty: inherited
  // A group of its own lets Stop() also end what the child forked (a browser's helpers).
  bool OwnProcessGroup = true;
};

struct TExitStatus {
  bool Exited = false; // ended by exit(), Code holds its value
  int Code = -1;
  int Signal = 0; // ended by this signal
  std::string Describe() const;
};

// A child started with posix_spawn and always stopped by its PID: the destructor
// ends a child that is still running, so a failed test leaves nothing behind.
class TChildProcess {
public:
  explicit TChildProcess(const TSpawnOptions& options); // throws std::runtime_error
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  pid_t Pid() const { return FPid; }
  const std::string& Name() const { return FName; }
  bool Running();
  void Signal(int signal);
  // Waits at most `timeout` for the child to end by itself.
  std::optional<TExitStatus> WaitExit(std::chrono::milliseconds timeout);
  // Sends `signal`, waits up to `grace`, then SIGKILL. Returns how the child ended.
  TExitStatus Stop(int signal = 15 /*SIGTERM*/,
                   std::chrono::milliseconds grace = std::chrono::seconds(5));
  std::string ReadStdout() const;
  std::string ReadStderr() const;

private:
  void KillLeftoversOfGroup();

  pid_t FPid = -1;
  std::string FName;
  bool FOwnGroup = true;
  std::optional<TExitStatus> FExit;
  std::filesystem::path FStdout;
  std::filesystem::path FStderr;
};

// The programs' environment without any proxy variable, so a peer never goes
// through a proxy the developer's shell happens to name.
std::vector<std::string> ProxyVariables();

} // namespace e2e
