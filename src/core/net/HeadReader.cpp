// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/HeadReader.h"

TLineRead ReadLine(std::string_view bytes, std::size_t scanned) {
  TLineRead line;
  const std::size_t lf = bytes.find('\n', scanned);
  if (lf == std::string_view::npos) {
    // One byte more than a line may hold can still be the CR of its end.
    line.Result = bytes.size() > MaxLineLength + 1 ? TReadResult::TooLong : TReadResult::Incomplete;
    return line;
  }
  std::size_t length = lf;
  if (length > 0 && bytes[length - 1] == '\r') {
    --length;
  }
  if (length > MaxLineLength) {
    line.Result = TReadResult::TooLong;
    return line;
  }
  line.Result = TReadResult::Complete;
  line.Text = bytes.substr(0, length);
  line.Consumed = lf + 1;
  return line;
}

std::size_t THeadReader::Feed(std::string_view bytes) {
  std::size_t consumed = 0;
  while (FResult == TReadResult::Incomplete) {
    const TLineRead line = ReadLine(bytes.substr(consumed));
    if (line.Result == TReadResult::TooLong) {
      FResult = TReadResult::TooLong;
      FReason = "Line too long.";
    }
    if (line.Result != TReadResult::Complete) {
      break;
    }
    consumed += line.Consumed;
    AddLine(line.Text);
  }
  return consumed;
}

TReadResult THeadReader::AddLine(std::string_view line) {
  if (FResult != TReadResult::Incomplete) {
    return FResult;
  }
  if (line.empty()) {
    FResult = TReadResult::Complete;
  } else if (FLines.size() == MaxHeaderLines) {
    FResult = TReadResult::TooLong;
    FReason = "Too many header lines.";
  } else {
    FLines.emplace_back(line);
  }
  return FResult;
}
