// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A temporary file beside the target that is removed unless it was handed over.
class TTemporaryFile {
public:
  explicit TTemporaryFile(const std::filesystem::path& target)
      : FPath(target.string() + ".XXXXXX") {
    FDescriptor = mkstemp(FPath.data());
  }
  ~TTemporaryFile() {
    if (FDescriptor >= 0)
      close(FDescriptor);
    if (!FHandedOver)
      unlink(FPath.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  int Write(std::string_view content, mode_t mode) {
    if (FDescriptor < 0)
      return errno;
    while (!content.empty()) {
      const ssize_t written = write(FDescriptor, content.data(), content.size());
      if (written < 0) {
        if (errno == EINTR)
          continue;
        return errno;
      }
      content.remove_prefix(static_cast<std::size_t>(written));
    }
    if (fchmod(FDescriptor, mode) != 0 || fsync(FDescriptor) != 0)
      return errno;
    const int closed = close(FDescriptor);
    FDescriptor = -1;
    return closed == 0 ? 0 : errno;
  }
  const std::string& Path() const { return FPath; }
  void HandOver() { FHandedOver = true; }

private:
  std::string FPath;
  int FDescriptor = -1;
  bool FHandedOver = false;
};

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Makes the rename itself durable.
void SyncFolder(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0)
    return;
  fsync(descriptor);
  close(descriptor);
}

} // namespace

int WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  struct stat existing {};
  const mode_t mode =
      stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  TTemporaryFile temporary(path);
  if (const int error = temporary.Write(content, mode); error != 0)
    return error;
  if (rename(temporary.Path().c_str(), path.c_str()) != 0)
    return errno;
  temporary.HandOver();
  SyncFolder(path);
  return 0;
}

int CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target) {
  std::ifstream in(source, std::ios::binary);
  if (!in)
    return ENOENT;
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    return EIO;
  TTemporaryFile temporary(target);
  if (const int error = temporary.Write(content, NewFileMode()); error != 0)
    return error;
  // link() refuses an existing target, so a file that appeared meanwhile is kept.
  if (link(temporary.Path().c_str(), target.c_str()) != 0)
    return errno;
  SyncFolder(target);
  return 0;
}
