// SPDX-License-Identifier: GPL-3.0-or-later
// The add-on's two exports. Registering writes the class key with its name and the
// add-on's own file, per user when the machine hive is root's; unregistering
// removes it again.
#include "platform/Registry.h"
#include "privacy/AddOnClassId.h"

#include <dlfcn.h>
#include <string>

namespace {

constexpr std::string_view AddOnName = "Quorvane Browser Helper";

std::string OwnFile() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFile), &info) == 0 || info.dli_fname == nullptr)
    return {};
  return info.dli_fname;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void Register(bool enable) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TRegKey key;
  if (!enable) {
    if (registry.OpenKey(TRootKey::ClassesRoot, AddOnClassKey, key) == TRegResult::Ok)
      registry.DeleteTree(key, true);
    return;
  }
  if (registry.CreateKey(TRootKey::ClassesRoot, AddOnClassKey, "", key) != TRegResult::Ok)
    return;
  registry.SetValue(key, "", MakeStringValue(AddOnName));
  TRegKey server;
  if (registry.CreateKey(TRootKey::ClassesRoot, std::string(AddOnClassKey) + "\\InprocServer32", "",
                         server) == TRegResult::Ok)
    registry.SetValue(server, "", MakeStringValue(OwnFile()));
}

extern "C" __attribute__((visibility("default"))) bool IsRegistered() {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TRegKey key;
  TRegValue value;
  return registry.OpenKey(TRootKey::ClassesRoot, AddOnClassKey, key) == TRegResult::Ok &&
         registry.QueryValue(key, "", value) == TRegResult::Ok && !ValueText(value).empty();
}
