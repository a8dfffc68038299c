// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/NetError.h"

#include <cstring>

ESocketError::ESocketError(const std::string& what, int errorCode)
    : ENetError(what + ": " + SystemErrorText(errorCode)), FErrorCode(errorCode) {}

std::string SystemErrorText(int errorCode) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in our buffer.
  const char* text = strerror_r(errorCode, buffer, sizeof buffer);
  return std::string(text) + " (errno " + std::to_string(errorCode) + ")";
}
