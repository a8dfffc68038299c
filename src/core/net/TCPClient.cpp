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

// Returns the socket on success, or -1 with the error number in lastError.
int ConnectOne(const addrinfo& address, int& lastError) {
  const int handle = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              address.ai_protocol);
  if (handle < 0) {
    lastError = errno;
    return -1;
  }
  int result = ::connect(handle, address.ai_addr, address.ai_addrlen);
  if (result != 0 && errno == EINPROGRESS) {
    pollfd fd{handle, POLLOUT, 0};
    int ready;
    do {
      ready = ::poll(&fd, 1, static_cast<int>(TTCPClient::ConnectTimeout.count()));
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
  if (result != 0) {
    lastError = errno;
    ::close(handle);
    return -1;
  }
  const int on = 1;
  ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return handle;
}

} // namespace

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
    const int handle = ConnectOne(address, error);
    if (handle < 0) {
      throw EConnectError(SystemErrorText(error));
    }
    Attach(handle);
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
  for (const addrinfo* address = found; address; address = address->ai_next) {
    const int handle = ConnectOne(*address, lastError);
    if (handle >= 0) {
      Attach(handle);
      return;
    }
  }
  throw EConnectError(SystemErrorText(lastError));
}
