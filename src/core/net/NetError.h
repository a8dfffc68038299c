// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// Errors of the network layer. They end the work of the connection thread that
// meets them; the server reports them through its exception event.
class ENetError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The peer closed the connection in an orderly way while we were reading.
class EConnClosedGracefully : public ENetError {
public:
  EConnClosedGracefully() : ENetError("Connection closed gracefully.") {}
};

// No data arrived within the read time-out.
class EReadTimeout : public ENetError {
public:
  EReadTimeout() : ENetError("Read timed out.") {}
};

// A line or a header block went past its limit; the connection is dropped without reply.
class ELimitExceeded : public ENetError {
public:
  using ENetError::ENetError;
};

// Resolving or connecting failed; the message is a readable text for the user.
class EConnectError : public ENetError {
public:
  using ENetError::ENetError;
};

// A system call on the socket failed (reset, broken pipe, ...).
class ESocketError : public ENetError {
public:
  ESocketError(const std::string& what, int errorCode);
  int ErrorCode() const { return FErrorCode; }

private:
  int FErrorCode;
};

// "Connection refused (errno 111)": the readable form of a system error number.
std::string SystemErrorText(int errorCode);
