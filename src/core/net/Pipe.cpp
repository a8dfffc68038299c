// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Pipe.h"

#include "net/NetError.h"
#include "net/TCPConnection.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Closed with their thread, so an idle thread that ends leaves no pipe behind.
std::vector<std::unique_ptr<TPipe>>& ThreadSpares() {
  thread_local std::vector<std::unique_ptr<TPipe>> spares;
  return spares;
}

} // namespace

TPipe::TPipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw ESocketError("pipe", errno);
  }
  FRead = ends[0];
  FWrite = ends[1];
  // F_SETPIPE_SZ answers with the size granted; only a refusal needs F_GETPIPE_SZ.
  const int granted = ::fcntl(FWrite, F_SETPIPE_SZ, static_cast<int>(RequestedSize));
  FSize = static_cast<std::size_t>(granted > 0 ? granted : ::fcntl(FWrite, F_GETPIPE_SZ));
}

TPipe::~TPipe() {
  ::close(FRead);
  ::close(FWrite);
}

void TPipe::DrainTo(TTCPConnection& target, std::size_t size) {
  while (size > 0) {
    const ssize_t n =
        ::splice(FRead, nullptr, target.Handle(), nullptr, size, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
    if (n > 0) {
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno == EAGAIN) {
      target.WaitWritable();
      continue;
    }
    throw ESocketError("splice", n < 0 ? errno : EPIPE);
  }
}

TPipeLease::TPipeLease() {
  std::vector<std::unique_ptr<TPipe>>& spares = ThreadSpares();
  if (spares.empty()) {
    FPipe = std::make_unique<TPipe>();
  } else {
    FPipe = std::move(spares.back());
    spares.pop_back();
  }
}

TPipeLease::~TPipeLease() = default;

void TPipeLease::GiveBack() {
  std::vector<std::unique_ptr<TPipe>>& spares = ThreadSpares();
  if (FPipe && spares.size() < SparesPerThread) {
    spares.push_back(std::move(FPipe));
  }
}
