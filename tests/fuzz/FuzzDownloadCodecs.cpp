// SPDX-License-Identifier: GPL-3.0-or-later
// The stored download record and the add-on's offer from any bytes: what decodes must
// encode back to the same bytes (a record) or to an offer of the same URL.
#include "FuzzCheck.h"
#include "downloads/DownloadRecordCodec.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (const auto record = DecodeDownloadRecord(bytes)) {
    const std::vector<std::uint8_t> encoded = EncodeDownloadRecord(*record);
    FUZZ_REQUIRE(encoded.size() == size);
    FUZZ_REQUIRE(std::equal(encoded.begin(), encoded.end(), bytes.begin()));
  }
  if (const auto offer = DecodeDownloadOffer(bytes)) {
    if (offer->MessageNumber == OfferMessageNumber) {
      FUZZ_REQUIRE(!offer->URL.empty() && offer->URL.size() <= OfferMaxURLLength);
      const auto again = DecodeDownloadOffer(EncodeDownloadOffer(offer->URL));
      FUZZ_REQUIRE(again && again->URL == offer->URL);
    }
  }
  return 0;
}
