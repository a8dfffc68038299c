// SPDX-License-Identifier: GPL-3.0-or-later
// "proxies.dat" from any bytes: the first input byte picks administrator mode, the
// rest is the file. Whatever loads must save and load again to the same entries, and
// the records kept from a damaged file are never more than its bytes could hold.
#include "FuzzCheck.h"
#include "pool/ProxyFileFormat.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const bool adminMode = (data[0] & 1) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const TProxyFileContents loaded = ParseProxyFile(bytes, adminMode);
  // A record takes at least 10 bytes besides its host, after the 4-byte format number.
  FUZZ_REQUIRE(loaded.Entries.size() * 10 <= bytes.size());

  std::vector<TProxyEntryPtr> entries;
  for (const TQuorvaneServerListEntry& entry : loaded.Entries)
    entries.push_back(std::make_shared<TQuorvaneServerListEntry>(entry));
  const TProxyFileContents again = ParseProxyFile(SerializeProxyFile(entries), false);
  FUZZ_REQUIRE(!again.Damaged);
  FUZZ_REQUIRE(again.Entries.size() == loaded.Entries.size());
  for (std::size_t i = 0; i < again.Entries.size(); ++i) {
    TQuorvaneServerListEntry expected = loaded.Entries[i];
    expected.RefusesConnect = false; // learnt by checks, never stored
    FUZZ_REQUIRE(again.Entries[i] == expected);
  }
  return 0;
}
