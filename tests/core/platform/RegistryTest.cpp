// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Registry.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Names = std::vector<std::string>;

class RegistryTest : public ::testing::Test {
protected:
  TRegKey Create(std::string_view path, std::string_view className = "") {
    TRegKey key;
    EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser, path, className, key), TRegResult::Ok);
    return key;
  }
  std::string Text(const TRegKey& key, std::string_view name) {
    TRegValue value;
    EXPECT_EQ(Registry.QueryValue(key, name, value), TRegResult::Ok);
    return ValueText(value);
  }
  Names ValueNames(const TRegKey& key) {
    Names names;
    EXPECT_EQ(Registry.EnumValueNames(key, names), TRegResult::Ok);
    return names;
  }
  Names SubKeys(const TRegKey& key) {
    Names names;
    EXPECT_EQ(Registry.EnumSubKeys(key, names), TRegResult::Ok);
    return names;
  }

  TTempFolder Folder;
  TRegistry Registry{TRegistryLocations::InFolder(Folder.Path())};
};

TEST_F(RegistryTest, KeyNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  const TRegKey created = Create("Software\\Torvimsk Software\\Quorvane");
  TRegKey opened;
  ASSERT_EQ(
      Registry.OpenKey(TRootKey::CurrentUser, "SOFTWARE\\torvimsk software\\QUORVANE", opened),
      TRegResult::Ok);
  EXPECT_EQ(opened.Id, created.Id);
  TRegKey again = Create("software\\TORVIMSK SOFTWARE\\quorvane\\Main");
  (void)again;
  TRegKey root;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "", root), TRegResult::Ok);
  EXPECT_EQ(SubKeys(root), Names{"Software"});
  EXPECT_EQ(SubKeys(created), Names{"Main"});
}

TEST_F(RegistryTest, ValueNamesIgnoreCaseAndRewritingKeepsSpellingAndPlace) {
  const TRegKey key = Create("K");
  ASSERT_EQ(Registry.SetValue(key, "ProxyPort", MakeStringValue("8080")), TRegResult::Ok);
  ASSERT_EQ(Registry.SetValue(key, "Other", MakeStringValue("x")), TRegResult::Ok);
  ASSERT_EQ(Registry.SetValue(key, "PROXYPORT", MakeStringValue("3128")), TRegResult::Ok);
  EXPECT_EQ(Text(key, "proxyport"), "3128");
  EXPECT_EQ(ValueNames(key), (Names{"ProxyPort", "Other"}));
}

TEST_F(RegistryTest, KeysAndValuesEnumerateInCreationOrder) {
  const TRegKey key = Create("Order");
  for (const char* name : {"b", "a", "c", "10", "9"}) {
    ASSERT_EQ(Registry.SetValue(key, name, MakeStringValue(name)), TRegResult::Ok);
    TRegKey sub;
    ASSERT_EQ(Registry.CreateKey(TRootKey::CurrentUser, std::string("Order\\") + name, "", sub),
              TRegResult::Ok);
  }
  const Names expected{"b", "a", "c", "10", "9"};
  EXPECT_EQ(ValueNames(key), expected);
  EXPECT_EQ(SubKeys(key), expected);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  const TRegKey key = Create("Types");
  const std::vector<std::pair<std::string, TRegValue>> cases = {
      {"text", MakeStringValue("Grüße")},
      {"empty text", MakeStringValue("")},
      {"dword", MakeDWordValue(0xDEADBEEF)},
      {"binary", TRegValue{TRegValueType::Binary, {0, 1, 0xff, 0}}},
      {"empty binary", TRegValue{TRegValueType::Binary, {}}},
  };
  for (const auto& [name, value] : cases)
    ASSERT_EQ(Registry.SetValue(key, name, value), TRegResult::Ok) << name;
  for (const auto& [name, expected] : cases) {
    TRegValue read;
    ASSERT_EQ(Registry.QueryValue(key, name, read), TRegResult::Ok) << name;
    EXPECT_EQ(read.Type, expected.Type) << name;
    EXPECT_EQ(read.Data, expected.Data) << name;
  }
  EXPECT_EQ(MakeDWordValue(0x01020304).Data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(ValueDWord(MakeDWordValue(0xDEADBEEF)), 0xDEADBEEFu);
}

TEST_F(RegistryTest, MissingKeysAndValuesAreReportedAsNotFound) {
  TRegKey key;
  EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "No\\Such\\Key", key), TRegResult::NotFound);
  key = Create("Present");
  TRegValue value;
  EXPECT_EQ(Registry.QueryValue(key, "absent", value), TRegResult::NotFound);
  EXPECT_EQ(Registry.DeleteValue(key, "absent"), TRegResult::NotFound);
}

TEST_F(RegistryTest, PathsWithEmptyComponentsAreRefused) {
  TRegKey key;
  for (const char* path : {"a\\\\b", "\\a", "a\\\\"}) {
    EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser, path, "", key), TRegResult::InvalidName)
        << path;
  }
  EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser, "a\\b\\", "", key), TRegResult::Ok);
}

