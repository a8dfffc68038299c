// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Edits of one member of a JSON object held as text, leaving every other byte of
// the text as it was: another program's settings file keeps its other keys, their
// order and its formatting. Text that is not an object gives nullopt.

// The member's value exactly as it is written.
std::optional<std::string> MemberText(std::string_view object, std::string_view name);
// The member's value when it is a string, unescaped.
std::optional<std::string> MemberString(std::string_view object, std::string_view name);
// The object with the member's value replaced by `value` (JSON text), or the member
// appended when there is none.
std::optional<std::string> SetMember(std::string_view object, std::string_view name,
                                     std::string_view value);
// The object without the member (unchanged when there is none).
std::optional<std::string> RemoveMember(std::string_view object, std::string_view name);
// The names of the object's members, in order.
std::optional<std::vector<std::string>> MemberNames(std::string_view object);
// `text` as a JSON string literal.
std::string JsonQuote(std::string_view text);
