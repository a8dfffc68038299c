// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPConnection.h"

#include "net/NetError.h"
#include "net/Pipe.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Holds a typical request or response head with a small body; grows for longer lines.
constexpr std::size_t InitialBufferSize = 2 * 1024;
// Most bytes one discarding read drops while closing.
constexpr std::size_t DiscardSize = 1024 * 1024;

int PollTimeout(std::chrono::milliseconds timeout) {
  return timeout.count() <= 0 ? -1 : static_cast<int>(timeout.count());
}

} // namespace

TTCPConnection::TTCPConnection(int handle, TSocketMode mode) {
  Attach(handle, mode);
}

TTCPConnection::~TTCPConnection() {
  Close();
}

void TTCPConnection::Attach(int handle, TSocketMode mode) {
  Close();
  if (mode != TSocketMode::NonBlocking) {
    const int flags = fcntl(handle, F_GETFL);
    if ((flags & O_NONBLOCK) == 0) {
      fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    }
  }
  FPeerClosed = false;
  FRequestRead = false;
  FBegin = FEnd = FScanned = 0;
  FHandle = handle;
}

bool TTCPConnection::Connected() const {
  return FHandle.load() >= 0 && !FPeerClosed;
}

void TTCPConnection::Close() {
  std::lock_guard lock(FHandleLock);
  const int handle = FHandle.exchange(-1);
  if (handle >= 0) {
    ::close(handle);
  }
}

void TTCPConnection::CloseGracefully() {
  const int handle = FHandle.load();
  if (handle >= 0 && !FPeerClosed && !NothingMoreToCome(handle)) {
    // Input may still be on its way (a request answered before it was read), so the
    // peer is given the chance to finish.
    ::shutdown(handle, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + LingerTimeout;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || WaitFor(POLLIN, left) == TWait::TimedOut) {
        break;
      }
      // MSG_TRUNC drops the bytes in the kernel: nothing is copied and no buffer is needed.
      const ssize_t n = ::recv(handle, nullptr, DiscardSize, MSG_TRUNC);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        break;
      }
    }
  }
  Close();
}

bool TTCPConnection::NothingMoreToCome(int handle) const {
  if (!FRequestRead || BufferedSize() > 0) {
    return false;
  }
  char probe = 0;
  const ssize_t n = ::recv(handle, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  // Closed by the peer, or the request read and nothing behind it: a plain close loses nothing.
  return n == 0 || (n < 0 && errno == EAGAIN);
}

void TTCPConnection::Shutdown() {
  std::lock_guard lock(FHandleLock);
  FShutDown = true;
  const int handle = FHandle.load();
  if (handle >= 0) {
    ::shutdown(handle, SHUT_RDWR);
  }
}

TTCPConnection::TWait TTCPConnection::WaitFor(short events, std::chrono::milliseconds timeout) {
  pollfd fd{FHandle.load(), events, 0};
  for (;;) {
    const int n = ::poll(&fd, 1, PollTimeout(timeout));
    if (n > 0) {
      return TWait::Ready;
    }
    if (n == 0) {
      return TWait::TimedOut;
    }
    if (errno != EINTR) {
      throw ESocketError("poll", errno);
    }
  }
}

void TTCPConnection::Write(std::string_view data) {
  while (!data.empty()) {
    const int handle = FHandle.load();
    if (handle < 0) {
      throw ESocketError("send", EBADF);
    }
    const ssize_t n = ::send(handle, data.data(), data.size(), MSG_NOSIGNAL);
    if (n >= 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
    } else if (errno == EAGAIN) {
      WaitWritable();
    } else if (errno != EINTR) {
      throw ESocketError("send", errno);
    }
  }
}

void TTCPConnection::WaitWritable() {
  if (WaitFor(POLLOUT, WriteTimeout) == TWait::TimedOut) {
    throw ESocketError("send", ETIMEDOUT);
  }
}

void TTCPConnection::WriteLn(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 2);
  text.append(line).append("\r\n");
  Write(text);
}

bool TTCPConnection::Fill() {
  if (FBuffer.empty()) {
    FBuffer.resize(InitialBufferSize);
  }
  if (FBegin == FEnd) {
    FBegin = FEnd = 0;
  } else if (FEnd == FBuffer.size()) {
    if (FBegin > 0) {
      std::memmove(FBuffer.data(), FBuffer.data() + FBegin, FEnd - FBegin);
      FEnd -= FBegin;
      FBegin = 0;
    } else {
      FBuffer.resize(FBuffer.size() * 2);
    }
  }
  for (;;) {
    const int handle = FHandle.load();
    if (handle < 0) {
      throw ESocketError("recv", EBADF);
    }
    const ssize_t n = ::recv(handle, FBuffer.data() + FEnd, FBuffer.size() - FEnd, 0);
    if (n > 0) {
      FEnd += static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) {
      FPeerClosed = true;
      throw EConnClosedGracefully();
    }
    if (errno == EAGAIN) {
      if (WaitFor(POLLIN, FReadTimeout) == TWait::TimedOut) {
        return false;
      }
    } else if (errno != EINTR) {
      FPeerClosed = true;
      throw ESocketError("recv", errno);
    }
  }
}

