// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace e2e {

// A port on 127.0.0.1 that nobody listens on right now (the kernel's choice for
// port 0). Tests run side by side, so no port is ever fixed.
std::uint16_t FreePort();

// Whether ip:port (127.0.0.1, or "::1" for a server on IPv6) accepts a connection.
bool PortAcceptsConnections(std::uint16_t port, const std::string& ip = "127.0.0.1");

// Polls until ip:port accepts a connection, `stillAlive` turns false (the server
// died) or `timeout` passes.
bool WaitForPort(std::uint16_t port, std::chrono::milliseconds timeout,
                 const std::function<bool()>& stillAlive = {}, const std::string& ip = "127.0.0.1");

// One client connection to 127.0.0.1:port for exchanges that need the socket kept
// open (a tunnel held while the proxy stops). Every wait is bounded by its timeout.
class TRawConnection {
public:
  explicit TRawConnection(std::uint16_t port); // throws when nobody accepts
  ~TRawConnection();
  TRawConnection(const TRawConnection&) = delete;
  TRawConnection& operator=(const TRawConnection&) = delete;

  void Send(std::string_view bytes); // throws on a write error
  // Reads until `marker` has arrived (true), the peer closes or `timeout` passes.
  bool ReadUntil(std::string_view marker, std::chrono::milliseconds timeout);
  // Reads until the peer closes (true) or `timeout` passes (false).
  bool ReadUntilClosed(std::chrono::milliseconds timeout);
  const std::string& Received() const { return FReceived; }

private:
  enum class TRead { Data, Closed, TimedOut };
  TRead ReadSome(std::chrono::steady_clock::time_point deadline);

  int FFd = -1;
  std::string FReceived;
};

// Sends exactly `request` to 127.0.0.1:port and returns every byte received until the
// peer closes or `timeout` passes (then `TimedOut` is set). For requests curl will
// not write as they are (a raw "<" in the target, an exact request line).
struct TRawReply {
  std::string Bytes;
  bool TimedOut = false;
};
TRawReply RawExchange(std::uint16_t port, std::string_view request,
                      std::chrono::milliseconds timeout);

} // namespace e2e
