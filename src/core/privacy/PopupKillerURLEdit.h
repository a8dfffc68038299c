// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// The edits of the popup killer's list editor. answer is the input box's text,
// nullopt when it was cancelled. Entries are kept as typed.

// "Neu": appends a non-empty answer the list lacks (letter case aside). False,
// and the list unchanged, for a cancelled, empty or known answer: the caller
// shows "Dieser Eintrag existiert bereits oder ist ungültig.".
bool URLEditNew(std::vector<std::string>& list, const std::optional<std::string>& answer);
// "Ändern": a non-empty answer replaces the entry (duplicates allowed); cancelled
// changes nothing. False only for an empty answer, which gets the same error.
bool URLEditChange(std::vector<std::string>& list, std::size_t index,
                   const std::optional<std::string>& answer);
