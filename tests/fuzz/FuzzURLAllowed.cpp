// SPDX-License-Identifier: GPL-3.0-or-later
// The block check and its split against a plain restatement of the rule: the first
// entry whose term occurs decides; its exceptions (split at "&&!") allow the page.
#include "FuzzCheck.h"
#include "common/AsciiText.h"
#include "proxy/FilterRules.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return text;
}

bool Occurs(const std::string& uri, const std::string& term) {
  return !term.empty() && Lower(uri).find(Lower(term)) != std::string::npos;
}

bool ReferenceAllowed(const std::vector<std::string>& entries, const std::string& uri) {
  for (const std::string& entry : entries) {
    const std::size_t delimiter = entry.find("&&!");
    const std::string term = entry.substr(0, delimiter);
    if (!Occurs(uri, term)) {
      continue;
    }
    if (delimiter == std::string::npos) {
      return false;
    }
    std::string rest = entry.substr(delimiter + 3);
    for (;;) {
      const std::size_t next = rest.find("&&!");
      if (Occurs(uri, rest.substr(0, next))) {
        return true;
      }
      if (next == std::string::npos) {
        return false;
      }
      rest = rest.substr(next + 3);
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Newline-separated: the URI first, then the entries.
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = SplitText(text, "\n");
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    joined += (i > 0 ? "\n" : "") + lines[i];
  }
  FUZZ_REQUIRE(joined == text);
  const std::string uri = lines.front();
  const std::vector<std::string> entries(lines.begin() + 1, lines.end());

  const TBlockList list = MakeBlockList(entries);
  const std::vector<std::string>& blocked = list.Blocked;
  const std::vector<std::string>& allowed = list.Allowed;
  FUZZ_REQUIRE(blocked.size() == entries.size() && allowed.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    FUZZ_REQUIRE(entries[i] == (entries[i].find("&&!") == std::string::npos
                                    ? blocked[i]
                                    : blocked[i] + "&&!" + allowed[i]));
  }
  FUZZ_REQUIRE(URLAllowed(list, uri) == ReferenceAllowed(entries, uri));
  return 0;
}
