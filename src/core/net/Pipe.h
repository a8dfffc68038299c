// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

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

// A pipe lent by the calling thread's spares, or a new one when it has none. Setting
// a pipe up and closing it again costs five system calls, a noticeable part of a
// short tunnel or response; a thread serves one connection after the other, so it
// keeps its emptied pipes until it ends.
class TPipeLease {
public:
  // Empty pipes a thread keeps: the two directions of a tunnel.
  static constexpr std::size_t SparesPerThread = 2;

  TPipeLease();
  // Closes the pipe unless it was given back.
  ~TPipeLease();
  TPipeLease(const TPipeLease&) = delete;
  TPipeLease& operator=(const TPipeLease&) = delete;

  TPipe& operator*() const { return *FPipe; }
  TPipe* operator->() const { return FPipe.get(); }
  // Hands the pipe back to the thread's spares. Only for a pipe known to be empty:
  // bytes left in it would reach the next connection.
  void GiveBack();

private:
  std::unique_ptr<TPipe> FPipe;
};
