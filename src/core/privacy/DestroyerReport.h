// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What one option removed: files and database rows or registry entries, and the
// bytes of the files and of the rows' contents.
struct TCleanTally {
  std::uint64_t Items = 0;
  std::uint64_t Bytes = 0;
};

// The tallies of one cleaner run per option, in the order the options first ran.
class TCleanReport {
public:
  struct TEntry {
    std::string Option;
    TCleanTally Tally;
  };

  // Counts the option as run even when it removed nothing.
  void Touch(std::string_view option);
  void Add(std::string_view option, std::uint64_t items, std::uint64_t bytes);
  const std::vector<TEntry>& Entries() const { return FEntries; }
  TCleanTally Of(std::string_view option) const;

private:
  TEntry& EntryOf(std::string_view option);

  std::vector<TEntry> FEntries;
};
