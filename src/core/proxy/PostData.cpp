// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/PostData.h"

#include "net/NetError.h"
#include "net/TCPConnection.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace {

void WriteAll(int file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(file, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw ESocketError("write spool file", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

} // namespace

TPostData::~TPostData() {
  if (FFile >= 0) {
    ::close(FFile);
  }
}

void TPostData::Spool() {
  const char* folder = std::getenv("TMPDIR");
  FFile = ::open(folder && *folder ? folder : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (FFile < 0) {
    throw ESocketError("create spool file", errno);
  }
  WriteAll(FFile, FMemory);
  FMemory.clear();
  FMemory.shrink_to_fit();
}

void TPostData::Append(std::string_view bytes) {
  if (FFile < 0 && FSize + bytes.size() > MaxInMemory) {
    Spool();
  }
  if (FFile >= 0) {
    WriteAll(FFile, bytes);
  } else {
    FMemory.append(bytes);
  }
  FSize += bytes.size();
}

void TPostData::Assign(std::string_view bytes) {
  if (FFile >= 0) {
    ::close(FFile);
    FFile = -1;
  }
  FMemory.clear();
  FSize = 0;
  Append(bytes);
}

std::string TPostData::ReadAll() const {
  if (FFile < 0) {
    return FMemory;
  }
  std::string text(FSize, '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n =
        ::pread(FFile, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (n <= 0) {
      if (n < 0 && errno == EINTR) {
        continue;
      }
      throw ESocketError("read spool file", n < 0 ? errno : EIO);
    }
    done += static_cast<std::size_t>(n);
  }
  return text;
}

void TPostData::WriteTo(TTCPConnection& connection) const {
  if (FFile < 0) {
    connection.Write(FMemory);
    return;
  }
  off_t offset = 0;
  while (static_cast<std::uint64_t>(offset) < FSize) {
    const ssize_t n =
        ::sendfile(connection.Handle(), FFile, &offset, FSize - static_cast<std::uint64_t>(offset));
    if (n > 0) {
      continue;
    }
    if (n < 0 && errno == EAGAIN) {
      connection.WaitWritable();
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    throw ESocketError("sendfile", n < 0 ? errno : EIO);
  }
}
