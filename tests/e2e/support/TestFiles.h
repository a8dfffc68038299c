// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace e2e {

// The test's own temporary folder (removed with everything in it at the end), which
// also hands out fresh names for one-off output files.
class TScratchFolder : public ::TTempFolder {
public:
  // A new unique path inside the folder (not created).
  std::filesystem::path UniquePath(std::string_view stem);

private:
  unsigned FCounter = 0;
};

std::string ReadFileOrEmpty(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes); // throws

// Bytes that differ from position to position, so a lost, repeated or reordered
// block shows up in a comparison.
std::string PatternBytes(std::size_t size, std::uint32_t seed);
std::string Sha256Hex(std::string_view bytes);

} // namespace e2e
