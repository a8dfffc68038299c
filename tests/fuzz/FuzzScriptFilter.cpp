// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming script filter: any cutting of the input gives what one Feed gives, it
// never holds more than its constant, its output holds a "<script" only in an element
// left open at the end, and it follows the whole-text rule wherever that needs no more
// pending starts than it keeps.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzPieces.h"
#include "ScriptRemovalReference.h"
#include "proxy/ScriptFilter.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

constexpr std::size_t MaxReferenceSize = 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) {
    return 0;
  }
  std::uint32_t seed = 0;
  std::copy_n(data, 4, reinterpret_cast<std::uint8_t*>(&seed));
  const std::string text = fuzzinput::Expand(data + 4, size - 4);

  TScriptFilter whole;
  std::string expected;
  whole.Feed(text, expected);
  whole.Finish(expected);

  TScriptFilter cut;
  std::string out;
  fuzzinput::TPieces pieces(text, seed);
  while (pieces.Next()) {
    cut.Feed(pieces.Piece(), out);
    FUZZ_REQUIRE(cut.HeldBack() <= TScriptFilter::MaxHeldBack);
  }
  cut.Finish(out);
  FUZZ_REQUIRE(cut.HeldBack() == 0);
  FUZZ_REQUIRE(out == expected);
  FUZZ_REQUIRE(cut.Found() == whole.Found());
  FUZZ_REQUIRE(cut.Removed() == whole.Removed());
  // A start survives only in an element left open at the end.
  const std::size_t start = FindLowered(out, "<script");
  FUZZ_REQUIRE(start == std::string::npos ||
               FindLowered(out, "</script", start) == std::string::npos);

  if (text.size() <= MaxReferenceSize &&
      static_cast<std::size_t>(std::count(text.begin(), text.end(), '<')) <=
          TScriptFilter::MaxPending) {
    const TScriptRemovalReference reference = RemoveScriptsReference(text);
    FUZZ_REQUIRE(out == reference.Text);
    FUZZ_REQUIRE(cut.Found() == reference.Found);
    FUZZ_REQUIRE(cut.Removed() == reference.Removed);
  }
  return 0;
}
