// SPDX-License-Identifier: GPL-3.0-or-later
// The script filter against the rule as written: while "<script" occurs, cut at the
// first one; with a "</script" after it drop through the character that follows,
// without one stop. Tags compare without regard to ASCII case.
#include "FuzzCheck.h"
#include "proxy/HTTPProxyServer.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

std::size_t FindNoCase(const std::string& text, const std::string& lowered, std::size_t from) {
  std::string copy = text;
  std::transform(copy.begin(), copy.end(), copy.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return copy.find(lowered, from);
}

struct TReference {
  std::string Text;
  std::int64_t Removed = 0;
  bool Reported = false;
};

TReference ReferenceFilter(std::string text) {
  TReference result;
  if (text.empty() || text.size() >= THTTPProxyServer::MaxFilteredDocument) {
    result.Text = std::move(text);
    return result;
  }
  result.Reported = FindNoCase(text, "<script", 0) != std::string::npos;
  for (std::size_t start; (start = FindNoCase(text, "<script", 0)) != std::string::npos;) {
    const std::size_t end = FindNoCase(text, "</script", start);
    if (end == std::string::npos) {
      break;
    }
    text.erase(start, std::min(text.size(), end + 9) - start);
    ++result.Removed;
  }
  result.Text = std::move(text);
  return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static THTTPProxyServer server; // never enabled: only the filter is used
  static std::int64_t removed = 0;
  static bool reported = false;
  server.SetBlockJavaScript(true);
  server.OnHTTPStatistics = [](THTTPProxyServer&, const TProxyStatistics& increments) {
    reported = true;
    removed += increments.BlockedJavaScript;
  };
  removed = 0;
  reported = false;
  std::string body(reinterpret_cast<const char*>(data), size);
  const TReference expected = ReferenceFilter(body);
  server.FilterHTMLDocument("/fuzz.html", body);
  FUZZ_REQUIRE(body == expected.Text);
  FUZZ_REQUIRE(reported == expected.Reported);
  FUZZ_REQUIRE(removed == expected.Removed);
  return 0;
}
