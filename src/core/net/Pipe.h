// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

class TTCPConnection;

// A kernel pipe used to move socket data with splice() instead of copying it
// through user space.
class TPipe {
public:
  // Bytes the pipe is asked to hold; larger pipes mean fewer system calls.
  static constexpr std::size_t Capacity = 256 * 1024;

  TPipe();
  ~TPipe();
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;

  int ReadEnd() const { return FRead; }
  int WriteEnd() const { return FWrite; }
  // Writes size bytes, just spliced into the pipe, to target; waits while target is full.
  void DrainTo(TTCPConnection& target, std::size_t size);

private:
  int FRead = -1;
  int FWrite = -1;
};
