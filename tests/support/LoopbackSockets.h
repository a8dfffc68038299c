// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

// Small blocking socket helpers for tests on 127.0.0.1.
namespace loopback {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    throw std::runtime_error(what);
  }
}

// A listening socket on 127.0.0.1 with a port of the kernel's choice.
inline int Listen(std::uint16_t& port) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Check(::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "bind");
  Check(::listen(handle, 64) == 0, "listen");
  socklen_t length = sizeof address;
  ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return handle;
}

// A listening socket on 127.0.0.1:port, or -1 when that port cannot be had (in use,
// or a privileged port without the right to bind it).
inline int TryListen(std::uint16_t port) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(handle, 64) != 0) {
    ::close(handle);
    return -1;
  }
  return handle;
}

// A port of 127.0.0.1 that nothing listens on at the moment.
inline std::uint16_t FreePort() {
  std::uint16_t port = 0;
  ::close(Listen(port));
  return port;
}

// Connects to 127.0.0.1:port, from sourceIP when given (another loopback address).
inline int Connect(std::uint16_t port, const char* sourceIP = nullptr) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sourceIP) {
    sockaddr_in source{};
    source.sin_family = AF_INET;
    ::inet_pton(AF_INET, sourceIP, &source.sin_addr);
    Check(::bind(handle, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0, "bind source");
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Check(::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "connect");
  return handle;
}

// Socket address of a numeric IPv4 or IPv6 address text and a port.
inline std::pair<sockaddr_storage, socklen_t> AddressOf(const char* ip, std::uint16_t port) {
  sockaddr_storage storage{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  if (::inet_pton(AF_INET, ip, &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    return {storage, sizeof(sockaddr_in)};
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  Check(::inet_pton(AF_INET6, ip, &v6->sin6_addr) == 1, "address text");
  v6->sin6_family = AF_INET6;
  v6->sin6_port = htons(port);
  return {storage, sizeof(sockaddr_in6)};
}

// A listening socket on ip (IPv4 or IPv6, "::1" for instance) with a port of the
// kernel's choice; an IPv6 one takes IPv6 clients only.
inline int ListenOn(const char* ip, std::uint16_t& port, int backlog = 64) {
  auto [address, length] = AddressOf(ip, 0);
  const int handle = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (address.ss_family == AF_INET6) {
    const int on = 1;
    ::setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  }
  Check(::bind(handle, reinterpret_cast<sockaddr*>(&address), length) == 0, "bind");
  Check(::listen(handle, backlog) == 0, "listen");
  length = sizeof address;
  ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
  port = address.ss_family == AF_INET6
             ? ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port)
             : ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
  return handle;
}

// Connects to ip:port (IPv4 or IPv6), from sourceIP when given.
inline int ConnectTo(const char* ip, std::uint16_t port, const char* sourceIP = nullptr) {
  auto [address, length] = AddressOf(ip, port);
  const int handle = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sourceIP) {
    auto [source, sourceLength] = AddressOf(sourceIP, 0);
    Check(::bind(handle, reinterpret_cast<sockaddr*>(&source), sourceLength) == 0, "bind source");
  }
  Check(::connect(handle, reinterpret_cast<sockaddr*>(&address), length) == 0, "connect");
  return handle;
}

// Both ends of one TCP connection over loopback.
inline std::pair<int, int> Pair() {
  std::uint16_t port = 0;
  const int listener = Listen(port);
  const int client = Connect(port);
  const int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  ::close(listener);
  return {client, server};
}

inline void SendAll(int handle, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(handle, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    Check(n > 0, "send");
    done += static_cast<std::size_t>(n);
  }
}

// Reads until the peer closes, or until nothing arrives for `quiet`; bounded either way.
inline std::string ReceiveAll(int handle,
                              std::chrono::milliseconds quiet = std::chrono::milliseconds(10000)) {
  std::string data;
  char buffer[65536];
  for (;;) {
    pollfd fd{handle, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0) {
      return data;
    }
    const ssize_t n = ::recv(handle, buffer, sizeof buffer, 0);
    if (n <= 0) {
      return data;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
}

// Reads until size bytes have arrived, the peer closes, or nothing comes for `quiet`.
inline std::string
ReceiveExactly(int handle, std::size_t size,
               std::chrono::milliseconds quiet = std::chrono::milliseconds(5000)) {
  std::string data;
  char buffer[65536];
  while (data.size() < size) {
    pollfd fd{handle, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0) {
      break;
    }
    const ssize_t n = ::recv(handle, buffer, std::min(sizeof buffer, size - data.size()), 0);
    if (n <= 0) {
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

// Sends request to 127.0.0.1:port and returns everything received until the close.
inline std::string Exchange(std::uint16_t port, const std::string& request,
                            const char* sourceIP = nullptr) {
  const int handle = Connect(port, sourceIP);
  SendAll(handle, request);
  std::string reply = ReceiveAll(handle);
  ::close(handle);
  return reply;
}

// One request as an origin receives it: the head and as many body bytes as its
// "Content-Length" says; less when the peer closes or is silent for five seconds.
inline std::string ReceiveRequest(int handle) {
  std::string request;
  char buffer[65536];
  std::size_t headEnd = std::string::npos;
  std::size_t wanted = std::string::npos;
  while (wanted == std::string::npos || request.size() < wanted) {
    pollfd fd{handle, POLLIN, 0};
    if (::poll(&fd, 1, 5000) <= 0) {
      break;
    }
    const ssize_t n = ::recv(handle, buffer, sizeof buffer, 0);
    if (n <= 0) {
      break;
    }
    request.append(buffer, static_cast<std::size_t>(n));
    if (headEnd == std::string::npos && (headEnd = request.find("\r\n\r\n")) != std::string::npos) {
      std::size_t length = 0;
      for (std::size_t at = 0; (at = request.find("\r\n", at)) < headEnd; at += 2) {
        if (::strncasecmp(request.c_str() + at + 2, "Content-Length:", 15) == 0) {
          length = std::strtoull(request.c_str() + at + 17, nullptr, 10);
        }
      }
      wanted = headEnd + 4 + length;
    }
  }
  return request;
}

} // namespace loopback
