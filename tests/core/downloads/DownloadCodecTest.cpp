// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadRecordCodec.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes out;
  for (const TBytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}
TBytes Text(const std::string& text) {
  return {text.begin(), text.end()};
}

// "http://h/a.zip", "/t/a.zip", "Aborted", 4660 bytes, paused.
const TBytes StoredRecord = Concat({
    {14, 0, 0, 0},
    Text("http://h/a.zip"),
    {8, 0, 0, 0},
    Text("/t/a.zip"),
    {7, 0, 0, 0},
    Text("Aborted"),
    {0x34, 0x12, 0, 0, 0, 0, 0, 0},
    {2},
});

TEST(DownloadRecord, EncodesToTheStoredLayout) {
  TDownloadRecord record{"http://h/a.zip", "/t/a.zip", "Aborted", 0x1234, TDownloadState::Paused};
  EXPECT_EQ(EncodeDownloadRecord(record), StoredRecord);
  EXPECT_EQ(DecodeDownloadRecord(StoredRecord), record);
}

TEST(DownloadRecord, LargeSizesAndEmptyTextsRoundTrip) {
  TDownloadRecord record{"ftp://h/big.iso", "", "", 0x7fffffffffffffff, TDownloadState::Complete};
  const TBytes bytes = EncodeDownloadRecord(record);
  EXPECT_EQ(bytes.size(), 21u + record.URL.size());
  EXPECT_EQ(DecodeDownloadRecord(bytes), record);
}

TEST(DownloadRecord, DamagedDataIsRefused) {
  struct Case {
    const char* Name;
    TBytes Data;
  };
  // Offsets into StoredRecord: 0 URL length, 48 the size's top byte, 49 the state.
  const auto changed = [](std::size_t offset, std::uint8_t value) {
    TBytes bytes = StoredRecord;
    bytes.at(offset) = value;
    return bytes;
  };
  const TBytes stateFive = changed(49, 5);
  const TBytes negativeSize = changed(48, 0x80);
  const TBytes urlTooLong = changed(0, 200);
  const TBytes hugeLength = changed(3, 0xff);
  const Case cases[] = {
      {"empty", {}},
      {"cut in the first length", {14, 0}},
      {"cut before the state", TBytes(StoredRecord.begin(), StoredRecord.begin() + 49)},
      {"bytes left over", Concat({StoredRecord, {0}})},
      {"state above 4", stateFive},
      {"negative size", negativeSize},
      {"URL length past the end", urlTooLong},
      {"length near 4 GiB", hugeLength},
      {"empty URL", Concat({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, TBytes(8, 0), {0}})},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecodeDownloadRecord(c.Data), std::nullopt) << c.Name;
}

TEST(DownloadOffer, CarriesTheMessageNumberAndTheURLAtTheirOffsets) {
  const TBytes offer = EncodeDownloadOffer("http://h/f.exe");
  ASSERT_EQ(offer.size(), 540u);
  EXPECT_EQ(TBytes(offer.begin() + 4, offer.begin() + 8), (TBytes{0x19, 0x04, 0, 0}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(offer.data()) + 16), "http://h/f.exe");
  const auto decoded = DecodeDownloadOffer(offer);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->MessageNumber, 1049u);
  EXPECT_EQ(decoded->URL, "http://h/f.exe");
}

TEST(DownloadOffer, DecodesOnlyWellFormedOffers) {
  struct Case {
    const char* Name;
    TBytes Message;
    std::optional<std::string> URL; // nothing: refused
  };
  const std::string longest(521, 'a');
  TBytes unterminated(540, 'x');
  unterminated[4] = 0x19;
  unterminated[5] = 0x04;
  unterminated[6] = unterminated[7] = 0;
  TBytes tooLong = unterminated;
  tooLong[16 + 522] = 0;
  TBytes bytesBefore = EncodeDownloadOffer("http://h/x");
  std::fill(bytesBefore.begin(), bytesBefore.begin() + 4, 0xee);
  std::fill(bytesBefore.begin() + 8, bytesBefore.begin() + 16, 0xee);
  const Case cases[] = {
      {"longest URL", EncodeDownloadOffer(longest), longest},
      {"other bytes are not read", bytesBefore, "http://h/x"},
      {"one byte short", TBytes(539, 0), std::nullopt},
      {"no zero byte in the field", unterminated, std::nullopt},
      {"URL of 522 characters", tooLong, std::nullopt},
      {"empty URL", EncodeDownloadOffer(""), std::nullopt},
  };
  for (const Case& c : cases) {
    const auto offer = DecodeDownloadOffer(c.Message);
    EXPECT_EQ(offer ? std::optional<std::string>(offer->URL) : std::nullopt, c.URL) << c.Name;
  }
}

TEST(DownloadOffer, OtherMessageNumbersAreDecodedWithoutAURL) {
  const auto offer = DecodeDownloadOffer(EncodeDownloadOffer("", 17));
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->MessageNumber, 17u);
  EXPECT_EQ(offer->URL, "");
}

TEST(DownloadOffer, LongURLsAreCutToTheFieldWhenSent) {
  const auto offer = DecodeDownloadOffer(EncodeDownloadOffer(std::string(600, 'u')));
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->URL.size(), 521u);
}

} // namespace
