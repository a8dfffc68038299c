// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

// The top-level windows of one window class, as handles that stay the same while a
// window lives. The browser monitor polls through this.
class TTopLevelWindows {
public:
  virtual ~TTopLevelWindows() = default;
  virtual std::vector<std::uint64_t> Find(std::string_view windowClass) = 0;
};

// Process mode: a browser's windows stand for the running processes of owner, found
// by their names under /proc (procRoot in tests). The handle is the process id.
class TProcessWindows : public TTopLevelWindows {
public:
  explicit TProcessWindows(std::filesystem::path procRoot = "/proc", uid_t owner = getuid());
  std::vector<std::uint64_t> Find(std::string_view windowClass) override;

  // The process names that stand for a window class.
  static std::vector<std::string_view> ProcessNamesOf(std::string_view windowClass);

private:
  std::filesystem::path FProcRoot;
  uid_t FOwner;
};

// The lookup the program uses. Window mode would read the X11 WM_CLASS of the
// top-level windows; this build has no X11 library, so process mode serves always.
std::unique_ptr<TTopLevelWindows> MakeTopLevelWindows();
