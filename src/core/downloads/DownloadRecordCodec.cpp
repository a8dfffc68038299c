// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadRecordCodec.h"

#include <algorithm>
#include <cstring>

namespace {

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
  PutNumber(out, text.size(), 4);
  out.insert(out.end(), text.begin(), text.end());
}

// Reads the record front to back; every read checks that the data holds it.
class TReader {
public:
  explicit TReader(std::span<const std::uint8_t> data) : FData(data) {}

  bool Number(std::uint64_t& value, int bytes) {
    if (FData.size() - FPos < static_cast<std::size_t>(bytes))
      return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
      value |= static_cast<std::uint64_t>(FData[FPos + i]) << (8 * i);
    FPos += bytes;
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t length = 0;
    if (!Number(length, 4) || length > FData.size() - FPos)
      return false;
    text.assign(reinterpret_cast<const char*>(FData.data() + FPos), length);
    FPos += length;
    return true;
  }
  bool AtEnd() const { return FPos == FData.size(); }

private:
  std::span<const std::uint8_t> FData;
  std::size_t FPos = 0;
};

std::uint32_t NumberAt(std::span<const std::uint8_t> data, std::size_t offset) {
  return static_cast<std::uint32_t>(data[offset]) |
         static_cast<std::uint32_t>(data[offset + 1]) << 8 |
         static_cast<std::uint32_t>(data[offset + 2]) << 16 |
         static_cast<std::uint32_t>(data[offset + 3]) << 24;
}

} // namespace

std::vector<std::uint8_t> EncodeDownloadRecord(const TDownloadRecord& record) {
  std::vector<std::uint8_t> out;
  out.reserve(21 + record.URL.size() + record.FileName.size() + record.Message.size());
  PutText(out, record.URL);
  PutText(out, record.FileName);
  PutText(out, record.Message);
  PutNumber(out, static_cast<std::uint64_t>(record.TotalSize), 8);
  out.push_back(static_cast<std::uint8_t>(record.State));
  return out;
}

std::optional<TDownloadRecord> DecodeDownloadRecord(std::span<const std::uint8_t> data) {
  TReader reader(data);
  TDownloadRecord record;
  std::uint64_t size = 0;
  std::uint64_t state = 0;
  if (!reader.Text(record.URL) || !reader.Text(record.FileName) || !reader.Text(record.Message) ||
      !reader.Number(size, 8) || !reader.Number(state, 1) || !reader.AtEnd())
    return std::nullopt;
  record.TotalSize = static_cast<std::int64_t>(size);
  if (record.URL.empty() || record.TotalSize < 0 || state > MaxDownloadState)
    return std::nullopt;
  record.State = static_cast<TDownloadState>(state);
  return record;
}

std::vector<std::uint8_t> EncodeDownloadOffer(const std::string& url, std::uint32_t messageNumber) {
  std::vector<std::uint8_t> message(OfferSize, 0);
  for (int i = 0; i < 4; ++i)
    message[4 + i] = static_cast<std::uint8_t>(messageNumber >> (8 * i));
  const std::size_t length = std::min(url.size(), OfferMaxURLLength);
  std::memcpy(message.data() + OfferURLOffset, url.data(), length);
  return message;
}

std::optional<TDownloadOffer> DecodeDownloadOffer(std::span<const std::uint8_t> message) {
  if (message.size() < OfferSize)
    return std::nullopt;
  TDownloadOffer offer;
  offer.MessageNumber = NumberAt(message, 4);
  if (offer.MessageNumber != OfferMessageNumber)
    return offer;
  const auto field = message.subspan(OfferURLOffset, OfferSize - OfferURLOffset);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  const auto length = static_cast<std::size_t>(end - field.begin());
  if (end == field.end() || length == 0 || length > OfferMaxURLLength)
    return std::nullopt;
  offer.URL.assign(reinterpret_cast<const char*>(field.data()), length);
  return offer;
}
