// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerReport.h"

TCleanReport::TEntry& TCleanReport::EntryOf(std::string_view option) {
  for (TEntry& entry : FEntries) {
    if (entry.Option == option)
      return entry;
  }
  FEntries.push_back({std::string(option), {}});
  return FEntries.back();
}

void TCleanReport::Touch(std::string_view option) {
  EntryOf(option);
}

void TCleanReport::Add(std::string_view option, std::uint64_t items, std::uint64_t bytes) {
  TEntry& entry = EntryOf(option);
  entry.Tally.Items += items;
  entry.Tally.Bytes += bytes;
}

TCleanTally TCleanReport::Of(std::string_view option) const {
  for (const TEntry& entry : FEntries) {
    if (entry.Option == option)
      return entry.Tally;
  }
  return {};
}
