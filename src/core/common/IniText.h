// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text of an ini file, read and edited in memory. Section and key names
// compare without regard to ASCII case. Writing changes or adds one line and
// keeps every other line, comments and line endings as they were.
class TIniText {
public:
  explicit TIniText(std::string_view text);

  // The value of the first matching key in the first matching section, blanks
  // and one pair of enclosing quotes removed; defaultValue when there is none.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // False, leaving the text as it was, for names or values that would break the
  // file's lines (line breaks, "=" in a key, "]" in a section).
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's first line from the section; false when there is none.
  bool DeleteKey(std::string_view section, std::string_view key);
  std::string Text() const;

private:
  struct TLine {
    std::string Content; // without its line ending
    std::string Ending;  // "\n", "\r\n" or "" for a last line without one
  };
  // Index of the section's header line, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index past the section's last line (the next header or the end).
  std::size_t SectionEnd(std::size_t header) const;
  std::size_t FindKey(std::size_t header, std::string_view key) const;

  std::vector<TLine> FLines;
  std::string FNewLine = "\n";
};
