// SPDX-License-Identifier: GPL-3.0-or-later
// The chunked decoder: any cutting of the input gives the same answer, the same data
// and the same end as one Feed; pieces after the end are left unread.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzPieces.h"
#include "proxy/ChunkedDecoder.h"

#include <algorithm>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) {
    return 0;
  }
  std::uint32_t seed = 0;
  std::copy_n(data, 4, reinterpret_cast<std::uint8_t*>(&seed));
  const std::string input = fuzzinput::Expand(data + 4, size - 4);

  TChunkedDecoder whole;
  std::string expected;
  const TChunkedDecoder::TResult result = whole.Feed(input, expected);
  FUZZ_REQUIRE(expected.size() <= input.size());
  const std::size_t end = input.size() - whole.Unconsumed();

  TChunkedDecoder cut;
  std::string out;
  TChunkedDecoder::TResult last = TChunkedDecoder::TResult::NeedMore;
  std::size_t cutEnd = 0;
  bool ended = false;
  fuzzinput::TPieces pieces(input, seed);
  while (pieces.Next()) {
    const std::size_t before = out.size();
    last = cut.Feed(pieces.Piece(), out);
    if (ended) {
      FUZZ_REQUIRE(cut.Unconsumed() == pieces.Piece().size());
      FUZZ_REQUIRE(out.size() == before);
    } else if (last == TChunkedDecoder::TResult::Finished) {
      ended = true;
      FUZZ_REQUIRE(cut.Unconsumed() <= pieces.Piece().size());
      cutEnd = pieces.End() - cut.Unconsumed();
    }
  }
  FUZZ_REQUIRE(last == result);
  FUZZ_REQUIRE(out == expected);
  if (result == TChunkedDecoder::TResult::Finished) {
    FUZZ_REQUIRE(cutEnd == end);
  }
  return 0;
}
