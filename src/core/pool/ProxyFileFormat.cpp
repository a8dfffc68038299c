// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyFileFormat.h"

namespace {

constexpr std::size_t FormatNumberSize = 4;
// Enabled, Port, ResponseTime and the host length, before the host's bytes.
constexpr std::size_t RecordHeadSize = 9;
constexpr std::uint8_t PurgedFailureLevel = 2; // above this, administrator mode drops the entry

std::uint32_t ReadLE(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

void WriteLE(std::string& out, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

} // namespace

TProxyFileContents ParseProxyFile(std::string_view bytes, bool adminMode) {
  TProxyFileContents contents;
  if (bytes.size() < FormatNumberSize) {
    contents.Damaged = !bytes.empty();
    return contents;
  }
  std::size_t at = FormatNumberSize;
  while (at < bytes.size()) {
    const std::size_t left = bytes.size() - at;
    if (left < RecordHeadSize) {
      contents.Damaged = true;
      break;
    }
    const auto hostLength = static_cast<std::int32_t>(ReadLE(bytes, at + 5, 4));
    // Checked against what is left before anything is taken, so a damaged length
    // never becomes an allocation.
    if (hostLength < 0 || static_cast<std::size_t>(hostLength) + 1 > left - RecordHeadSize) {
      contents.Damaged = true;
      break;
    }
    TQuorvaneServerListEntry entry;
    entry.Enabled = bytes[at] != 0;
    entry.Port = static_cast<std::uint16_t>(ReadLE(bytes, at + 1, 2));
    entry.ResponseTime = static_cast<std::uint16_t>(ReadLE(bytes, at + 3, 2));
    entry.Host =
        std::string(bytes.substr(at + RecordHeadSize, static_cast<std::size_t>(hostLength)));
    entry.FailureLevel = static_cast<std::uint8_t>(
        bytes[at + RecordHeadSize + static_cast<std::size_t>(hostLength)]);
    at += RecordHeadSize + static_cast<std::size_t>(hostLength) + 1;
    if (adminMode && entry.FailureLevel > PurgedFailureLevel) {
      contents.Purged = true;
      continue;
    }
    contents.Entries.push_back(std::move(entry));
  }
  return contents;
}

std::string SerializeProxyFile(const std::vector<TProxyEntryPtr>& entries) {
  std::string out;
  WriteLE(out, static_cast<std::uint32_t>(ProxyFileFormatNumber), 4);
  for (const TProxyEntryPtr& entry : entries) {
    out.push_back(entry->Enabled ? '\1' : '\0');
    WriteLE(out, entry->Port, 2);
    WriteLE(out, entry->ResponseTime, 2);
    WriteLE(out, static_cast<std::uint32_t>(entry->Host.size()), 4);
    out += entry->Host;
    out.push_back(static_cast<char>(entry->FailureLevel));
  }
  return out;
}
