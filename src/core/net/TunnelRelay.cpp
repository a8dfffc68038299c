// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TunnelRelay.h"

#include "net/NetError.h"
#include "net/Pipe.h"
#include "net/TCPConnection.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>

namespace {

// One direction of the tunnel: bytes read from Source wait in Pipe until Target takes them.
struct TDirection {
  TTCPConnection& Source;
  TTCPConnection& Target;
  TPipeLease Pipe;
  std::size_t Pending = 0;
};

constexpr short ClosedOrReadable = POLLIN | POLLHUP | POLLERR | POLLRDHUP;

// Returns false when the source has closed or failed.
bool Pull(TDirection& direction, std::uint64_t& total) {
  const ssize_t n =
      ::splice(direction.Source.Handle(), nullptr, direction.Pipe->WriteEnd(), nullptr,
               direction.Pipe->Size() - direction.Pending, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
  if (n > 0) {
    direction.Pending += static_cast<std::size_t>(n);
    total += static_cast<std::uint64_t>(n);
    return true;
  }
  return n < 0 && (errno == EAGAIN || errno == EINTR);
}

void Push(TDirection& direction) {
  const ssize_t n = ::splice(direction.Pipe->ReadEnd(), nullptr, direction.Target.Handle(), nullptr,
                             direction.Pending, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
  if (n > 0) {
    direction.Pending -= static_cast<std::size_t>(n);
  } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
    throw ESocketError("splice", errno);
  }
}

} // namespace

std::uint64_t RelayTunnel(TTCPConnection& first, TTCPConnection& second) {
  std::uint64_t total = 0;
  std::array<TDirection, 2> directions{TDirection{first, second, {}, 0},
                                       TDirection{second, first, {}, 0}};
  for (TDirection& direction : directions) {
    std::string early;
    if (direction.Source.TakeBuffered(early) > 0) {
      direction.Target.Write(early);
      total += early.size();
    }
  }
  bool open = true;
  while (open) {
    std::array<pollfd, 2> fds{pollfd{first.Handle(), 0, 0}, pollfd{second.Handle(), 0, 0}};
    for (std::size_t i = 0; i < 2; ++i) {
      // A direction reads while its pipe has room, so a slow reader holds back its writer
      // only once the pipe is full.
      if (directions[i].Pending < directions[i].Pipe->Size()) {
        fds[i].events |= POLLIN | POLLRDHUP;
      }
      if (directions[i].Pending > 0) {
        fds[1 - i].events |= POLLOUT;
      }
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw ESocketError("poll", errno);
    }
    for (std::size_t i = 0; i < 2; ++i) {
      TDirection& direction = directions[i];
      bool pulled = false;
      if (direction.Pending < direction.Pipe->Size() && (fds[i].revents & ClosedOrReadable) != 0) {
        open = Pull(direction, total) && open;
        pulled = true;
      }
      // Freshly read bytes are offered at once; most of the time the target takes them.
      if (direction.Pending > 0 &&
          (pulled || (fds[1 - i].revents & (POLLOUT | POLLERR | POLLHUP)) != 0)) {
        Push(direction);
      }
    }
  }
  for (TDirection& direction : directions) {
    if (direction.Pending > 0) {
      direction.Pipe->DrainTo(direction.Target, direction.Pending);
    }
    direction.Pipe.GiveBack();
  }
  return total;
}
