// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

// The single-instance guard: a lock file held for the life of the process (the
// named mutex) and a local socket through which a later instance asks this one to
// restore its window. Both live in $XDG_RUNTIME_DIR/quorvane/ (mode 0700).
class TOnlyOne {
public:
  static constexpr const char* DefaultName = "Quorvane-Server32";

  // folder empty: the runtime folder above (falls back to /tmp/quorvane-UID).
  explicit TOnlyOne(std::filesystem::path folder = {}, std::string name = DefaultName);
  ~TOnlyOne();
  TOnlyOne(const TOnlyOne&) = delete;
  TOnlyOne& operator=(const TOnlyOne&) = delete;

  // Takes the lock; false when another instance holds it. The lock stays taken
  // until this object is destroyed or the process ends.
  bool Acquire();
  // A later instance: asks the holder to restore its window; false when nobody answers.
  bool AskFirstToRestore();
  // The holder: accepts restore requests; onRestore runs on the Qt main thread.
  bool Listen(std::function<void()> onRestore);

  std::filesystem::path LockPath() const;
  std::filesystem::path ServerPath() const;

private:
  std::filesystem::path FFolder;
  std::string FName;
  int FLockHandle = -1;
  std::unique_ptr<QLocalServer> FServer;
  std::function<void()> FOnRestore;
};
