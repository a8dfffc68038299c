// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Removes script elements from HTML while its bytes pass, block by block, in memory
// that does not grow with the document. An element runs from "<script" through the one
// character after the next "</script" (ASCII case ignored). The text around a removed
// element is joined and read again, so a "<script" formed by the join goes as well. An
// element still open when the document ends stays as it came, as long as it is no
// longer than MaxOpenHeld bytes; a longer one is dropped as it passes, so that memory
// stays bounded, and counts as removed.
//
// Each partial start directly before another start waits for what follows that
// element, so such starts stack up. Beyond MaxPending of them the oldest ones are
// written out; a start they form later is still removed, only their own few bytes
// stay. The output holds a "<script" only in an element left open at the end.
class TScriptFilter {
public:
  static constexpr std::string_view ScriptStart = "<script";
  static constexpr std::string_view ScriptEnd = "</script";
  static constexpr std::size_t MaxPending = 8;
  static constexpr std::size_t MaxOpenHeld = 65536;
  static constexpr std::size_t MaxHeldBack = MaxPending * (ScriptStart.size() - 1) + MaxOpenHeld;

  // Appends to out the filtered bytes of block that can no longer be part of a script tag.
  void Feed(std::string_view block, std::string& out);
  // The document ended: appends what was held back.
  void Finish(std::string& out);
  bool Found() const { return FFound; }
  // Script elements removed so far; an element left open at the end counts once Finish
  // finds it was dropped.
  std::int64_t Removed() const { return FRemoved; }
  // Bytes taken in that are neither written nor dropped yet.
  std::size_t HeldBack() const;

private:
  enum class TState { Text, Script, LastCharacter };

  // One byte of text while starts are pending; false when the byte was not taken and
  // must be read again.
  bool PendingByte(char c, std::string& out);
  void Push(std::string& out);
  void Release(std::string& out);
  // Keeps the bytes of the element being removed until it closes, within MaxOpenHeld.
  void HoldOpen(const char* data, std::size_t size);

  TState FState = TState::Text;
  // The pending starts, oldest first: proper prefixes of ScriptStart as they came.
  // The first FWritten bytes of the oldest one are already written out.
  std::array<std::array<char, ScriptStart.size() - 1>, MaxPending> FPending{};
  std::array<std::size_t, MaxPending> FLength{};
  std::size_t FDepth = 0;
  std::size_t FWritten = 0;
  std::size_t FEndMatched = 0;
  // The open element as it came, while it may yet be the document's unclosed last one.
  std::string FOpen;
  bool FOpenDropped = false;
  bool FFound = false;
  std::int64_t FRemoved = 0;
};
