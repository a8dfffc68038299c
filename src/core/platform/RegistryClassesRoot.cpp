// SPDX-License-Identifier: GPL-3.0-or-later
// The public registry calls: plain hives pass straight through; HKEY_CLASSES_ROOT is
// the user's Software\Classes laid over the machine hive, so that a user without
// root can register classes of their own while the machine's stay visible.
#include "common/AsciiText.h"
#include "platform/Registry.h"

#include <algorithm>

namespace {

constexpr std::string_view UserClassesKey = "Software\\Classes";

bool IsView(const TRegKey& key) {
  return key.Root == TRootKey::ClassesRoot;
}

TRegKey UserSide(const TRegKey& key) {
  return {TRootKey::CurrentUser, key.UserId};
}

TRegKey MachineSide(const TRegKey& key) {
  return {TRootKey::ClassesRoot, key.Id};
}

// The answer of two sides where either may lack the key: the first that is not
// NotFound, else NotFound.
TRegResult EitherSide(TRegResult user, TRegResult machine) {
  return user != TRegResult::NotFound ? user : machine;
}

} // namespace

std::string TRegistry::UserClassesPath(std::string_view path) {
  std::string full(UserClassesKey);
  if (!path.empty() && path != "\\") {
    full += '\\';
    full += path;
  }
  return full;
}

TRegResult TRegistry::OpenKey(TRootKey root, std::string_view path, TRegKey& key) {
  if (root != TRootKey::ClassesRoot)
    return OpenKeyIn(root, path, key);
  TRegKey user;
  TRegKey machine;
  const TRegResult userResult = OpenKeyIn(TRootKey::CurrentUser, UserClassesPath(path), user);
  const TRegResult machineResult = OpenKeyIn(TRootKey::ClassesRoot, path, machine);
  if (userResult != TRegResult::Ok && machineResult != TRegResult::Ok)
    return userResult == TRegResult::InvalidName ? userResult
                                                 : EitherSide(machineResult, userResult);
  key = {TRootKey::ClassesRoot, machineResult == TRegResult::Ok ? machine.Id : 0,
         userResult == TRegResult::Ok ? user.Id : 0};
  return TRegResult::Ok;
}

TRegResult TRegistry::CreateKey(TRootKey root, std::string_view path, std::string_view className,
                                TRegKey& key) {
  if (root != TRootKey::ClassesRoot)
    return CreateKeyIn(root, path, className, key);
  TRegKey side;
  if (OpenKeyIn(TRootKey::CurrentUser, UserClassesPath(path), side) == TRegResult::Ok)
    return OpenKey(root, path, key);
  const TRegResult machine = CreateKeyIn(TRootKey::ClassesRoot, path, className, side);
  if (machine == TRegResult::Ok)
    return OpenKey(root, path, key);
  if (machine != TRegResult::AccessDenied)
    return machine;
  // The machine hive is root's: the class goes to the user's side.
  if (const TRegResult user =
          CreateKeyIn(TRootKey::CurrentUser, UserClassesPath(path), className, side);
      user != TRegResult::Ok) {
    return user;
  }
  return OpenKey(root, path, key);
}

TRegResult TRegistry::QueryClass(const TRegKey& key, std::string& className) {
  if (!IsView(key))
    return QueryClassIn(key, className);
  const TRegResult user =
      key.UserId != 0 ? QueryClassIn(UserSide(key), className) : TRegResult::NotFound;
  if (user != TRegResult::NotFound || key.Id == 0)
    return user;
  return QueryClassIn(MachineSide(key), className);
}

TRegResult TRegistry::QueryValue(const TRegKey& key, std::string_view name, TRegValue& value) {
  if (!IsView(key))
    return QueryValueIn(key, name, value);
  const TRegResult user =
      key.UserId != 0 ? QueryValueIn(UserSide(key), name, value) : TRegResult::NotFound;
  if (user != TRegResult::NotFound || key.Id == 0)
    return user;
  return QueryValueIn(MachineSide(key), name, value);
}

TRegResult TRegistry::SetValue(const TRegKey& key, std::string_view name, const TRegValue& value) {
  if (!IsView(key))
    return SetValueIn(key, name, value);
  return SetValueIn(key.UserId != 0 ? UserSide(key) : MachineSide(key), name, value);
}

TRegResult TRegistry::DeleteValue(const TRegKey& key, std::string_view name) {
  if (!IsView(key))
    return DeleteValueIn(key, name);
  const TRegResult user =
      key.UserId != 0 ? DeleteValueIn(UserSide(key), name) : TRegResult::NotFound;
  const TRegResult machine =
      key.Id != 0 ? DeleteValueIn(MachineSide(key), name) : TRegResult::NotFound;
  return user == TRegResult::Ok || machine == TRegResult::Ok ? TRegResult::Ok
                                                             : EitherSide(user, machine);
}

TRegResult TRegistry::EnumViewNames(const TRegKey& key, bool subKeys,
                                    std::vector<std::string>& names) {
  names.clear();
  std::vector<std::string> side;
  for (const TRegKey& part : {UserSide(key), MachineSide(key)}) {
    if (part.Id == 0)
      continue;
    if (const TRegResult listed = EnumNamesIn(part, subKeys, side); listed != TRegResult::Ok)
      return listed;
    for (std::string& name : side) {
      if (std::none_of(names.begin(), names.end(),
                       [&](const std::string& known) { return SameTextASCII(known, name); }))
        names.push_back(std::move(name));
    }
  }
  return TRegResult::Ok;
}

TRegResult TRegistry::EnumValueNames(const TRegKey& key, std::vector<std::string>& names) {
  return IsView(key) ? EnumViewNames(key, false, names) : EnumNamesIn(key, false, names);
}

TRegResult TRegistry::EnumSubKeys(const TRegKey& key, std::vector<std::string>& names) {
  return IsView(key) ? EnumViewNames(key, true, names) : EnumNamesIn(key, true, names);
}

TRegResult TRegistry::DeleteTree(const TRegKey& key, bool includeKey) {
  if (!IsView(key))
    return DeleteTreeIn(key, includeKey);
  const TRegResult user =
      key.UserId != 0 ? DeleteTreeIn(UserSide(key), includeKey) : TRegResult::NotFound;
  const TRegResult machine =
      key.Id != 0 ? DeleteTreeIn(MachineSide(key), includeKey) : TRegResult::NotFound;
  if (user == TRegResult::Ok && (machine == TRegResult::Ok || machine == TRegResult::NotFound))
    return TRegResult::Ok;
  if (machine == TRegResult::Ok && user == TRegResult::NotFound)
    return TRegResult::Ok;
  return user != TRegResult::Ok && user != TRegResult::NotFound ? user : machine;
}
