// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Builds the bytes of a dBase III table: character fields of the given widths, and
// records whose values are padded with blanks.
inline std::string DBaseTable(const std::vector<std::pair<std::string, int>>& fields,
                              const std::vector<std::vector<std::string>>& records) {
  const auto little = [](std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  int recordSize = 1;
  for (const auto& field : fields)
    recordSize += field.second;
  const int headerSize = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string table(1, '\x03');
  table += std::string("\x7A\x0C\x0A", 3);
  little(table, static_cast<std::uint32_t>(records.size()), 4);
  little(table, static_cast<std::uint32_t>(headerSize), 2);
  little(table, static_cast<std::uint32_t>(recordSize), 2);
  table.resize(32, '\0');
  for (const auto& [name, width] : fields) {
    std::string descriptor = name;
    descriptor.resize(11, '\0');
    descriptor += 'C';
    descriptor.resize(16, '\0');
    descriptor.push_back(static_cast<char>(width));
    descriptor.resize(32, '\0');
    table += descriptor;
  }
  table.push_back('\x0D');
  for (const auto& record : records) {
    table.push_back(' ');
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string value = i < record.size() ? record[i] : std::string();
      value.resize(static_cast<std::size_t>(fields[i].second), ' ');
      table += value;
    }
  }
  table.push_back('\x1A');
  return table;
}