std::string TTCPConnection::ReadLn() {
  for (;;) {
    const std::size_t available = BufferedSize();
    // Before the first read the buffer has no storage, and string_view must not see a null pointer.
    const TLineRead line =
        available > 0 ? ReadLine(std::string_view(FBuffer.data() + FBegin, available), FScanned)
                      : TLineRead{};
    if (line.Result == TReadResult::Complete) {
      std::string text(line.Text);
      Consume(line.Consumed);
      FScanned = 0;
      return text;
    }
    if (line.Result == TReadResult::TooLong) {
      throw ELimitExceeded("Line too long.");
    }
    FScanned = available;
    if (!Fill()) {
      throw EReadTimeout();
    }
  }
}

std::vector<std::string> TTCPConnection::Capture() {
  THeadReader reader;
  while (reader.AddLine(ReadLn()) == TReadResult::Incomplete) {
  }
  if (reader.Result() == TReadResult::TooLong) {
    throw ELimitExceeded(reader.Reason());
  }
  return std::move(reader.Lines());
}

std::size_t TTCPConnection::TakeBuffered(std::string& out, std::uint64_t maxSize) {
  const std::size_t size =
      static_cast<std::size_t>(std::min<std::uint64_t>(BufferedSize(), maxSize));
  out.append(FBuffer.data() + FBegin, size);
  Consume(size);
  FScanned = 0;
  return size;
}

void TTCPConnection::ReadExact(std::uint64_t count, const TBlockSink& sink) {
  while (count > 0) {
    if (BufferedSize() == 0 && !Fill()) {
      throw EReadTimeout();
    }
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, BufferedSize()));
    sink(FBuffer.data() + FBegin, piece);
    Consume(piece);
    FScanned = 0;
    count -= piece;
  }
}

std::size_t TTCPConnection::ReadAvailable(std::string& out, std::size_t maxSize) {
  if (BufferedSize() == 0 && !Fill()) {
    return 0;
  }
  const std::size_t piece = std::min(maxSize, BufferedSize());
  out.append(FBuffer.data() + FBegin, piece);
  Consume(piece);
  FScanned = 0;
  return piece;
}

bool TTCPConnection::ReadUntilClose(std::string& out, std::size_t maxSize) {
  try {
    while (out.size() < maxSize) {
      if (BufferedSize() == 0 && !Fill()) {
        throw EReadTimeout();
      }
      const std::size_t piece = std::min(maxSize - out.size(), BufferedSize());
      out.append(FBuffer.data() + FBegin, piece);
      Consume(piece);
      FScanned = 0;
    }
    return false;
  } catch (const EConnClosedGracefully&) {
    return true;
  }
}

std::uint64_t TTCPConnection::RelayTo(TTCPConnection& target, std::uint64_t count,
                                      std::size_t maxBlock,
                                      const std::function<void(std::size_t)>& onBlock) {
  maxBlock = std::max<std::size_t>(maxBlock, 1);
  std::uint64_t moved = 0;
  while (BufferedSize() > 0 && moved < count) {
    const std::size_t piece = static_cast<std::size_t>(
        std::min<std::uint64_t>({count - moved, BufferedSize(), maxBlock}));
    target.Write(std::string_view(FBuffer.data() + FBegin, piece));
    Consume(piece);
    FScanned = 0;
    moved += piece;
    onBlock(piece);
  }
  if (moved == count || FPeerClosed) {
    return moved;
  }
  // Reading and writing overlap: the pipe takes what arrives while the target is
  // still busy with what came before.
  TPipeLease pipe;
  std::uint64_t pulled = moved;
  std::size_t inPipe = 0;
  for (;;) {
    const bool wantRead = pulled < count && !FPeerClosed && inPipe < pipe->Size();
    bool progress = false;
    if (wantRead) {
      const std::size_t room = static_cast<std::size_t>(
          std::min<std::uint64_t>({count - pulled, pipe->Size() - inPipe, maxBlock}));
      const ssize_t n = ::splice(FHandle.load(), nullptr, pipe->WriteEnd(), nullptr, room,
                                 SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
      if (n > 0) {
        pulled += static_cast<std::uint64_t>(n);
        inPipe += static_cast<std::size_t>(n);
        progress = true;
      } else if (n == 0) {
        FPeerClosed = true;
        progress = true;
      } else if (errno != EAGAIN && errno != EINTR) {
        FPeerClosed = true;
        throw ESocketError("splice", errno);
      }
    }
    if (inPipe > 0) {
      const ssize_t n = ::splice(pipe->ReadEnd(), nullptr, target.Handle(), nullptr,
                                 std::min(inPipe, maxBlock), SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
      if (n > 0) {
        inPipe -= static_cast<std::size_t>(n);
        moved += static_cast<std::uint64_t>(n);
        onBlock(static_cast<std::size_t>(n));
        progress = true;
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        throw ESocketError("splice", errno);
      }
    }
    if (inPipe == 0 && (pulled == count || FPeerClosed)) {
      pipe.GiveBack(); // emptied: the thread's next body or tunnel uses it
      break;
    }
    if (progress) {
      continue;
    }
    pollfd fds[2] = {{FHandle.load(), static_cast<short>(wantRead ? POLLIN : 0), 0},
                     {target.Handle(), static_cast<short>(inPipe > 0 ? POLLOUT : 0), 0}};
    const std::chrono::milliseconds timeout = wantRead ? FReadTimeout : WriteTimeout;
    const int ready = ::poll(fds, 2, PollTimeout(timeout));
    if (ready == 0) {
      if (wantRead) {
        throw EReadTimeout();
      }
      throw ESocketError("splice", ETIMEDOUT);
    }
    if (ready < 0 && errno != EINTR) {
      throw ESocketError("poll", errno);
    }
  }
  if (pulled < count && count != UntilClose) {
    throw EConnClosedGracefully();
  }
  return moved;
}
