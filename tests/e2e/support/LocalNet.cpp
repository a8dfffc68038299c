// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalNet.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace e2e {
namespace {

class TSocket {
public:
  TSocket() : FFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (FFd < 0) {
      throw std::system_error(errno, std::generic_category(), "socket");
    }
  }
  ~TSocket() { ::close(FFd); }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  int Fd() const { return FFd; }

private:
  int FFd;
};

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

bool Connect(const TSocket& s, std::uint16_t port) {
  const sockaddr_in addr = Loopback(port);
  return ::connect(s.Fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
}

} // namespace

std::uint16_t FreePort() {
  TSocket s;
  sockaddr_in addr = Loopback(0);
  if (::bind(s.Fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw std::system_error(errno, std::generic_category(), "bind 127.0.0.1:0");
  }
  socklen_t len = sizeof addr;
  ::getsockname(s.Fd(), reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

bool PortAcceptsConnections(std::uint16_t port, const std::string& ip) {
  sockaddr_in6 v6{};
  if (::inet_pton(AF_INET6, ip.c_str(), &v6.sin6_addr) != 1) {
    TSocket s;
    return Connect(s, port);
  }
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(port);
  const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool connected =
      fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&v6), sizeof v6) == 0;
  if (fd >= 0) {
    ::close(fd);
  }
  return connected;
}

bool WaitForPort(std::uint16_t port, std::chrono::milliseconds timeout,
                 const std::function<bool()>& stillAlive, const std::string& ip) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (PortAcceptsConnections(port, ip)) {
      return true;
    }
    if ((stillAlive && !stillAlive()) || std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TRawConnection::TRawConnection(std::uint16_t port)
    : FFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  if (FFd < 0) {
    throw std::system_error(errno, std::generic_category(), "socket");
  }
  const sockaddr_in addr = Loopback(port);
  if (::connect(FFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    const int error = errno;
    ::close(FFd);
    throw std::system_error(error, std::generic_category(),
                            "connect 127.0.0.1:" + std::to_string(port));
  }
}

TRawConnection::~TRawConnection() {
  ::close(FFd);
}

void TRawConnection::Send(std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(FFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw std::system_error(errno, std::generic_category(), "send");
    }
    sent += static_cast<std::size_t>(n);
  }
}

TRawConnection::TRead TRawConnection::ReadSome(std::chrono::steady_clock::time_point deadline) {
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return TRead::TimedOut;
    }
    pollfd pfd{FFd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    if (ready == 0) {
      return TRead::TimedOut;
    }
    if (ready < 0) {
      return TRead::Closed;
    }
    const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return TRead::Closed; // orderly close or reset
    }
    FReceived.append(buffer, static_cast<std::size_t>(n));
    return TRead::Data;
  }
}

bool TRawConnection::ReadUntil(std::string_view marker, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (FReceived.find(marker) == std::string::npos) {
    if (ReadSome(deadline) != TRead::Data) {
      return FReceived.find(marker) != std::string::npos;
    }
  }
  return true;
}

bool TRawConnection::ReadUntilClosed(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    switch (ReadSome(deadline)) {
    case TRead::Data:
      continue;
    case TRead::Closed:
      return true;
    case TRead::TimedOut:
      return false;
    }
  }
}

TRawReply RawExchange(std::uint16_t port, std::string_view request,
                      std::chrono::milliseconds timeout) {
  TRawConnection connection(port);
  try {
    connection.Send(request);
  } catch (const std::system_error&) {
    // The peer may answer and close before reading everything; keep its reply.
  }
  TRawReply reply;
  reply.TimedOut = !connection.ReadUntilClosed(timeout);
  reply.Bytes = connection.Received();
  return reply;
}

} // namespace e2e
