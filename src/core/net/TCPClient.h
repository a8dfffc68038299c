// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/TCPConnection.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

// One address to connect to, IPv4 or IPv6.
struct TSocketAddress {
  sockaddr_storage Address{};
  socklen_t Length = 0;

  int Family() const { return Address.ss_family; }
};

// Outgoing TCP connection. Connect resolves Host and tries every address it gets,
// IPv6 and IPv4, each with a short head start over the next, until one answers.
class TTCPClient : public TTCPConnection {
public:
  // How long connecting may take over all addresses together.
  static constexpr std::chrono::milliseconds ConnectTimeout{30000};
  // How long one attempt has the field to itself before the next address is tried
  // beside it (or at once, when it fails earlier).
  static constexpr std::chrono::milliseconds AttemptHeadStart{250};

  // A name, or an IPv4 or IPv6 address (without brackets).
  std::string Host;
  std::uint16_t Port = 0;
  // ConnectTimeout unless a caller needs another bound.
  std::chrono::milliseconds ConnectTimeLimit = ConnectTimeout;

  // Raises EConnectError with a readable message when no address answers.
  void Connect();
  // Connects to the first of these that answers, trying them in this order.
  void ConnectTo(const std::vector<TSocketAddress>& addresses);
  void Disconnect() { Close(); }

  // The resolver's order with the families taking turns, first family first, so that
  // a family that does not work costs one head start, not one attempt per address.
  static std::vector<TSocketAddress> Interleaved(const std::vector<TSocketAddress>& addresses);
};
