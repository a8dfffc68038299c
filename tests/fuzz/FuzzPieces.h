// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Cuts an input into pieces of sizes drawn from a seed: mostly short, now and then
// long. Each piece is a copy of its own exact size, so a read past it is caught.
namespace fuzzinput {

class TPieces {
public:
  TPieces(std::string_view text, std::uint32_t seed) : FText(text), FState(seed | 1) {}

  bool Next() {
    if (FFrom == FText.size() && FStarted) {
      return false;
    }
    FStarted = true;
    const std::uint32_t draw = Draw();
    const std::size_t want = draw % 8 == 0 ? Draw() % 70000 : Draw() % 17;
    const std::size_t size = std::min(want, FText.size() - FFrom);
    FCopy = std::make_unique<char[]>(size);
    std::copy_n(FText.data() + FFrom, size, FCopy.get());
    FPiece = std::string_view(FCopy.get(), size);
    FFrom += size;
    return true;
  }
  std::string_view Piece() const { return FPiece; }
  std::size_t End() const { return FFrom; }

private:
  std::uint32_t Draw() {
    FState ^= FState << 13;
    FState ^= FState >> 17;
    FState ^= FState << 5;
    return FState;
  }

  std::string_view FText;
  std::uint32_t FState;
  std::size_t FFrom = 0;
  bool FStarted = false;
  std::unique_ptr<char[]> FCopy;
  std::string_view FPiece;
};

} // namespace fuzzinput
