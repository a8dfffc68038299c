// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The dial-up phonebook: one entry per pppd peer file. An entry's telephone number
// is what its connect script dials, with all blanks removed, or the entry's name
// when the script names no number.

struct TPhonebookEntry {
  std::string Name;
  std::string TelephoneNumber;

  bool operator==(const TPhonebookEntry&) const = default;
};

// The phonebook lists at most this many entries, the first ones in name order.
inline constexpr std::size_t MaxPhonebookEntries = 100;

// $QUORVANE_PPP_PEERS when set and not empty, else /etc/ppp/peers.
std::filesystem::path PppPeersFolder();

// The regular files of folder (hidden files and editor back-ups "name~" left out),
// in name order. A missing or unreadable folder gives an empty phonebook.
std::vector<TPhonebookEntry> ReadPhonebook(const std::filesystem::path& folder);

// The number a peer file's "connect" option dials: the argument of chat's "-T"
// option, else what follows an "ATD" dial command (its tone or pulse letter
// dropped), blanks removed. Empty when the file names none.
std::string PeerTelephoneNumber(std::string_view peerFileText);
