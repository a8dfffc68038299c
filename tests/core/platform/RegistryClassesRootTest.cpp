// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "platform/Registry.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// HKCR seen through one registry; Machine and User reach its two sides directly.
class RegistryClassesRoot : public ::testing::Test {
protected:
  TRegKey MachineKey(std::string_view path) {
    TRegKey key;
    EXPECT_EQ(Registry.CreateKey(TRootKey::ClassesRoot, path, "", key), TRegResult::Ok);
    return {TRootKey::ClassesRoot, key.Id};
  }
  TRegKey UserKey(std::string_view path) {
    TRegKey key;
    EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser,
                                 std::string("Software\\Classes\\") + std::string(path), "", key),
              TRegResult::Ok);
    return key;
  }
  void Set(const TRegKey& key, std::string_view name, std::string_view text) {
    ASSERT_EQ(Registry.SetValue(key, name, MakeStringValue(text)), TRegResult::Ok);
  }
  std::string Text(std::string_view path, std::string_view name) {
    TRegKey key;
    TRegValue value;
    if (Registry.OpenKey(TRootKey::ClassesRoot, path, key) != TRegResult::Ok ||
        Registry.QueryValue(key, name, value) != TRegResult::Ok)
      return "<none>";
    return ValueText(value);
  }

  TTempFolder Folder;
  TRegistry Registry{TRegistryLocations::InFolder(Folder.Path())};
};

TEST_F(RegistryClassesRoot, UserValueHidesTheMachineOneAndMachineValuesShowThrough) {
  const TRegKey machine = MachineKey("CLSID\\{A}");
  Set(machine, "", "machine");
  Set(machine, "ThreadingModel", "Apartment");
  Set(UserKey("clsid\\{a}"), "", "user");
  EXPECT_EQ(Text("CLSID\\{A}", ""), "user");
  EXPECT_EQ(Text("CLSID\\{A}", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Text("CLSID\\{B}", ""), "<none>");
}

TEST_F(RegistryClassesRoot, KeyOfEitherSideOpensAndEnumerationsMergeUserFirst) {
  Set(MachineKey("CLSID\\{M}"), "Name", "m");
  Set(MachineKey("CLSID\\{Both}"), "Shared", "machine");
  Set(UserKey("CLSID\\{U}"), "Name", "u");
  Set(UserKey("CLSID\\{BOTH}"), "shared", "user");
  Set(UserKey("CLSID\\{BOTH}"), "Own", "user");
  EXPECT_EQ(Text("CLSID\\{M}", "Name"), "m");
  EXPECT_EQ(Text("CLSID\\{U}", "Name"), "u");

  TRegKey clsid;
  ASSERT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, "CLSID", clsid), TRegResult::Ok);
  Names subKeys;
  ASSERT_EQ(Registry.EnumSubKeys(clsid, subKeys), TRegResult::Ok);
  EXPECT_EQ(subKeys, (Names{"{U}", "{BOTH}", "{M}"}));
  TRegKey both;
  ASSERT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, "CLSID\\{Both}", both), TRegResult::Ok);
  Names values;
  ASSERT_EQ(Registry.EnumValueNames(both, values), TRegResult::Ok);
  EXPECT_EQ(values, (Names{"shared", "Own"}));
}

TEST_F(RegistryClassesRoot, WritesGoToTheUserSideWhereTheKeyIsTheUsers) {
  MachineKey("CLSID\\{A}");
  UserKey("CLSID\\{A}");
  TRegKey view;
  ASSERT_EQ(Registry.CreateKey(TRootKey::ClassesRoot, "CLSID\\{A}", "", view), TRegResult::Ok);
  Set(view, "", "written");
  TRegKey user;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Software\\Classes\\CLSID\\{A}", user),
            TRegResult::Ok);
  TRegValue value;
  ASSERT_EQ(Registry.QueryValue(user, "", value), TRegResult::Ok);
  EXPECT_EQ(ValueText(value), "written");
}

TEST_F(RegistryClassesRoot, DeletingATreeRemovesBothSidesAndAValueFromBoth) {
  Set(MachineKey("CLSID\\{A}\\InprocServer32"), "", "m");
  Set(UserKey("CLSID\\{A}"), "", "u");
  Set(MachineKey("Ext"), "Kind", "m");
  Set(UserKey("Ext"), "Kind", "u");
  TRegKey key;
  ASSERT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, "CLSID\\{A}", key), TRegResult::Ok);
  ASSERT_EQ(Registry.DeleteTree(key, true), TRegResult::Ok);
  EXPECT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, "CLSID\\{A}", key), TRegResult::NotFound);
  ASSERT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, "Ext", key), TRegResult::Ok);
  ASSERT_EQ(Registry.DeleteValue(key, "Kind"), TRegResult::Ok);
  EXPECT_EQ(Text("Ext", "Kind"), "<none>");
  EXPECT_EQ(Registry.DeleteValue(key, "Kind"), TRegResult::NotFound);
}

// A user who is not root cannot write the machine hive: new classes become the user's.
TEST(RegistryClassesRootUnwritableMachine, NewKeyIsCreatedOnTheUserSide) {
  TTempFolder folder;
  TRegistryLocations locations = TRegistryLocations::InFolder(folder.Path());
  // A hive below a plain file can be neither created nor opened, even by root.
  std::filesystem::create_directories(folder.Path());
  { std::ofstream(folder / "not-a-folder") << "x"; }
  locations.ClassesRootFile = folder / "not-a-folder" / "HKCR.sqlite";
  TRegistry registry(locations);
  TRegKey key;
  ASSERT_EQ(registry.CreateKey(TRootKey::ClassesRoot, "CLSID\\{A}", "", key), TRegResult::Ok);
  ASSERT_EQ(registry.SetValue(key, "", MakeStringValue("mine")), TRegResult::Ok);
  TRegKey user;
  ASSERT_EQ(registry.OpenKey(TRootKey::CurrentUser, "Software\\Classes\\CLSID\\{A}", user),
            TRegResult::Ok);
  TRegValue value;
  ASSERT_EQ(registry.QueryValue(user, "", value), TRegResult::Ok);
  EXPECT_EQ(ValueText(value), "mine");
  TRegKey view;
  ASSERT_EQ(registry.OpenKey(TRootKey::ClassesRoot, "CLSID\\{A}", view), TRegResult::Ok);
  ASSERT_EQ(registry.QueryValue(view, "", value), TRegResult::Ok);
  EXPECT_EQ(ValueText(value), "mine");
}

} // namespace
