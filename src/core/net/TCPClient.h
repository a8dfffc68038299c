// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/TCPConnection.h"

#include <chrono>
#include <cstdint>
#include <string>

struct addrinfo;

// Outgoing TCP connection. Connect resolves Host and tries each address in turn.
class TTCPClient : public TTCPConnection {
public:
  // How long one connection attempt may take before it counts as failed.
  static constexpr std::chrono::milliseconds ConnectTimeout{30000};

  std::string Host;
  std::uint16_t Port = 0;

  // Raises EConnectError with a readable message when no address answers.
  void Connect();
  void Disconnect() { Close(); }

private:
  // One address; false with the error number in lastError.
  bool ConnectOne(const addrinfo& address, int& lastError);
};
