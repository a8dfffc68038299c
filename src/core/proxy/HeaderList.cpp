// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/HeaderList.h"

#include <algorithm>
#include <strings.h>

namespace {

bool HasName(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         ::strncasecmp(line.data(), name.data(), name.size()) == 0;
}

} // namespace

std::size_t THeaderList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (HasName(FLines[i], name)) {
      return i;
    }
  }
  return FLines.size();
}

std::string THeaderList::Value(std::string_view name) const {
  const std::size_t index = IndexOfName(name);
  if (index == FLines.size()) {
    return {};
  }
  std::string_view value = std::string_view(FLines[index]).substr(name.size() + 1);
  const std::size_t begin = value.find_first_not_of(" \t");
  if (begin == std::string_view::npos) {
    return {};
  }
  value = value.substr(begin);
  return std::string(value.substr(0, value.find_last_not_of(" \t") + 1));
}

void THeaderList::SetValue(std::string_view name, std::string_view value) {
  const std::size_t index = IndexOfName(name);
  if (value.empty()) {
    if (index < FLines.size()) {
      FLines.erase(FLines.begin() + static_cast<long>(index));
    }
    return;
  }
  std::string line;
  line.reserve(name.size() + 2 + value.size());
  line.append(name).append(": ").append(value);
  if (index < FLines.size()) {
    FLines[index] = std::move(line);
  } else {
    FLines.push_back(std::move(line));
  }
}

void THeaderList::Delete(std::string_view name) {
  std::erase_if(FLines, [name](const std::string& line) { return HasName(line, name); });
}

std::size_t THeaderList::CountOf(std::string_view name) const {
  return static_cast<std::size_t>(
      std::count_if(FLines.begin(), FLines.end(),
                    [name](const std::string& line) { return HasName(line, name); }));
}

std::size_t THeaderList::TextSize() const {
  std::size_t size = 0;
  for (const std::string& line : FLines) {
    size += line.size() + 2;
  }
  return size;
}

void THeaderList::AppendText(std::string& out) const {
  out.reserve(out.size() + TextSize());
  for (const std::string& line : FLines) {
    out.append(line).append("\r\n");
  }
}

std::string THeaderList::Text() const {
  std::string text;
  AppendText(text);
  return text;
}
