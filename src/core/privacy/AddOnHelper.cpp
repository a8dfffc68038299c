// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/AddOnHelper.h"

#include "platform/Registry.h"
#include "privacy/AddOnClassId.h"

#include <dlfcn.h>

TAddOnHelper::TAddOnHelper(TRegistry& registry, const std::string& programFolder)
    : FRegistry(registry) {
  const std::string file = programFolder + std::string(AddOnFileName);
  FLibrary = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (FLibrary == nullptr)
    return;
  FRegister = reinterpret_cast<TRegisterFunction>(dlsym(FLibrary, "Register"));
  FIsRegistered = reinterpret_cast<TIsRegisteredFunction>(dlsym(FLibrary, "IsRegistered"));
}

TAddOnHelper::TAddOnHelper(TRegistry& registry, TRegisterFunction registerFunction,
                           TIsRegisteredFunction isRegistered)
    : FRegistry(registry), FRegister(registerFunction), FIsRegistered(isRegistered) {}

TAddOnHelper::~TAddOnHelper() {
  if (FLibrary != nullptr)
    dlclose(FLibrary);
}

bool TAddOnHelper::IsHelperRegistered() const {
  TRegKey key;
  TRegValue value;
  return FRegistry.OpenKey(TRootKey::ClassesRoot, AddOnClassKey, key) == TRegResult::Ok &&
         FRegistry.QueryValue(key, "", value) == TRegResult::Ok && !ValueText(value).empty();
}

void TAddOnHelper::Register(bool enable) const {
  if (FRegister != nullptr)
    FRegister(enable);
}