TEST_F(RegistryTest, CreatedKeysCarryTheClassStringAndExistingKeysKeepTheirs) {
  Create("Parent", "first");
  const TRegKey child = Create("Parent\\Child", "second");
  TRegKey parent;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Parent", parent), TRegResult::Ok);
  std::string className;
  ASSERT_EQ(Registry.QueryClass(parent, className), TRegResult::Ok);
  EXPECT_EQ(className, "first");
  ASSERT_EQ(Registry.QueryClass(child, className), TRegResult::Ok);
  EXPECT_EQ(className, "second");
}

// A default view has no characters at all, not even a terminator to point at.
TEST_F(RegistryTest, EmptyViewsAreEmptyTextsForClassAndValueName) {
  TRegKey key;
  ASSERT_EQ(Registry.CreateKey(TRootKey::CurrentUser, "Plain", std::string_view(), key),
            TRegResult::Ok);
  std::string className = "unset";
  ASSERT_EQ(Registry.QueryClass(key, className), TRegResult::Ok);
  EXPECT_EQ(className, "");
  ASSERT_EQ(Registry.SetValue(key, std::string_view(), MakeStringValue("default")), TRegResult::Ok);
  EXPECT_EQ(Text(key, ""), "default");
}

TEST_F(RegistryTest, DeleteValueRemovesOnlyThatValue) {
  const TRegKey key = Create("K");
  Registry.SetValue(key, "a", MakeStringValue("1"));
  Registry.SetValue(key, "b", MakeStringValue("2"));
  EXPECT_EQ(Registry.DeleteValue(key, "A"), TRegResult::Ok);
  EXPECT_EQ(ValueNames(key), Names{"b"});
}

TEST_F(RegistryTest, DeleteTreeRemovesDescendantsAndOptionallyTheKey) {
  const TRegKey key = Create("Tree");
  Registry.SetValue(key, "kept", MakeStringValue("1"));
  const TRegKey deep = Create("Tree\\A\\B\\C");
  Registry.SetValue(deep, "v", MakeStringValue("x"));
  Create("Tree\\D");

  ASSERT_EQ(Registry.DeleteTree(key, false), TRegResult::Ok);
  EXPECT_TRUE(SubKeys(key).empty());
  EXPECT_EQ(ValueNames(key), Names{"kept"});
  TRegValue value;
  EXPECT_EQ(Registry.QueryValue(deep, "v", value), TRegResult::NotFound);

  ASSERT_EQ(Registry.DeleteTree(key, true), TRegResult::Ok);
  TRegKey gone;
  EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Tree", gone), TRegResult::NotFound);
  EXPECT_EQ(Registry.DeleteTree(key, true), TRegResult::NotFound);
}

TEST_F(RegistryTest, HandleOfADeletedKeyNoLongerAcceptsValues) {
  const TRegKey key = Create("Gone");
  ASSERT_EQ(Registry.DeleteTree(key, true), TRegResult::Ok);
  EXPECT_EQ(Registry.SetValue(key, "v", MakeStringValue("x")), TRegResult::NotFound);
  Names names;
  EXPECT_EQ(Registry.EnumValueNames(key, names), TRegResult::NotFound);
  // A key created anew under the same name gets a new identity.
  EXPECT_NE(Create("Gone").Id, key.Id);
}

TEST_F(RegistryTest, TheRootKeyCannotBeDeleted) {
  TRegKey root;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "", root), TRegResult::Ok);
  EXPECT_EQ(Registry.DeleteTree(root, true), TRegResult::AccessDenied);
}

TEST_F(RegistryTest, RootsAreSeparateHives) {
  const TRegKey user = Create("Shared");
  Registry.SetValue(user, "v", MakeStringValue("user"));
  TRegKey machine;
  ASSERT_EQ(Registry.CreateKey(TRootKey::LocalMachine, "Shared", "", machine), TRegResult::Ok);
  TRegValue value;
  EXPECT_EQ(Registry.QueryValue(machine, "v", value), TRegResult::NotFound);
  EXPECT_TRUE(std::filesystem::exists(Folder / "HKCU.sqlite"));
  EXPECT_TRUE(std::filesystem::exists(Folder / "HKLM.sqlite"));
}

TEST_F(RegistryTest, WrittenValuesSurviveReopening) {
  Registry.SetValue(Create("Durable"), "v", MakeStringValue("kept"));
  TRegistry other(TRegistryLocations::InFolder(Folder.Path()));
  TRegKey key;
  ASSERT_EQ(other.OpenKey(TRootKey::CurrentUser, "durable", key), TRegResult::Ok);
  TRegValue value;
  ASSERT_EQ(other.QueryValue(key, "V", value), TRegResult::Ok);
  EXPECT_EQ(ValueText(value), "kept");
}

TEST_F(RegistryTest, UncommittedTransactionLeavesNothingBehind) {
  const TRegKey key = Create("Tx");
  {
    TRegistry::TTransaction transaction(Registry, TRootKey::CurrentUser);
    ASSERT_EQ(transaction.Begun(), TRegResult::Ok);
    Registry.SetValue(key, "v", MakeStringValue("1"));
    Create("Tx\\Sub");
  }
  EXPECT_TRUE(ValueNames(key).empty());
  EXPECT_TRUE(SubKeys(key).empty());
}

