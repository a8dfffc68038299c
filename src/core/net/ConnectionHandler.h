// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>

class TContext;

// What a TTCPServer does with each accepted connection; every call runs on that
// connection's own thread.
class TConnectionHandler {
public:
  virtual ~TConnectionHandler() = default;

  virtual void Connected(TContext&) {}
  // Serves the connection; called again while it stays open.
  virtual void Execute(TContext& context) = 0;
  // An error other than the peer's orderly close ended Execute.
  virtual void Failed(TContext&, const std::exception&) {}
  // Last call for the connection, after Connected; the socket closes afterwards.
  virtual void Disconnected(TContext&) {}
};
