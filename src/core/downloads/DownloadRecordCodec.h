// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "downloads/DownloadState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The stored form of a download (a REG_BINARY value below "Downloadmanager\Files"),
// little-endian without padding: URL length (4) and bytes, file name length (4) and
// bytes, message length (4) and bytes, total size (8, signed), state (1).
std::vector<std::uint8_t> EncodeDownloadRecord(const TDownloadRecord& record);
// Nothing for data that is not exactly one record: a length past the end, bytes left
// over, a state above 4, a negative size or an empty URL.
std::optional<TDownloadRecord> DecodeDownloadRecord(std::span<const std::uint8_t> data);

// The offer of the browser add-on: 540 bytes, the message number (little-endian) in
// bytes 4..7, the URL from byte 16 ending in a zero byte; its answer: 8 bytes, byte 4
// set to 1 when the download was taken over.
inline constexpr std::size_t OfferSize = 540;
inline constexpr std::size_t OfferAnswerSize = 8;
inline constexpr std::size_t OfferURLOffset = 16;
inline constexpr std::size_t OfferMaxURLLength = 521;
inline constexpr std::uint32_t OfferMessageNumber = 1049; // WM_USER + 25
inline constexpr std::uint32_t QueryEndSessionMessageNumber = 17;
inline constexpr std::size_t OfferAcceptedByte = 4;

struct TDownloadOffer {
  std::uint32_t MessageNumber = 0;
  std::string URL; // only for OfferMessageNumber
};

// The offer for url (at most OfferMaxURLLength characters are sent).
std::vector<std::uint8_t> EncodeDownloadOffer(const std::string& url,
                                              std::uint32_t messageNumber = OfferMessageNumber);
// Nothing for a message shorter than OfferSize, and for an offer whose URL is empty,
// longer than OfferMaxURLLength or not ended by a zero byte within the message.
std::optional<TDownloadOffer> DecodeDownloadOffer(std::span<const std::uint8_t> message);
