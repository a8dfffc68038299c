// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connmon/PollTimer.h"
#include "platform/Registry.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// One ISDN B channel's record as a call-charge counter writes it.
inline constexpr std::size_t CAPIConnectInfoSize = 522;
// Both channels' records, the binary value the counter keeps in the registry.
inline constexpr std::size_t CAPIConnectInfoArraySize = 2 * CAPIConnectInfoSize;
using TCAPIConnectInfoArray = std::array<std::uint8_t, CAPIConnectInfoArraySize>;
using TCAPIConnectInfo = std::span<const std::uint8_t, CAPIConnectInfoSize>;

// Where the call-charge counter writes the records, below HKEY_CURRENT_USER.
inline constexpr std::string_view CAPITraceKey = "Software\\Torvimsk Software\\Ohmtrack\\FRITZ!web";
inline constexpr std::string_view CAPITraceValue = "Data";

// The ISDN watcher: reads the counter's records every 500 ms on the main thread and
// reports when channel 1 (or a bundled channel 2) connects and when channel 1 ends.
class TCAPITraceReg {
public:
  using TConnectEvent =
      std::function<void(TCAPITraceReg& sender, TCAPIConnectInfo record, int channel)>;
  using TDisconnectEvent = std::function<void(TCAPITraceReg& sender, int channel, int reason)>;

  static constexpr std::chrono::milliseconds PollInterval{500};
  // The reason a channel-1 disconnect carries.
  static constexpr int DisconnectReason = 3;

  TCAPITraceReg(TRegistry& registry, std::unique_ptr<TPollTimer> pollTimer);
  ~TCAPITraceReg();
  TCAPITraceReg(const TCAPITraceReg&) = delete;
  TCAPITraceReg& operator=(const TCAPITraceReg&) = delete;

  bool Active() const { return FActive; }
  // Activating starts from a blank record; it only takes effect when CAPIInstalled.
  void SetActive(bool active);
  // Whether the counter's manufacturer is one whose records this watcher reads.
  bool CAPIInstalled() const;
  std::string Manufacturer() const { return "AVM"; }

  TConnectEvent OnCAPIConnect;
  TDisconnectEvent OnCAPIDisconnect;

private:
  void Poll();
  std::optional<TCAPIConnectInfoArray> ReadRecords();

  TRegistry& FRegistry;
  std::unique_ptr<TPollTimer> FPollTimer;
  std::optional<TRegKey> FKey;
  TCAPIConnectInfoArray FLastInfo{};
  bool FConnectReported = false;
  bool FActive = false;
};
