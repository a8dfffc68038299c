// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerTempFiles.h"

#include "privacy/DestroyerFileWalk.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int MaxDepth = 64;

using TFolderId = std::pair<dev_t, ino_t>;

bool LooksLikeLockName(const std::string& name) {
  return name == "lock" || name == "LOCK" || name.ends_with(".lock") || name.ends_with("-lock") ||
         name.ends_with(".pid");
}

// A lock that another process holds: flock or a POSIX record lock on the file.
bool HeldByAnotherProcess(int folder, const std::string& name) {
  const int file = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (file < 0)
    return true; // what cannot be looked at is left alone
  bool held = false;
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    held = errno == EWOULDBLOCK;
  } else {
    flock(file, LOCK_UN);
  }
  if (!held) {
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    held = fcntl(file, F_OFD_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  }
  close(file);
  return held;
}

class TTempCleaner {
public:
  TTempCleaner(uid_t owner, std::set<TFolderId> excluded, dev_t device, bool dryRun)
      : FOwner(owner), FExcluded(std::move(excluded)), FDevice(device), FDryRun(dryRun) {}

  void Clean(int folder, int depth) {
    ForEachEntry(folder, [&](const std::string& name, const struct stat& status) {
      if (status.st_uid != FOwner)
        return;
      if (S_ISDIR(status.st_mode)) {
        CleanFolder(folder, name, status, depth);
      } else if (S_ISREG(status.st_mode)) {
        if (LooksLikeLockName(name) || HeldByAnotherProcess(folder, name))
          return;
        if (FDryRun || unlinkat(folder, name.c_str(), 0) == 0) {
          ++Tally.Items;
          Tally.Bytes += static_cast<std::uint64_t>(status.st_size);
        }
      }
    });
  }

  TCleanTally Tally;

private:
  void CleanFolder(int parent, const std::string& name, const struct stat& status, int depth) {
    if (depth >= MaxDepth || status.st_dev != FDevice ||
        FExcluded.contains({status.st_dev, status.st_ino}) ||
        !FSeen.insert({status.st_dev, status.st_ino}).second) {
      return;
    }
    const TFolderHandle sub = OpenSubFolder(parent, name);
    struct stat opened {};
    // The folder must still be the one looked at: not swapped for a link meanwhile.
    if (!sub.Valid() || fstat(sub.Get(), &opened) != 0 || opened.st_ino != status.st_ino ||
        opened.st_dev != status.st_dev) {
      return;
    }
    Clean(sub.Get(), depth + 1);
    // Fails while something stays inside, which is as it should be.
    if (!FDryRun && unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0)
      ++Tally.Items;
  }

  uid_t FOwner;
  std::set<TFolderId> FExcluded;
  dev_t FDevice;
  bool FDryRun;
  std::set<TFolderId> FSeen;
};

} // namespace

std::filesystem::path GetTempFolder() {
  const char* variable = std::getenv("TMPDIR");
  const std::filesystem::path explicitFolder = variable != nullptr && *variable != '\0'
                                                   ? std::filesystem::path(variable)
                                                   : std::filesystem::path();
  if (geteuid() != 0)
    return explicitFolder.empty() ? std::filesystem::path("/tmp") : explicitFolder;
  std::error_code error;
  if (explicitFolder.empty() ||
      std::filesystem::equivalent(explicitFolder, std::filesystem::path("/tmp"), error)) {
    return {};
  }
  return explicitFolder;
}

TCleanTally ClearTempFolder(const std::filesystem::path& temp, uid_t owner,
                            const std::vector<std::filesystem::path>& excluded, bool dryRun) {
  const TFolderHandle root = OpenFolder(temp);
  struct stat status {};
  if (!root.Valid() || fstat(root.Get(), &status) != 0)
    return {};
  std::set<TFolderId> excludedIds;
  for (const std::filesystem::path& folder : excluded) {
    struct stat excludedStatus {};
    if (!folder.empty() && lstat(folder.c_str(), &excludedStatus) == 0)
      excludedIds.insert({excludedStatus.st_dev, excludedStatus.st_ino});
  }
  TTempCleaner cleaner(owner, std::move(excludedIds), status.st_dev, dryRun);
  cleaner.Clean(root.Get(), 0);
  return cleaner.Tally;
}
