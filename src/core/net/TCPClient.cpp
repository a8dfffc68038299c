// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPClient.h"

#include "net/NetError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Longest single wait while connecting: the attempts' sockets are not the connection's
// own yet, so Shutdown from another thread is noticed between waits.
constexpr std::chrono::milliseconds ShutdownCheckInterval{50};

struct TAddrInfoFree {
  void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

// A numeric IPv4 or IPv6 address needs no resolver, which is both slower and heavier
// on the stack.
bool NumericAddress(const std::string& host, std::uint16_t port, TSocketAddress& address) {
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address.Address);
  if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    address.Length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.Address);
  if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    address.Length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

// A non-blocking socket whose connect is under way (or done), or -1 with the error.
int StartAttempt(const TSocketAddress& address, int& lastError) {
  const int handle = ::socket(address.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (handle < 0) {
    lastError = errno;
    return -1;
  }
  if (::connect(handle, reinterpret_cast<const sockaddr*>(&address.Address), address.Length) != 0 &&
      errno != EINPROGRESS) {
    lastError = errno;
    ::close(handle);
    return -1;
  }
  return handle;
}

int PollTimeout(std::chrono::steady_clock::duration left) {
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(left);
  return static_cast<int>(
      std::clamp(wait, std::chrono::milliseconds(0), ShutdownCheckInterval).count());
}

} // namespace

std::vector<TSocketAddress> TTCPClient::Interleaved(const std::vector<TSocketAddress>& addresses) {
  if (addresses.empty()) {
    return {};
  }
  std::vector<TSocketAddress> first;
  std::vector<TSocketAddress> other;
  for (const TSocketAddress& address : addresses) {
    (address.Family() == addresses.front().Family() ? first : other).push_back(address);
  }
  std::vector<TSocketAddress> order;
  order.reserve(addresses.size());
  for (std::size_t i = 0; i < std::max(first.size(), other.size()); ++i) {
    if (i < first.size()) {
      order.push_back(first[i]);
    }
    if (i < other.size()) {
      order.push_back(other[i]);
    }
  }
  return order;
}

void TTCPClient::Connect() {
  TSocketAddress numeric;
  if (NumericAddress(Host, Port, numeric)) {
    ConnectTo({numeric});
    return;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(Port);
  const int status = ::getaddrinfo(Host.c_str(), service.c_str(), &hints, &found);
  if (status != 0) {
    const std::string reason = status == EAI_SYSTEM ? SystemErrorText(errno) : gai_strerror(status);
    throw EConnectError("Host not found: " + reason);
  }
  std::unique_ptr<addrinfo, TAddrInfoFree> owner(found);
  std::vector<TSocketAddress> addresses;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) {
      continue;
    }
    TSocketAddress address;
    std::memcpy(&address.Address, entry->ai_addr, entry->ai_addrlen);
    address.Length = entry->ai_addrlen;
    addresses.push_back(address);
  }
  ConnectTo(Interleaved(addresses));
}

void TTCPClient::ConnectTo(const std::vector<TSocketAddress>& addresses) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + ConnectTimeLimit;
  std::vector<pollfd> racing; // attempts under way, oldest first
  std::size_t next = 0;
  auto nextStart = Clock::now();
  int lastError = EHOSTUNREACH;
  int winner = -1;
  while (winner < 0 && !ShutDown()) {
    const auto now = Clock::now();
    if (now >= deadline) {
      lastError = ETIMEDOUT;
      break;
    }
    if (next < addresses.size() && (racing.empty() || now >= nextStart)) {
      const int handle = StartAttempt(addresses[next++], lastError);
      if (handle >= 0) {
        racing.push_back({handle, POLLOUT, 0});
        nextStart = now + AttemptHeadStart;
      }
      continue;
    }
    if (racing.empty()) {
      break; // every address has failed
    }
    const auto until = next < addresses.size() ? std::min(deadline, nextStart) : deadline;
    if (::poll(racing.data(), racing.size(), PollTimeout(until - now)) < 0 && errno != EINTR) {
      lastError = errno;
      break;
    }
    for (auto attempt = racing.begin(); attempt != racing.end();) {
      if (attempt->revents == 0) {
        ++attempt;
        continue;
      }
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(attempt->fd, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error == 0 && winner < 0) {
        winner = attempt->fd;
        attempt = racing.erase(attempt);
      } else if (error == 0) {
        ++attempt; // a second one in the same turn is closed with the rest
      } else {
        lastError = error;
        ::close(attempt->fd);
        attempt = racing.erase(attempt);
        // A failed attempt hands its turn on at once.
        nextStart = Clock::now();
      }
    }
  }
  for (const pollfd& attempt : racing) {
    ::close(attempt.fd);
  }
  if (winner >= 0) {
    Attach(winner, TSocketMode::NonBlocking);
    // Checked after attaching, so that a Shutdown before it is not lost.
    if (!ShutDown()) {
      const int on = 1;
      ::setsockopt(winner, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return;
    }
    Close();
  }
  throw EConnectError(SystemErrorText(ShutDown() ? ECONNABORTED : lastError));
}
