// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DateTime.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the program and the update program say to each other over the two message
// channels: the start channel names the run channel; on the run channel the update
// program asks for its settings (256) and reports its end (257). Numbers are
// little-endian; a string is a 32-bit signed length and its bytes.
namespace UpdateChannels {

inline constexpr std::string_view StartChannelName = "ZK_OnlineUpdate_StartIPC";
inline constexpr std::int32_t SettingsRequest = 256;
inline constexpr std::int32_t CompletionReport = 257;
inline constexpr std::size_t RunChannelNameLength = 32;
// The completion report's fixed record; shorter ones are not read.
inline constexpr std::size_t CompletionRecordSize = 32;

// The values of the settings answer, in the order they are sent.
struct TIPCSettings {
  std::string Language;        // 2
  std::string ProgramFolder;   // 3, with its trailing separator
  std::string ProductName;     // 4
  std::string DataFolder;      // 5
  std::string ProgramFolder2;  // 6
  std::string ProxyHost;       // 7
  std::string ProxyUser;       // 8
  std::string ProxyPassword;   // 9
  std::int32_t ProxyPort = 0;  // 10
  std::string ProductName2;    // 11
  std::string ProductVersion;  // 12
  std::string UpdateAddress;   // 13, ends with "/OU/"
  std::string IgnoreListName;  // 14
  std::string InstalledList;   // 15: the file naming what the update installed
  std::uint8_t Unattended = 0; // 16: 1 when nobody can answer the update program's questions
  std::int32_t ProcessId = 0;  // 17: this program's process, for the update program to wait on
  std::string RunChannel;      // 18: the run channel's name
  bool operator==(const TIPCSettings&) const = default;
};

// The run channel's name: process number, product name (ASCII letters and digits
// only) and the time "mmyyyyddhhnnss", repeated with a fresh time until there are
// 32 characters, then cut to 32.
std::string RunChannelName(long processNumber, std::string_view productName,
                           const std::function<std::tm()>& localNow);

// The settings answer as a stream, opened by the command code 256.
std::vector<std::uint8_t> EncodeSettings(const TIPCSettings& settings);
// The stream read back; nothing when it is cut short or does not open with 256.
std::optional<TIPCSettings> DecodeSettings(std::span<const std::uint8_t> stream);
// Writes the answer into the caller's buffer: the whole stream when it fits, else
// only its length as a 32-bit number (the update program then asks again).
void WriteSettingsAnswer(std::span<const std::uint8_t> stream, std::span<std::uint8_t> answer);
// The start channel's answer: the run channel's name and a zero byte, cut to the buffer.
void WriteStartAnswer(std::string_view runChannel, std::span<std::uint8_t> answer);

// The command code a run-channel message opens with; nothing for fewer than 4 bytes.
std::optional<std::int32_t> CommandOf(std::span<const std::uint8_t> message);

struct TCompletion {
  bool RestartNeeded = false;
  bool Updated = false;
  std::uint8_t Reserved = 0; // offset 6, not used
  double UpdateDate = 0;     // as reported; see AcceptedUpdateDate
};
std::vector<std::uint8_t> EncodeCompletion(const TCompletion& completion);
// Nothing for a record shorter than 32 bytes or with another command code.
std::optional<TCompletion> DecodeCompletion(std::span<const std::uint8_t> message);
// A reported date is kept only when it is a finite date from 2000-01-01 up to
// tomorrow; anything else becomes now.
TDateTime AcceptedUpdateDate(double reported, TDateTime now);

} // namespace UpdateChannels
