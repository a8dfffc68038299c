// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerFileWalk.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <unistd.h>
#include <utility>

namespace {

// Deeper trees are left as they are: each level holds a folder handle open.
constexpr int MaxDepth = 128;

using TFolderId = std::pair<dev_t, ino_t>;

// Guards a walk: one file system, each folder once.
class TWalkGuard {
public:
  explicit TWalkGuard(dev_t device) : FDevice(device) {}
  bool Enter(const struct stat& status) {
    if (status.st_dev != FDevice)
      return false;
    return FSeen.insert({status.st_dev, status.st_ino}).second;
  }

private:
  dev_t FDevice;
  std::set<TFolderId> FSeen;
};

bool StatusOf(int folder, struct stat& status) {
  return fstat(folder, &status) == 0;
}

void RemoveContentsAt(int folder, TWalkGuard& guard, int depth, bool dryRun, TCleanTally& tally) {
  if (depth > MaxDepth)
    return;
  ForEachEntry(folder, [&](const std::string& name, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
      TFolderHandle sub = OpenSubFolder(folder, name);
      struct stat opened {};
      if (!sub.Valid() || !StatusOf(sub.Get(), opened) || !guard.Enter(opened))
        return;
      RemoveContentsAt(sub.Get(), guard, depth + 1, dryRun, tally);
      if (dryRun || unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0)
        ++tally.Items;
      return;
    }
    if (dryRun || unlinkat(folder, name.c_str(), 0) == 0) {
      ++tally.Items;
      if (S_ISREG(status.st_mode))
        tally.Bytes += static_cast<std::uint64_t>(status.st_size);
    }
  });
}

} // namespace

TFolderHandle::~TFolderHandle() {
  if (FDescriptor >= 0)
    close(FDescriptor);
}

TFolderHandle::TFolderHandle(TFolderHandle&& other) noexcept
    : FDescriptor(std::exchange(other.FDescriptor, -1)) {}

TFolderHandle& TFolderHandle::operator=(TFolderHandle&& other) noexcept {
  if (this != &other) {
    if (FDescriptor >= 0)
      close(FDescriptor);
    FDescriptor = std::exchange(other.FDescriptor, -1);
  }
  return *this;
}

TFolderHandle OpenFolder(const std::filesystem::path& path) {
  return TFolderHandle(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

TFolderHandle OpenSubFolder(int parent, const std::string& name) {
  return TFolderHandle(
      openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

void ForEachEntry(
    int folder,
    const std::function<void(const std::string& name, const struct stat& status)>& visit) {
  // The listing gets a handle of its own; closedir closes it.
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0)
    return;
  DIR* stream = fdopendir(listing);
  if (stream == nullptr) {
    close(listing);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(stream)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(stream);
  // Read first, then acted on: removing entries while reading may skip others.
  for (const std::string& name : names) {
    struct stat status {};
    if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
      visit(name, status);
  }
}

void WalkFolders(const std::filesystem::path& root, bool skipHidden,
                 const std::function<void(int folder, const std::filesystem::path& path)>& visit) {
  TFolderHandle rootHandle = OpenFolder(root);
  struct stat rootStatus {};
  if (!rootHandle.Valid() || !StatusOf(rootHandle.Get(), rootStatus))
    return;
  TWalkGuard guard(rootStatus.st_dev);
  guard.Enter(rootStatus);
  struct TPending {
    TFolderHandle Handle;
    std::filesystem::path Path;
    int Depth;
  };
  std::deque<TPending> pending;
  pending.push_back({std::move(rootHandle), root, 0});
  while (!pending.empty()) {
    TPending current = std::move(pending.front());
    pending.pop_front();
    visit(current.Handle.Get(), current.Path);
    if (current.Depth >= MaxDepth)
      continue;
    ForEachEntry(current.Handle.Get(), [&](const std::string& name, const struct stat& status) {
      if (!S_ISDIR(status.st_mode) || (skipHidden && name.starts_with('.')))
        return;
      TFolderHandle sub = OpenSubFolder(current.Handle.Get(), name);
      struct stat opened {};
      if (sub.Valid() && StatusOf(sub.Get(), opened) && guard.Enter(opened))
        pending.push_back({std::move(sub), current.Path / name, current.Depth + 1});
    });
  }
}

std::vector<std::filesystem::path> ListFolderTree(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> folders;
  WalkFolders(root, true, [&](int, const std::filesystem::path& path) { folders.push_back(path); });
  std::sort(folders.begin(), folders.end());
  return folders;
}

TCleanTally DeleteFilesInFolder(int folder, bool dryRun) {
  TCleanTally tally;
  ForEachEntry(folder, [&](const std::string& name, const struct stat& status) {
    if (!S_ISREG(status.st_mode))
      return;
    if (dryRun || unlinkat(folder, name.c_str(), 0) == 0) {
      ++tally.Items;
      tally.Bytes += static_cast<std::uint64_t>(status.st_size);
    }
  });
  return tally;
}

TCleanTally DeleteFilesInFolder(const std::filesystem::path& folder, bool dryRun) {
  const TFolderHandle handle = OpenFolder(folder);
  return handle.Valid() ? DeleteFilesInFolder(handle.Get(), dryRun) : TCleanTally{};
}

TCleanTally DeleteFilesInTree(const std::filesystem::path& folder, bool dryRun) {
  TCleanTally total;
  WalkFolders(folder, false, [&](int handle, const std::filesystem::path&) {
    const TCleanTally tally = DeleteFilesInFolder(handle, dryRun);
    total.Items += tally.Items;
    total.Bytes += tally.Bytes;
  });
  return total;
}

TCleanTally RemoveTreeContents(const std::filesystem::path& folder, bool dryRun) {
  TCleanTally tally;
  const TFolderHandle handle = OpenFolder(folder);
  struct stat status {};
  if (!handle.Valid() || !StatusOf(handle.Get(), status))
    return tally;
  TWalkGuard guard(status.st_dev);
  guard.Enter(status);
  RemoveContentsAt(handle.Get(), guard, 0, dryRun, tally);
  return tally;
}

bool ReadPlainFileAt(int folder, const std::string& name, std::string& content) {
  const int file = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (file < 0)
    return false;
  struct stat status {};
  bool ok = fstat(file, &status) == 0 && S_ISREG(status.st_mode);
  content.clear();
  char buffer[65536];
  while (ok) {
    const ssize_t got = read(file, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
  close(file);
  return ok;
}

bool ReadPlainFile(const std::filesystem::path& path, std::string& content) {
  const TFolderHandle folder = OpenFolder(path.parent_path());
  return folder.Valid() && ReadPlainFileAt(folder.Get(), path.filename().string(), content);
}

TDeleteResult DeletePlainFile(const std::filesystem::path& path, bool dryRun, TCleanTally& tally) {
  const TFolderHandle folder = OpenFolder(path.parent_path());
  if (!folder.Valid())
    return TDeleteResult::Missing;
  const std::string name = path.filename().string();
  struct stat status {};
  if (fstatat(folder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? TDeleteResult::Missing : TDeleteResult::Failed;
  if (!S_ISREG(status.st_mode))
    return TDeleteResult::Failed;
  if (!dryRun && unlinkat(folder.Get(), name.c_str(), 0) != 0)
    return TDeleteResult::Failed;
  ++tally.Items;
  tally.Bytes += static_cast<std::uint64_t>(status.st_size);
  return TDeleteResult::Deleted;
}
