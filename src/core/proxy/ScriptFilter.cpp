// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/ScriptFilter.h"

#include "common/AsciiText.h"

#include <algorithm>
#include <cstring>

// Both tags have '<' only as their first character: a partial match that fails hides
// no other one, so only a new '<' can begin the next candidate.

std::size_t TScriptFilter::HeldBack() const {
  std::size_t held = 0;
  for (std::size_t i = 0; i < FDepth; ++i) {
    held += FLength[i];
  }
  return held - FWritten + FOpen.size();
}

void TScriptFilter::HoldOpen(const char* data, std::size_t size) {
  if (FOpenDropped) {
    return;
  }
  if (FOpen.size() + size > MaxOpenHeld) {
    FOpenDropped = true;
    std::string().swap(FOpen);
    return;
  }
  FOpen.append(data, size);
}

bool TScriptFilter::PendingByte(char c, std::string& out) {
  const std::size_t top = FDepth - 1;
  const std::size_t matched = FLength[top];
  if (LowerASCII(c) == ScriptStart[matched]) {
    if (matched + 1 < ScriptStart.size()) {
      FPending[top][matched] = c;
      ++FLength[top];
      return true;
    }
    FFound = true;
    FEndMatched = 0;
    FState = TState::Script;
    const std::size_t from = top == 0 ? FWritten : 0;
    HoldOpen(FPending[top].data() + from, matched - from);
    HoldOpen(&c, 1);
    // The start goes with its element, except bytes of it already written: those stay
    // and wait again for what follows the element.
    if (top == 0 && FWritten > 0) {
      FLength[0] = FWritten;
    } else {
      --FDepth;
    }
    return true;
  }
  if (c == '<') {
    // The pending starts wait: removing the element this may begin joins them to what
    // follows it.
    Push(out);
    return true;
  }
  Release(out);
  return false;
}

void TScriptFilter::Push(std::string& out) {
  if (FDepth == MaxPending) {
    // The oldest start is followed by the next one in the output from now on, so it can
    // no longer complete; the next one becomes the oldest, written but still waiting.
    out.append(FPending[0].data() + FWritten, FLength[0] - FWritten);
    out.append(FPending[1].data(), FLength[1]);
    FWritten = FLength[1];
    std::move(FPending.begin() + 1, FPending.end(), FPending.begin());
    std::move(FLength.begin() + 1, FLength.end(), FLength.begin());
    --FDepth;
  }
  FPending[FDepth][0] = '<';
  FLength[FDepth] = 1;
  ++FDepth;
}

void TScriptFilter::Release(std::string& out) {
  for (std::size_t i = 0; i < FDepth; ++i) {
    const std::size_t from = i == 0 ? FWritten : 0;
    out.append(FPending[i].data() + from, FLength[i] - from);
  }
  FDepth = 0;
  FWritten = 0;
}

void TScriptFilter::Feed(std::string_view block, std::string& out) {
  const char* at = block.data();
  const char* const end = at + block.size();
  while (at < end) {
    const char* const before = at;
    const bool inElement = FState != TState::Text;
    switch (FState) {
    case TState::Text:
      if (FDepth > 0) {
        if (PendingByte(*at, out)) {
          ++at;
        }
      } else if (const auto* open = static_cast<const char*>(
                     std::memchr(at, '<', static_cast<std::size_t>(end - at)))) {
        out.append(at, static_cast<std::size_t>(open - at));
        at = open + 1;
        Push(out);
      } else {
        out.append(at, static_cast<std::size_t>(end - at));
        at = end;
      }
      break;
    case TState::Script:
      if (FEndMatched == 0) {
        const auto* open =
            static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)));
        at = open == nullptr ? end : open + 1;
        FEndMatched = open == nullptr ? 0 : 1;
      } else if (LowerASCII(*at) == ScriptEnd[FEndMatched]) {
        ++at;
        if (++FEndMatched == ScriptEnd.size()) {
          FState = TState::LastCharacter;
        }
      } else {
        FEndMatched = 0;
      }
      break;
    case TState::LastCharacter:
      ++at;
      ++FRemoved;
      FState = TState::Text;
      break;
    }
    if (inElement) {
      if (FState == TState::Text) {
        FOpen.clear();
        FOpenDropped = false;
      } else {
        HoldOpen(before, static_cast<std::size_t>(at - before));
      }
    }
  }
}

void TScriptFilter::Finish(std::string& out) {
  // An end tag at the very end closes its element: nothing follows to take along.
  if (FState == TState::LastCharacter) {
    ++FRemoved;
    FOpen.clear();
  }
  const bool open = FState == TState::Script;
  FState = TState::Text;
  // Pending starts stand before the open element in the text.
  Release(out);
  if (open && FOpenDropped) {
    ++FRemoved;
  } else if (open) {
    out += FOpen;
  }
  std::string().swap(FOpen);
  FOpenDropped = false;
}
