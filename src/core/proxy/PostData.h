// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TTCPConnection;

// A request body on its way to the upstream: held in memory up to MaxInMemory
// bytes, spooled to an unnamed temporary file beyond that.
class TPostData {
public:
  static constexpr std::uint64_t MaxInMemory = 8 * 1024 * 1024;

  TPostData() = default;
  ~TPostData();
  TPostData(const TPostData&) = delete;
  TPostData& operator=(const TPostData&) = delete;

  void Append(std::string_view bytes);
  // Replaces the whole body (for event receivers that rewrite it).
  void Assign(std::string_view bytes);
  std::uint64_t Size() const { return FSize; }
  bool Spooled() const { return FFile >= 0; }
  // The body as text; reads the temporary file back when spooled.
  std::string ReadAll() const;
  void WriteTo(TTCPConnection& connection) const;

private:
  void Spool();

  std::string FMemory;
  int FFile = -1;
  std::uint64_t FSize = 0;
};
