// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Phonebook.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TNetworkInterfaces;

// Dial-up networking as the connection monitor and the browser set-up see it: the
// connections that are active now, the state of one of them, and the phonebook.

// Names a connection while it lasts; 0 names none.
using TRasHandle = std::uint32_t;

// Connection states. Only these two are told apart by their callers; every other
// value is a state on the way to connected.
inline constexpr std::uint32_t RASCS_Connected = 0x2000;
inline constexpr std::uint32_t RASCS_Disconnected = 0x2001;
inline constexpr std::uint32_t RASCS_Connecting = 0;
// The error a status carries once its connection has ended.
inline constexpr std::uint32_t RasErrorInvalidHandle = 6;

struct TRasConnection {
  TRasHandle Handle = 0;
  std::string EntryName;  // the phonebook entry it was dialled through
  std::string DeviceName; // the network interface

  bool operator==(const TRasConnection&) const = default;
};

struct TRasConnStatus {
  std::uint32_t State = RASCS_Disconnected;
  std::uint32_t Error = 0; // 0, or RasErrorInvalidHandle

  bool operator==(const TRasConnStatus&) const = default;
};

class TRemoteAccess {
public:
  virtual ~TRemoteAccess() = default;
  // Whether dial-up networking can be asked at all.
  virtual bool Available() const = 0;
  // The first room active connections; nothing when they cannot be read.
  virtual std::optional<std::vector<TRasConnection>> EnumConnections(std::size_t room) const = 0;
  // The state of a connection; nothing when it cannot be read.
  virtual std::optional<TRasConnStatus> GetConnectStatus(TRasHandle handle) const = 0;
  // The first room phonebook entries.
  virtual std::vector<TPhonebookEntry> EnumEntries(std::size_t room) const = 0;
};

// Dial-up through pppd: a connection is a ppp* interface that is switched on,
// connected once its link runs and still connecting before. Its handle is the
// interface index, so a link that pppd builds anew is a new connection. The entry
// name is the link name of pppd's "ppp-<linkname>.pid" (whose second line names the
// interface) in the run folder, else the interface name. The phonebook is the
// peers folder.
class TPppRemoteAccess final : public TRemoteAccess {
public:
  TPppRemoteAccess(std::shared_ptr<const TNetworkInterfaces> interfaces,
                   std::filesystem::path runFolder, std::filesystem::path peersFolder);

  bool Available() const override { return true; }
  std::optional<std::vector<TRasConnection>> EnumConnections(std::size_t room) const override;
  std::optional<TRasConnStatus> GetConnectStatus(TRasHandle handle) const override;
  std::vector<TPhonebookEntry> EnumEntries(std::size_t room) const override;

private:
  std::string EntryNameOf(const std::string& interfaceName) const;

  std::shared_ptr<const TNetworkInterfaces> FInterfaces;
  std::filesystem::path FRunFolder;
  std::filesystem::path FPeersFolder;
};

// pppd on this machine: the kernel's interfaces, /run and PppPeersFolder().
std::unique_ptr<TRemoteAccess> SystemRemoteAccess();
