// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Takes the chunked transfer coding off a body as its bytes arrive, in any pieces.
// Chunk extensions and trailer fields are read and dropped; a bare LF ends a line as
// CRLF does. Lines are bounded, so a peer that never ends one is refused.
class TChunkedDecoder {
public:
  enum class TResult { NeedMore, Finished, Malformed };

  // Longest chunk-size line, extensions included, without its line end.
  static constexpr std::size_t MaxSizeLine = 4096;
  // Most bytes of trailer fields after the last chunk, line ends included.
  static constexpr std::size_t MaxTrailer = 16384;

  // Appends the data bytes found in bytes to out. Once Finished or Malformed, the
  // answer stays and further bytes are not read.
  TResult Feed(std::string_view bytes, std::string& out);
  // Bytes at the end of the last Feed that came after the body's end (Finished only).
  std::size_t Unconsumed() const { return FUnconsumed; }

private:
  enum class TState {
    SizeDigits,
    SizeRest,
    Extension,
    SizeLineFeed,
    Data,
    DataEnd,
    DataLineFeed,
    Trailer,
    TrailerLineFeed,
    Done,
    Bad
  };

  // One byte of a line; false when the body is malformed.
  bool LineByte(char c);
  bool SizeLineEnded();
  bool TrailerLineEnded();

  TState FState = TState::SizeDigits;
  std::uint64_t FSize = 0;
  std::size_t FDigits = 0;
  std::size_t FLineLength = 0;
  std::size_t FTrailerSize = 0;
  std::size_t FUnconsumed = 0;
};
