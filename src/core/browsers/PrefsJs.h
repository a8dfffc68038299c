// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A Mozilla "prefs.js" as lines. Only `user_pref(` lines whose first argument is
// the key in double quotes count as that key's line: a comment or a pref whose
// value mentions the key is never read or replaced.
struct TPrefsJs {
  std::vector<std::string> Lines; // without their endings
  // The file's own line ending, kept when it is saved; a new or one-line file gets CR LF.
  std::string NewLine = "\r\n";
  bool FinalNewLine = true;
};

TPrefsJs ParsePrefsJs(std::string_view text);
std::string PrefsJsText(const TPrefsJs& prefs);

// The index of the key's line, if any.
std::optional<std::size_t> FindPrefLine(const TPrefsJs& prefs, std::string_view key);
// The value of the key's line: the string between the first pair of double quotes
// after the key, else the text before ");", trimmed. Empty without a line.
std::string ReadPref(const TPrefsJs& prefs, std::string_view key);
// `user_pref("key", value);` with the value bare when it is a whole number and in
// double quotes otherwise.
std::string PrefLine(std::string_view key, std::string_view value);
// Writes the key's line unless its value already reads `value`: in place when the
// key has a line, else appended. Returns whether the lines changed.
bool SetPref(TPrefsJs& prefs, std::string_view key, std::string_view value);
// Puts `line` in place of the key's line, or appends it when the key has none.
void ReplacePrefLine(TPrefsJs& prefs, std::string_view key, std::string line);
// Removes the key's line; returns whether there was one.
bool DeletePref(TPrefsJs& prefs, std::string_view key);