TEST_F(RegistryTest, InnerTransactionIsUndoneWithItsOuterOne) {
  const TRegKey key = Create("Tx");
  {
    TRegistry::TTransaction outer(Registry, TRootKey::CurrentUser);
    {
      TRegistry::TTransaction inner(Registry, TRootKey::CurrentUser);
      Registry.SetValue(key, "v", MakeStringValue("1"));
      EXPECT_EQ(inner.Commit(), TRegResult::Ok);
    }
  }
  EXPECT_TRUE(ValueNames(key).empty());
}

TEST_F(RegistryTest, FailedInnerTransactionMakesTheOuterCommitFail) {
  const TRegKey key = Create("Tx");
  TRegistry::TTransaction outer(Registry, TRootKey::CurrentUser);
  {
    TRegistry::TTransaction inner(Registry, TRootKey::CurrentUser);
    Registry.SetValue(key, "v", MakeStringValue("1"));
  }
  EXPECT_NE(outer.Commit(), TRegResult::Ok);
  EXPECT_TRUE(ValueNames(key).empty());
}

// Each child process opens the hive itself, as a second program would.
int RunChild(const std::filesystem::path& folder, int child, int count) {
  TRegistry registry(TRegistryLocations::InFolder(folder));
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, "Concurrent", "", key) != TRegResult::Ok)
    return 1;
  for (int i = 0; i < count; ++i) {
    const std::string name = "child" + std::to_string(child) + "-" + std::to_string(i);
    if (registry.SetValue(key, name, MakeStringValue(name)) != TRegResult::Ok)
      return 2;
    TRegistry::TTransaction transaction(registry, TRootKey::CurrentUser);
    TRegValue counter;
    const std::uint32_t number =
        registry.QueryValue(key, "Counter", counter) == TRegResult::Ok ? ValueDWord(counter) : 0;
    if (registry.SetValue(key, "Counter", MakeDWordValue(number + 1)) != TRegResult::Ok)
      return 3;
    if (transaction.Commit() != TRegResult::Ok)
      return 4;
  }
  return 0;
}

TEST_F(RegistryTest, TwoProcessesWritingOneHiveLoseNoWrite) {
  constexpr int Count = 150;
  std::vector<pid_t> children;
  for (int child = 0; child < 2; ++child) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
      _exit(RunChild(Folder.Path(), child, Count));
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  TRegKey key;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Concurrent", key), TRegResult::Ok);
  const Names names = ValueNames(key);
  EXPECT_EQ(names.size(), 2u * Count + 1);
  for (int child = 0; child < 2; ++child) {
    for (int i = 0; i < Count; ++i) {
      const std::string name = "child" + std::to_string(child) + "-" + std::to_string(i);
      EXPECT_EQ(Text(key, name), name);
    }
  }
  TRegValue counter;
  ASSERT_EQ(Registry.QueryValue(key, "Counter", counter), TRegResult::Ok);
  EXPECT_EQ(counter.Data, MakeDWordValue(2 * Count).Data);
}

struct LocationCase {
  const char* Name;
  std::vector<std::pair<const char*, const char*>> Environment;
  TRegistryLocations Expected;
};

TEST(RegistryLocations, FollowTheEnvironment) {
  const std::vector<LocationCase> cases = {
      {"registry folder wins",
       {{"QUORVANE_REGISTRY_DIR", "/tmp/r"}, {"XDG_CONFIG_HOME", "/tmp/c"}},
       {"/tmp/r/HKCU.sqlite", "/tmp/r/HKLM.sqlite", "/tmp/r/HKCR.sqlite"}},
      {"config home",
       {{"XDG_CONFIG_HOME", "/tmp/c"}},
       {"/tmp/c/quorvane/HKCU.sqlite", "/var/lib/quorvane/HKLM.sqlite",
        "/var/lib/quorvane/HKCR.sqlite"}},
      {"home only",
       {{"HOME", "/tmp/h"}},
       {"/tmp/h/.config/quorvane/HKCU.sqlite", "/var/lib/quorvane/HKLM.sqlite",
        "/var/lib/quorvane/HKCR.sqlite"}},
  };
  for (const LocationCase& c : cases) {
    TScopedEnvironment environment;
    for (const char* name : {"QUORVANE_REGISTRY_DIR", "XDG_CONFIG_HOME"})
      environment.Unset(name);
    for (const auto& [name, value] : c.Environment)
      environment.Set(name, value);
    const TRegistryLocations locations = TRegistryLocations::FromEnvironment();
    EXPECT_EQ(locations.CurrentUserFile, c.Expected.CurrentUserFile) << c.Name;
    EXPECT_EQ(locations.LocalMachineFile, c.Expected.LocalMachineFile) << c.Name;
    EXPECT_EQ(locations.ClassesRootFile, c.Expected.ClassesRootFile) << c.Name;
  }
}

} // namespace
