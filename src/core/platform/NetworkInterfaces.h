// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// One network interface as the kernel reports it.
struct TInterfaceState {
  std::string Name;
  unsigned Index = 0;   // the kernel's interface index; never 0 for a real interface
  bool Up = false;      // IFF_UP: switched on
  bool Running = false; // IFF_RUNNING: the link is there

  bool operator==(const TInterfaceState&) const = default;
};

// The machine's interfaces, read afresh on each call.
class TNetworkInterfaces {
public:
  virtual ~TNetworkInterfaces() = default;
  // Every interface once, with or without an address; nothing when the kernel
  // cannot be asked.
  virtual std::optional<std::vector<TInterfaceState>> Read() const = 0;
};

// The kernel's list, through getifaddrs.
class TSystemNetworkInterfaces final : public TNetworkInterfaces {
public:
  std::optional<std::vector<TInterfaceState>> Read() const override;
};
