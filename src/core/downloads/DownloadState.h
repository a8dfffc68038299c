// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// The state of one download as stored in its record.
enum class TDownloadState : std::uint8_t {
  Waiting = 0,
  Running = 1,
  Paused = 2,
  Complete = 3,
  Error = 4,
};
inline constexpr std::uint8_t MaxDownloadState = 4;

// One download as the list keeps and stores it.
struct TDownloadRecord {
  std::string URL;
  std::string FileName;
  std::string Message; // error text of state 4; "Aborted" after a stopped transfer
  std::int64_t TotalSize = 0;
  TDownloadState State = TDownloadState::Waiting;

  bool operator==(const TDownloadRecord&) const = default;
};

// "Download beginnt", ..., "Fehler: " + message.
std::string DownloadStateText(TDownloadState state, const std::string& message);
