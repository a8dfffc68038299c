// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/DBaseFile.h"

#include "common/AsciiText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t HeaderSize = 32;
constexpr std::size_t DescriptorSize = 32;
constexpr std::size_t FieldNameSize = 11;
constexpr std::size_t FieldLengthOffset = 16;
constexpr char DescriptorsEnd = 0x0D;

std::uint32_t Little(std::string_view bytes, std::size_t offset, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

} // namespace

std::optional<std::string> LastRecordField(std::string_view table, std::string_view fieldName) {
  if (table.size() < HeaderSize)
    return std::nullopt;
  const std::size_t recordCount = Little(table, 4, 4);
  const std::size_t headerSize = Little(table, 8, 2);
  const std::size_t recordSize = Little(table, 10, 2);
  if (recordCount == 0 || recordSize == 0 || headerSize > table.size())
    return std::nullopt;

  // The deletion flag comes first in each record.
  std::size_t fieldOffset = 1;
  std::optional<std::size_t> found;
  std::size_t fieldLength = 0;
  for (std::size_t at = HeaderSize;
       at + DescriptorSize <= headerSize && table[at] != DescriptorsEnd; at += DescriptorSize) {
    std::string_view name = table.substr(at, FieldNameSize);
    name = name.substr(0, name.find('\0'));
    const std::size_t length = static_cast<unsigned char>(table[at + FieldLengthOffset]);
    if (!found && SameTextASCII(name, fieldName)) {
      found = fieldOffset;
      fieldLength = length;
    }
    fieldOffset += length;
  }
  if (!found || *found + fieldLength > recordSize)
    return std::nullopt;

  // A writer may not have counted its last record yet, or may have cut the file short:
  // the last record is the last whole one both the count and the bytes allow.
  const std::size_t whole = (table.size() - headerSize) / recordSize;
  const std::size_t last = std::min(recordCount, whole);
  if (last == 0)
    return std::nullopt;
  std::string_view value = table.substr(headerSize + (last - 1) * recordSize + *found, fieldLength);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\0'))
    value.remove_suffix(1);
  return std::string(value);
}
