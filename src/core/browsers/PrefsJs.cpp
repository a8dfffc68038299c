// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PrefsJs.h"

#include <algorithm>

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The rest of the line after `user_pref("key"`, when the line is that key's line.
std::optional<std::string_view> AfterKey(std::string_view line, std::string_view key) {
  constexpr std::string_view Call = "user_pref(";
  line = TrimBlanks(line);
  if (!line.starts_with(Call))
    return std::nullopt;
  line = TrimBlanks(line.substr(Call.size()));
  if (line.size() < key.size() + 2 || line.front() != '"' || line.substr(1, key.size()) != key ||
      line[key.size() + 1] != '"') {
    return std::nullopt;
  }
  std::string_view rest = TrimBlanks(line.substr(key.size() + 2));
  if (!rest.starts_with(','))
    return std::nullopt;
  return rest.substr(1);
}

bool IsWholeNumber(std::string_view value) {
  if (value.starts_with('-'))
    value.remove_prefix(1);
  return !value.empty() &&
         std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

TPrefsJs ParsePrefsJs(std::string_view text) {
  TPrefsJs prefs;
  bool endingSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      prefs.Lines.emplace_back(text);
      prefs.FinalNewLine = false;
      break;
    }
    std::string_view line = text.substr(0, end);
    const bool crlf = line.ends_with('\r');
    if (crlf)
      line.remove_suffix(1);
    if (!endingSeen)
      prefs.NewLine = crlf ? "\r\n" : "\n";
    endingSeen = true;
    prefs.Lines.emplace_back(line);
    text.remove_prefix(end + 1);
  }
  return prefs;
}

std::string PrefsJsText(const TPrefsJs& prefs) {
  std::string text;
  for (std::size_t i = 0; i < prefs.Lines.size(); ++i) {
    text += prefs.Lines[i];
    if (i + 1 < prefs.Lines.size() || prefs.FinalNewLine)
      text += prefs.NewLine;
  }
  return text;
}

std::optional<std::size_t> FindPrefLine(const TPrefsJs& prefs, std::string_view key) {
  for (std::size_t i = 0; i < prefs.Lines.size(); ++i) {
    if (AfterKey(prefs.Lines[i], key))
      return i;
  }
  return std::nullopt;
}

std::string ReadPref(const TPrefsJs& prefs, std::string_view key) {
  const auto index = FindPrefLine(prefs, key);
  if (!index)
    return {};
  const std::string_view value = *AfterKey(prefs.Lines[*index], key);
  if (const std::size_t quote = value.find('"'); quote != std::string_view::npos) {
    const std::size_t close = value.find('"', quote + 1);
    return std::string(value.substr(
        quote + 1, close == std::string_view::npos ? std::string_view::npos : close - quote - 1));
  }
  return std::string(TrimBlanks(value.substr(0, value.find(");"))));
}

std::string PrefLine(std::string_view key, std::string_view value) {
  std::string line = "user_pref(\"";
  line += key;
  line += "\", ";
  if (IsWholeNumber(value)) {
    line += value;
  } else {
    line += '"';
    line += value;
    line += '"';
  }
  line += ");";
  return line;
}

bool SetPref(TPrefsJs& prefs, std::string_view key, std::string_view value) {
  if (FindPrefLine(prefs, key) && ReadPref(prefs, key) == value)
    return false;
  ReplacePrefLine(prefs, key, PrefLine(key, value));
  return true;
}

void ReplacePrefLine(TPrefsJs& prefs, std::string_view key, std::string line) {
  if (const auto index = FindPrefLine(prefs, key)) {
    prefs.Lines[*index] = std::move(line);
    return;
  }
  // A last line without an ending gets one before the new line follows it.
  prefs.FinalNewLine = true;
  prefs.Lines.push_back(std::move(line));
}

bool DeletePref(TPrefsJs& prefs, std::string_view key) {
  const auto index = FindPrefLine(prefs, key);
  if (!index)
    return false;
  prefs.Lines.erase(prefs.Lines.begin() + static_cast<std::ptrdiff_t>(*index));
  return true;
}
