// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

class TTCPConnection;

// A kernel pipe used to move socket data with splice() instead of copying it
// through user space.
class TPipe {
public:
  // Bytes the pipe is asked to hold; larger pipes mean fewer system calls.
  static constexpr std::size_t RequestedSize = 256 * 1024;

  TPipe();
  ~TPipe();
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;

  // What the pipe really holds: the kernel keeps the default for a user past its pipe quota.
  std::size_t Size() const { return FSize; }
  int ReadEnd() const { return FRead; }
  int WriteEnd() const { return FWrite; }
  // Writes size bytes, just spliced into the pipe, to target; waits while target is full.
  void DrainTo(TTCPConnection& target, std::size_t size);

private:
  int FRead = -1;
  int FWrite = -1;
  std::size_t FSize = 0;
};
