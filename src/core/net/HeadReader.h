// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Request and response heads read from bytes as they arrive, without a socket: the
// connection's line reading goes through here, so the limits hold the same
// everywhere.
enum class TReadResult { Complete, Incomplete, TooLong };

// Longest line accepted, without its line end.
inline constexpr std::size_t MaxLineLength = 64 * 1024;
// Most lines of a header block before its empty line.
inline constexpr std::size_t MaxHeaderLines = 256;

struct TLineRead {
  TReadResult Result = TReadResult::Incomplete;
  std::string_view Text;    // the line without its CR LF (a bare LF also ends a line)
  std::size_t Consumed = 0; // bytes the line takes up, line end included
};

// The line at the start of bytes. The first `scanned` bytes are known to hold no LF.
TLineRead ReadLine(std::string_view bytes, std::size_t scanned = 0);

// A header block: lines up to the empty line, which is consumed and not kept.
class THeadReader {
public:
  // Takes lines from the start of bytes until the block is complete or more bytes
  // are needed; returns how many bytes it consumed.
  std::size_t Feed(std::string_view bytes);
  // Takes one line read elsewhere; returns the state of the block after it.
  TReadResult AddLine(std::string_view line);
  TReadResult Result() const { return FResult; }
  // Why the block is too long.
  const char* Reason() const { return FReason; }
  std::vector<std::string>& Lines() { return FLines; }

private:
  TReadResult FResult = TReadResult::Incomplete;
  const char* FReason = "";
  std::vector<std::string> FLines;
};
