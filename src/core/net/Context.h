// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/TCPConnection.h"

#include <cstdint>
#include <mutex>
#include <string>

// One accepted connection and what the server keeps beside it.
class TContext {
public:
  TTCPConnection Connection;
  std::string PeerIP; // dotted IPv4 text, or IPv6 text for an IPv6 client
  std::uint16_t PeerPort = 0;

  // handle: an accepted socket, opened non-blocking.
  explicit TContext(int handle) : Connection(handle, TTCPConnection::TSocketMode::NonBlocking) {}

  // The upstream connection serving this one while it lives (nullptr clears it); the
  // owner thread sets and clears it, any thread may shut it down meanwhile.
  void Link(TTCPConnection* upstream);
  bool Linked() const;
  void ShutdownLinked();

private:
  mutable std::mutex FLinkLock; // guards FLinked against being cleared while it is shut down
  TTCPConnection* FLinked = nullptr;
};
