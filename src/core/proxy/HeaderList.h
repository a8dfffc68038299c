// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Ordered header lines "Name: value". Names compare without regard to ASCII case;
// a missing name reads as empty; setting a non-empty value replaces the first line
// of that name or appends one, setting an empty value deletes that line.
class THeaderList {
public:
  THeaderList() = default;
  explicit THeaderList(std::vector<std::string> lines) : FLines(std::move(lines)) {}

  std::string Value(std::string_view name) const;
  void SetValue(std::string_view name, std::string_view value);
  // Removes every line of that name.
  void Delete(std::string_view name);

  // Every line followed by CR LF.
  std::string Text() const;
  // The size of Text().
  std::size_t TextSize() const;
  // Text() added to out, which grows once at most.
  void AppendText(std::string& out) const;
  // How many lines have that name.
  std::size_t CountOf(std::string_view name) const;
  std::size_t Count() const { return FLines.size(); }
  const std::string& operator[](std::size_t index) const { return FLines[index]; }
  std::string& operator[](std::size_t index) { return FLines[index]; }
  void Insert(std::size_t index, std::string line) {
    FLines.insert(FLines.begin() + static_cast<long>(index), std::move(line));
  }
  const std::vector<std::string>& Lines() const { return FLines; }

private:
  std::size_t IndexOfName(std::string_view name) const;

  std::vector<std::string> FLines;
};
