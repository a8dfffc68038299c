// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Fuzz inputs stay short, yet the limits worth reaching (64 KiB lines, 256 header
// lines, bodies over one relay block) need long ones: the byte RepeatMark followed
// by a 16-bit count and a byte stands for that byte repeated 2 * count times.
namespace fuzzinput {

constexpr unsigned char RepeatMark = 0xFE;
constexpr std::size_t MaxExpanded = 1024 * 1024;

inline std::string Expand(const std::uint8_t* data, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size && out.size() < MaxExpanded; ++i) {
    if (data[i] == RepeatMark && i + 3 < size) {
      const std::size_t count = 2 * ((std::size_t{data[i + 1]} << 8) | data[i + 2]);
      out.append(std::min(count, MaxExpanded - out.size()), static_cast<char>(data[i + 3]));
      i += 3;
    } else {
      out.push_back(static_cast<char>(data[i]));
    }
  }
  return out;
}

} // namespace fuzzinput
