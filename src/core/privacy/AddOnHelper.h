// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class TRegistry;

// The browser add-on as the program sees it: the file loaded from the program's
// folder at start and kept loaded for the run, its two exports, and its class key.
class TAddOnHelper {
public:
  using TRegisterFunction = void (*)(bool);
  using TIsRegisteredFunction = bool (*)();

  // Loads programFolder + "qhelper.so"; a missing or broken file leaves the
  // add-on unavailable.
  TAddOnHelper(TRegistry& registry, const std::string& programFolder);
  // Exports given directly, as a loaded file would give them (tests).
  TAddOnHelper(TRegistry& registry, TRegisterFunction registerFunction,
               TIsRegisteredFunction isRegistered);
  ~TAddOnHelper();
  TAddOnHelper(const TAddOnHelper&) = delete;
  TAddOnHelper& operator=(const TAddOnHelper&) = delete;

  // Loaded, and "IsRegistered" was found.
  bool IsHelperAvailable() const { return FIsRegistered != nullptr; }
  // HKCR holds the add-on's class key with a non-empty default value.
  bool IsHelperRegistered() const;
  // Calls the add-on's "Register" export when it has one.
  void Register(bool enable) const;

private:
  TRegistry& FRegistry;
  void* FLibrary = nullptr;
  TRegisterFunction FRegister = nullptr;
  TIsRegisteredFunction FIsRegistered = nullptr;
};
