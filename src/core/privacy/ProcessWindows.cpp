// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/ProcessWindows.h"

#include "privacy/DestroyerFileWalk.h"

#include <algorithm>
#include <charconv>

namespace {

struct TClassProcesses {
  std::string_view WindowClass;
  std::vector<std::string_view> Names;
};

// The main process of each browser: its helpers carry other names, and the last
// window closing ends the main process.
const TClassProcesses ClassProcesses[] = {
    {"IEFrame", {}},
    {"MozillaWindowClass", {"firefox-esr", "firefox", "firefox-bin", "seamonkey", "netscape"}},
    {"OpWindow", {"opera"}},
    {"Chromium", {"chromium"}},
};

} // namespace

TProcessWindows::TProcessWindows(std::filesystem::path procRoot, uid_t owner)
    : FProcRoot(std::move(procRoot)), FOwner(owner) {}

std::vector<std::string_view> TProcessWindows::ProcessNamesOf(std::string_view windowClass) {
  for (const TClassProcesses& entry : ClassProcesses) {
    if (entry.WindowClass == windowClass)
      return entry.Names;
  }
  return {};
}

std::vector<std::uint64_t> TProcessWindows::Find(std::string_view windowClass) {
  const std::vector<std::string_view> names = ProcessNamesOf(windowClass);
  std::vector<std::uint64_t> found;
  if (names.empty())
    return found;
  const TFolderHandle proc = OpenFolder(FProcRoot);
  if (!proc.Valid())
    return found;
  ForEachEntry(proc.Get(), [&](const std::string& entry, const struct stat& status) {
    std::uint64_t pid = 0;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
    // Only this user's browsers: another user's profile is not ours to clean.
    if (!S_ISDIR(status.st_mode) || status.st_uid != FOwner || error != std::errc() ||
        end != entry.data() + entry.size()) {
      return;
    }
    const TFolderHandle process = OpenSubFolder(proc.Get(), entry);
    std::string comm;
    if (!process.Valid() || !ReadPlainFileAt(process.Get(), "comm", comm))
      return;
    while (!comm.empty() && comm.back() == '\n')
      comm.pop_back();
    if (std::find(names.begin(), names.end(), comm) != names.end())
      found.push_back(pid);
  });
  std::sort(found.begin(), found.end());
  return found;
}

std::unique_ptr<TTopLevelWindows> MakeTopLevelWindows() {
  return std::make_unique<TProcessWindows>();
}
