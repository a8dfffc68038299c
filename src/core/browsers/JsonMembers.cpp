// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/JsonMembers.h"

#include <cstddef>

namespace {

constexpr std::size_t Bad = std::string_view::npos;

// One member of an object: where its key starts and where its value lies.
struct TMember {
  std::string Name;
  std::size_t KeyStart = 0;
  std::size_t ValueStart = 0;
  std::size_t ValueEnd = 0;
};

struct TObject {
  std::size_t Open = 0;  // the "{"
  std::size_t Close = 0; // the "}"
  std::vector<TMember> Members;
};

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() &&
         (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
    ++at;
  return at;
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A string starting at `at` (its opening quote); returns the index past its closing
// quote and, when asked, its unescaped text (\u escapes beyond the BMP stay as two
// units: nothing here compares such names).
std::size_t ScanString(std::string_view text, std::size_t at, std::string* value) {
  if (at >= text.size() || text[at] != '"')
    return Bad;
  for (++at; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"')
      return at + 1;
    if (c != '\\') {
      if (value != nullptr)
        *value += c;
      continue;
    }
    if (++at >= text.size())
      return Bad;
    const char escaped = text[at];
    if (escaped == 'u') {
      if (at + 4 >= text.size())
        return Bad;
      unsigned code = 0;
      for (std::size_t i = 1; i <= 4; ++i) {
        const char h = text[at + i];
        code <<= 4;
        if (h >= '0' && h <= '9')
          code |= static_cast<unsigned>(h - '0');
        else if (h >= 'a' && h <= 'f')
          code |= static_cast<unsigned>(h - 'a' + 10);
        else if (h >= 'A' && h <= 'F')
          code |= static_cast<unsigned>(h - 'A' + 10);
        else
          return Bad;
      }
      at += 4;
      if (value != nullptr)
        AppendUtf8(*value, code);
      continue;
    }
    if (value == nullptr)
      continue;
    switch (escaped) {
    case 'n':
      *value += '\n';
      break;
    case 't':
      *value += '\t';
      break;
    case 'r':
      *value += '\r';
      break;
    case 'b':
      *value += '\b';
      break;
    case 'f':
      *value += '\f';
      break;
    default:
      *value += escaped;
      break;
    }
  }
  return Bad;
}

std::size_t SkipValue(std::string_view text, std::size_t at, int depth = 0);

std::size_t SkipContainer(std::string_view text, std::size_t at, char close, int depth) {
  const bool object = close == '}';
  at = SkipBlanks(text, at + 1);
  if (at < text.size() && text[at] == close)
    return at + 1;
  while (at < text.size()) {
    if (object) {
      at = ScanString(text, at, nullptr);
      if (at == Bad)
        return Bad;
      at = SkipBlanks(text, at);
      if (at >= text.size() || text[at] != ':')
        return Bad;
      at = SkipBlanks(text, at + 1);
    }
    at = SkipValue(text, at, depth + 1);
    if (at == Bad)
      return Bad;
    at = SkipBlanks(text, at);
    if (at >= text.size())
      return Bad;
    if (text[at] == close)
      return at + 1;
    if (text[at] != ',')
      return Bad;
    at = SkipBlanks(text, at + 1);
  }
  return Bad;
}

std::size_t SkipValue(std::string_view text, std::size_t at, int depth) {
  // Deeper nesting than any settings file has is taken for damage, not recursed into.
  constexpr int MaxDepth = 200;
  if (at >= text.size() || depth > MaxDepth)
    return Bad;
  switch (text[at]) {
  case '"':
    return ScanString(text, at, nullptr);
  case '{':
    return SkipContainer(text, at, '}', depth);
  case '[':
    return SkipContainer(text, at, ']', depth);
  default: {
    const std::size_t start = at;
    while (at < text.size() && text[at] != ',' && text[at] != '}' && text[at] != ']' &&
           text[at] != ' ' && text[at] != '\t' && text[at] != '\n' && text[at] != '\r')
      ++at;
    return at == start ? Bad : at;
  }
  }
}

std::optional<TObject> ScanObject(std::string_view text) {
  TObject object;
  std::size_t at = SkipBlanks(text, 0);
  if (at >= text.size() || text[at] != '{')
    return std::nullopt;
  object.Open = at;
  at = SkipBlanks(text, at + 1);
  if (at < text.size() && text[at] == '}') {
    object.Close = at;
  } else {
    while (true) {
      TMember member;
      member.KeyStart = at;
      at = ScanString(text, at, &member.Name);
      if (at == Bad)
        return std::nullopt;
      at = SkipBlanks(text, at);
      if (at >= text.size() || text[at] != ':')
        return std::nullopt;
      member.ValueStart = SkipBlanks(text, at + 1);
      member.ValueEnd = SkipValue(text, member.ValueStart);
      if (member.ValueEnd == Bad)
        return std::nullopt;
      object.Members.push_back(std::move(member));
      at = SkipBlanks(text, object.Members.back().ValueEnd);
      if (at >= text.size())
        return std::nullopt;
      if (text[at] == '}') {
        object.Close = at;
        break;
      }
      if (text[at] != ',')
        return std::nullopt;
      at = SkipBlanks(text, at + 1);
    }
  }
  // Only blanks may follow the object.
  if (SkipBlanks(text, object.Close + 1) != text.size())
    return std::nullopt;
  return object;
}

const TMember* FindMember(const TObject& object, std::string_view name) {
  for (const TMember& member : object.Members) {
    if (member.Name == name)
      return &member;
  }
  return nullptr;
}

} // namespace

std::optional<std::string> MemberText(std::string_view object, std::string_view name) {
  const auto scanned = ScanObject(object);
  if (!scanned)
    return std::nullopt;
  const TMember* member = FindMember(*scanned, name);
  if (member == nullptr)
    return std::nullopt;
  return std::string(object.substr(member->ValueStart, member->ValueEnd - member->ValueStart));
}

std::optional<std::string> MemberString(std::string_view object, std::string_view name) {
  const auto text = MemberText(object, name);
  if (!text || text->empty() || text->front() != '"')
    return std::nullopt;
  std::string value;
  if (ScanString(*text, 0, &value) != text->size())
    return std::nullopt;
  return value;
}

std::optional<std::string> SetMember(std::string_view object, std::string_view name,
                                     std::string_view value) {
  const auto scanned = ScanObject(object);
  if (!scanned)
    return std::nullopt;
  std::string result(object);
  if (const TMember* member = FindMember(*scanned, name)) {
    result.replace(member->ValueStart, member->ValueEnd - member->ValueStart, value);
    return result;
  }
  std::string added = JsonQuote(name) + ":" + std::string(value);
  if (!scanned->Members.empty()) {
    result.insert(scanned->Members.back().ValueEnd, "," + added);
  } else {
    result.insert(scanned->Close, added);
  }
  return result;
}

std::optional<std::string> RemoveMember(std::string_view object, std::string_view name) {
  const auto scanned = ScanObject(object);
  if (!scanned)
    return std::nullopt;
  std::string result(object);
  const auto& members = scanned->Members;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (members[i].Name != name)
      continue;
    // The member goes with the comma that joins it to its neighbour.
    std::size_t from = members[i].KeyStart;
    std::size_t to = members[i].ValueEnd;
    if (i + 1 < members.size()) {
      to = members[i + 1].KeyStart;
    } else if (i > 0) {
      from = members[i - 1].ValueEnd;
    }
    result.erase(from, to - from);
    return result;
  }
  return result;
}

std::optional<std::vector<std::string>> MemberNames(std::string_view object) {
  const auto scanned = ScanObject(object);
  if (!scanned)
    return std::nullopt;
  std::vector<std::string> names;
  for (const TMember& member : scanned->Members)
    names.push_back(member.Name);
  return names;
}

std::string JsonQuote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      constexpr char Hex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += Hex[(c >> 4) & 0xF];
      quoted += Hex[c & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}
