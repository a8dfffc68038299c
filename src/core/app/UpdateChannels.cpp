// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateChannels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace UpdateChannels {

namespace {

constexpr std::size_t UpdateDateOffset = 24;

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

void PutString(std::vector<std::uint8_t>& out, std::string_view text) {
  PutInt32(out, static_cast<std::int32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

std::int32_t Int32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i)
    bits = (bits << 8) | bytes[offset + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(bits);
}

// Reads the stream front to back; any read past its end marks it broken.
class TReader {
public:
  explicit TReader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
  std::int32_t Int32() {
    if (FBroken || FBytes.size() - FOffset < 4) {
      FBroken = true;
      return 0;
    }
    const std::int32_t value = Int32At(FBytes, FOffset);
    FOffset += 4;
    return value;
  }
  std::uint8_t Byte() {
    if (FBroken || FOffset >= FBytes.size()) {
      FBroken = true;
      return 0;
    }
    return FBytes[FOffset++];
  }
  std::string String() {
    const std::int32_t length = Int32();
    if (FBroken || length < 0 || FBytes.size() - FOffset < static_cast<std::size_t>(length)) {
      FBroken = true;
      return {};
    }
    std::string text(reinterpret_cast<const char*>(FBytes.data() + FOffset),
                     static_cast<std::size_t>(length));
    FOffset += static_cast<std::size_t>(length);
    return text;
  }
  bool Broken() const { return FBroken; }

private:
  std::span<const std::uint8_t> FBytes;
  std::size_t FOffset = 0;
  bool FBroken = false;
};

} // namespace

std::string RunChannelName(long processNumber, std::string_view productName,
                           const std::function<std::tm()>& localNow) {
  std::string product;
  for (const char c : productName) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      product += c;
  }
  std::string name;
  while (name.size() < RunChannelNameLength) {
    const std::tm now = localNow();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%04d%02d%02d%02d%02d", now.tm_mon + 1,
                  now.tm_year + 1900, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    name += std::to_string(processNumber) + product + stamp;
  }
  return name.substr(0, RunChannelNameLength);
}

std::vector<std::uint8_t> EncodeSettings(const TIPCSettings& s) {
  std::vector<std::uint8_t> out;
  PutInt32(out, SettingsRequest);
  for (const std::string* text :
       {&s.Language, &s.ProgramFolder, &s.ProductName, &s.DataFolder, &s.ProgramFolder2,
        &s.ProxyHost, &s.ProxyUser, &s.ProxyPassword}) {
    PutString(out, *text);
  }
  PutInt32(out, s.ProxyPort);
  for (const std::string* text : {&s.ProductName2, &s.ProductVersion, &s.UpdateAddress,
                                  &s.IgnoreListName, &s.InstalledList}) {
    PutString(out, *text);
  }
  out.push_back(s.Unattended);
  PutInt32(out, s.ProcessId);
  PutString(out, s.RunChannel);
  return out;
}

std::optional<TIPCSettings> DecodeSettings(std::span<const std::uint8_t> stream) {
  TReader reader(stream);
  if (reader.Int32() != SettingsRequest)
    return std::nullopt;
  TIPCSettings s;
  for (std::string* text : {&s.Language, &s.ProgramFolder, &s.ProductName, &s.DataFolder,
                            &s.ProgramFolder2, &s.ProxyHost, &s.ProxyUser, &s.ProxyPassword}) {
    *text = reader.String();
  }
  s.ProxyPort = reader.Int32();
  for (std::string* text : {&s.ProductName2, &s.ProductVersion, &s.UpdateAddress, &s.IgnoreListName,
                            &s.InstalledList}) {
    *text = reader.String();
  }
  s.Unattended = reader.Byte();
  s.ProcessId = reader.Int32();
  s.RunChannel = reader.String();
  if (reader.Broken())
    return std::nullopt;
  return s;
}

void WriteSettingsAnswer(std::span<const std::uint8_t> stream, std::span<std::uint8_t> answer) {
  if (stream.size() <= answer.size()) {
    std::copy(stream.begin(), stream.end(), answer.begin());
    return;
  }
  std::vector<std::uint8_t> length;
  PutInt32(length, static_cast<std::int32_t>(stream.size()));
  std::copy_n(length.begin(), std::min(length.size(), answer.size()), answer.begin());
}

void WriteStartAnswer(std::string_view runChannel, std::span<std::uint8_t> answer) {
  std::string text(runChannel);
  text += '\0';
  std::copy_n(text.begin(), std::min(text.size(), answer.size()), answer.begin());
}

std::optional<std::int32_t> CommandOf(std::span<const std::uint8_t> message) {
  if (message.size() < 4)
    return std::nullopt;
  return Int32At(message, 0);
}

std::vector<std::uint8_t> EncodeCompletion(const TCompletion& completion) {
  std::vector<std::uint8_t> out;
  PutInt32(out, CompletionReport);
  out.push_back(completion.RestartNeeded ? 1 : 0);
  out.push_back(completion.Updated ? 1 : 0);
  out.push_back(completion.Reserved);
  out.resize(UpdateDateOffset, 0);
  const auto bits = std::bit_cast<std::uint64_t>(completion.UpdateDate);
  for (int shift = 0; shift < 64; shift += 8)
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
  return out;
}

std::optional<TCompletion> DecodeCompletion(std::span<const std::uint8_t> message) {
  if (message.size() < CompletionRecordSize || CommandOf(message) != CompletionReport)
    return std::nullopt;
  TCompletion completion;
  completion.RestartNeeded = message[4] != 0;
  completion.Updated = message[5] != 0;
  completion.Reserved = message[6];
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | message[UpdateDateOffset + static_cast<std::size_t>(i)];
  completion.UpdateDate = std::bit_cast<double>(bits);
  return completion;
}

TDateTime AcceptedUpdateDate(double reported, TDateTime now) {
  const TDateTime earliest = EncodeDateTime(2000, 1, 1, 0, 0, 0);
  const TDateTime latest = std::floor(now) + 2; // up to the end of tomorrow
  if (!std::isfinite(reported) || reported < earliest || reported >= latest)
    return now;
  return reported;
}

} // namespace UpdateChannels
