// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// Interface states a test sets, as the kernel would report them.
class TScriptedInterfaces final : public TNetworkInterfaces {
public:
  std::optional<std::vector<TInterfaceState>> Read() const override {
    if (FFailing)
      return std::nullopt;
    return FStates;
  }

  // Adds the interface or replaces the one with its name.
  void Set(TInterfaceState state) {
    Remove(state.Name);
    FStates.push_back(std::move(state));
  }
  void Remove(const std::string& name) {
    std::erase_if(FStates, [&](const TInterfaceState& known) { return known.Name == name; });
  }
  // While failing, the kernel cannot be asked.
  void SetFailing(bool failing) { FFailing = failing; }

private:
  std::vector<TInterfaceState> FStates;
  bool FFailing = false;
};
