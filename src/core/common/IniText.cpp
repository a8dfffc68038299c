// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/IniText.h"

#include "common/AsciiText.h"

#include <algorithm>

namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "[Name]" -> "Name"; false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[')
    return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos)
    return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

TIniText::TIniText(std::string_view text) {
  bool endingSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    TLine line;
    if (end == std::string_view::npos) {
      line.Content = text;
      text = {};
    } else {
      line.Content = text.substr(0, end);
      line.Ending = "\n";
      if (!line.Content.empty() && line.Content.back() == '\r') {
        line.Content.pop_back();
        line.Ending = "\r\n";
      }
      if (!endingSeen)
        FNewLine = line.Ending;
      endingSeen = true;
      text.remove_prefix(end + 1);
    }
    FLines.push_back(std::move(line));
  }
}

std::size_t TIniText::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    std::string_view name;
    if (SectionName(FLines[i].Content, name) && SameTextASCII(name, section))
      return i;
  }
  return std::string::npos;
}

std::size_t TIniText::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  std::string_view name;
  while (i < FLines.size() && !SectionName(FLines[i].Content, name))
    ++i;
  return i;
}

std::size_t TIniText::FindKey(std::size_t header, std::string_view key) const {
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::string_view line = FLines[i].Content;
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos && !IsComment(line) &&
        SameTextASCII(Trim(line.substr(0, equals)), key)) {
      return i;
    }
  }
  return std::string::npos;
}

std::string TIniText::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const std::size_t header = FindSection(section);
  const std::size_t line = header == std::string::npos ? header : FindKey(header, key);
  if (line == std::string::npos)
    return std::string(defaultValue);
  const std::string_view content = FLines[line].Content;
  std::string_view value = Trim(content.substr(content.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool TIniText::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      Trim(key).empty()) {
    return false;
  }
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) {
    if (!FLines.empty() && FLines.back().Ending.empty())
      FLines.back().Ending = FNewLine;
    FLines.push_back({"[" + std::string(section) + "]", FNewLine});
    FLines.push_back({std::string(key) + "=" + std::string(value), FNewLine});
    return true;
  }
  if (const std::size_t line = FindKey(header, key); line != std::string::npos) {
    // Keep the key and its "=" as the file spells them.
    std::string& content = FLines[line].Content;
    content = content.substr(0, content.find('=') + 1) + std::string(value);
    return true;
  }
  // A new key goes after the section's last entry, before blank lines that
  // separate it from the next section.
  std::size_t insert = SectionEnd(header);
  while (insert > header + 1 && Trim(FLines[insert - 1].Content).empty())
    --insert;
  if (FLines[insert - 1].Ending.empty())
    FLines[insert - 1].Ending = FNewLine;
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insert),
                TLine{std::string(key) + "=" + std::string(value), FNewLine});
  return true;
}

bool TIniText::DeleteKey(std::string_view section, std::string_view key) {
  const std::size_t header = FindSection(section);
  const std::size_t line = header == std::string::npos ? header : FindKey(header, key);
  if (line == std::string::npos)
    return false;
  FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(line));
  return true;
}

std::string TIniText::Text() const {
  std::string text;
  for (const TLine& line : FLines)
    text += line.Content + line.Ending;
  return text;
}
