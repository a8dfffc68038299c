// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPClient.h"

#include "net/NetError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct TAddrInfoFree {
  void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

} // namespace

bool TTCPClient::ConnectOne(const addrinfo& address, int& lastError) {
  const int handle = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              address.ai_protocol);
  if (handle < 0) {
    lastError = errno;
    return false;
  }
  // Attached at once, so that Shutdown from another thread can break off the attempt.
  Attach(handle, TSocketMode::NonBlocking);
  if (ShutDown()) {
    lastError = ECONNABORTED;
    Close();
    return false;
  }
  int result = ::connect(handle, address.ai_addr, address.ai_addrlen);
  if (result != 0 && errno == EINPROGRESS) {
    pollfd fd{handle, POLLOUT, 0};
    int ready;
    do {
      ready = ::poll(&fd, 1, static_cast<int>(ConnectTimeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
      errno = ETIMEDOUT;
    } else if (ready > 0) {
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &length);
      errno = error;
      result = error == 0 ? 0 : -1;
    }
  }
  if (result == 0 && ShutDown()) {
    errno = ECONNABORTED;
    result = -1;
  }
  if (result != 0) {
    lastError = errno;
    Close();
    return false;
  }
  const int on = 1;
  ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return true;
}

void TTCPClient::Connect() {
  // A numeric IPv4 address needs no resolver, which is both slower and heavier on the stack.
  sockaddr_in numeric{};
  if (::inet_pton(AF_INET, Host.c_str(), &numeric.sin_addr) == 1) {
    numeric.sin_family = AF_INET;
    numeric.sin_port = htons(Port);
    addrinfo address{};
    address.ai_family = AF_INET;
    address.ai_socktype = SOCK_STREAM;
    address.ai_addr = reinterpret_cast<sockaddr*>(&numeric);
    address.ai_addrlen = sizeof numeric;
    int error = 0;
    if (!ConnectOne(address, error)) {
      throw EConnectError(SystemErrorText(error));
    }
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
  std::unique_ptr<addrinfo, TAddrInfoFree> addresses(found);
  int lastError = EHOSTUNREACH;
  for (const addrinfo* address = found; address && !ShutDown(); address = address->ai_next) {
    if (ConnectOne(*address, lastError)) {
      return;
    }
  }
  throw EConnectError(SystemErrorText(ShutDown() ? ECONNABORTED : lastError));
}
