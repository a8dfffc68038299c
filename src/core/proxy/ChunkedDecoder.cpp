// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/ChunkedDecoder.h"

#include <algorithm>
#include <limits>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

constexpr std::uint64_t MaxSizeBeforeDigit = std::numeric_limits<std::uint64_t>::max() >> 4;

} // namespace

bool TChunkedDecoder::SizeLineEnded() {
  FLineLength = 0;
  FDigits = 0;
  FState = FSize == 0 ? TState::Trailer : TState::Data;
  return true;
}

bool TChunkedDecoder::TrailerLineEnded() {
  FState = FLineLength == 0 ? TState::Done : TState::Trailer;
  FLineLength = 0;
  return true;
}

bool TChunkedDecoder::LineByte(char c) {
  switch (FState) {
  case TState::SizeDigits:
  case TState::SizeRest:
  case TState::Extension:
    if (c != '\r' && c != '\n' && ++FLineLength > MaxSizeLine) {
      return false;
    }
    break;
  case TState::Trailer:
  case TState::TrailerLineFeed:
    if (++FTrailerSize > MaxTrailer) {
      return false;
    }
    break;
  default:
    break;
  }
  switch (FState) {
  case TState::SizeDigits:
    if (const int digit = HexValue(c); digit >= 0) {
      if (FSize > MaxSizeBeforeDigit) {
        return false;
      }
      FSize = FSize << 4 | static_cast<std::uint64_t>(digit);
      ++FDigits;
      return true;
    }
    if (FDigits == 0) {
      return false;
    }
    FState = TState::SizeRest;
    [[fallthrough]];
  case TState::SizeRest:
    // Only blanks may stand between the size and its extensions or the line end.
    if (c == ' ' || c == '\t') {
      return true;
    }
    if (c == ';') {
      FState = TState::Extension;
      return true;
    }
    [[fallthrough]];
  case TState::Extension:
    if (c == '\r') {
      FState = TState::SizeLineFeed;
      return true;
    }
    if (c == '\n') {
      return SizeLineEnded();
    }
    return FState == TState::Extension;
  case TState::SizeLineFeed:
    return c == '\n' && SizeLineEnded();
  case TState::DataEnd:
    if (c == '\r') {
      FState = TState::DataLineFeed;
      return true;
    }
    [[fallthrough]];
  case TState::DataLineFeed:
    if (c != '\n') {
      return false;
    }
    FSize = 0;
    FState = TState::SizeDigits;
    return true;
  case TState::Trailer:
    if (c == '\r') {
      FState = TState::TrailerLineFeed;
      return true;
    }
    if (c == '\n') {
      return TrailerLineEnded();
    }
    ++FLineLength;
    return true;
  case TState::TrailerLineFeed:
    return c == '\n' && TrailerLineEnded();
  case TState::Data:
  case TState::Done:
  case TState::Bad:
    break;
  }
  return false;
}

TChunkedDecoder::TResult TChunkedDecoder::Feed(std::string_view bytes, std::string& out) {
  FUnconsumed = 0;
  std::size_t at = 0;
  while (at < bytes.size() && FState != TState::Done && FState != TState::Bad) {
    if (FState == TState::Data) {
      const std::size_t take =
          static_cast<std::size_t>(std::min<std::uint64_t>(FSize, bytes.size() - at));
      out.append(bytes.substr(at, take));
      at += take;
      FSize -= take;
      if (FSize == 0) {
        FState = TState::DataEnd;
      }
    } else if (!LineByte(bytes[at++])) {
      FState = TState::Bad;
    }
  }
  switch (FState) {
  case TState::Done:
    FUnconsumed = bytes.size() - at;
    return TResult::Finished;
  case TState::Bad:
    return TResult::Malformed;
  default:
    return TResult::NeedMore;
  }
}
