// SPDX-License-Identifier: GPL-3.0-or-later
// URI parsing and rebuilding: any text parses; rebuilding either fails for want of
// protocol or host or gives an absolute URI that parses back to the same parts.
#include "FuzzCheck.h"
#include "net/URI.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const TURI uri(text);
  // Nothing of the input is invented: every part is a piece of it.
  for (const std::string* part : {&uri.Protocol, &uri.Username, &uri.Password, &uri.Host, &uri.Port,
                                  &uri.Document, &uri.Params, &uri.Bookmark}) {
    FUZZ_REQUIRE(part->empty() || text.find(*part) != std::string::npos);
  }
  FUZZ_REQUIRE(uri.Params.empty() || uri.Params.front() == '?');
  FUZZ_REQUIRE(uri.Document.find('/') == std::string::npos);
  FUZZ_REQUIRE(uri.Path.empty() || uri.Path.back() == '/');
  const int port = uri.PortOr(80);
  FUZZ_REQUIRE(port >= 1 && port <= 65535);

  std::string full;
  try {
    full = uri.GetFullURI();
  } catch (const EURIError&) {
    FUZZ_REQUIRE(uri.Protocol.empty() || uri.Host.empty());
    return 0;
  }
  FUZZ_REQUIRE(!uri.Protocol.empty() && !uri.Host.empty());
  FUZZ_REQUIRE(full.ends_with(uri.LocalTarget()));
  const TURI again(full);
  FUZZ_REQUIRE(again.Protocol == uri.Protocol);
  FUZZ_REQUIRE(again.Host == uri.Host);
  FUZZ_REQUIRE(again.Port == (uri.Port == "80" ? "" : uri.Port));
  FUZZ_REQUIRE(again.LocalTarget() == uri.LocalTarget());
  FUZZ_REQUIRE(again.Username.empty() && again.Bookmark.empty());
  FUZZ_REQUIRE(again.GetFullURI() == full);
  return 0;
}
