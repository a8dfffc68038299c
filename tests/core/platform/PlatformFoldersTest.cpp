// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(ShellFolders, AreSeededFromTheXdgFoldersOnFirstUse) {
  TTestHome home;
  const auto config = home.Path() / "home" / ".config";
  std::filesystem::create_directories(config);
  std::ofstream(config / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
  TRegistry registry(TRegistryLocations::FromEnvironment());

  EXPECT_EQ(ShellFolder(registry, ShellFolderAppData),
            (home.Path() / "home" / ".local" / "share").string());
  EXPECT_EQ(ShellFolder(registry, ShellFolderPersonal),
            (home.Path() / "home" / "Dokumente").string());

  TRegKey key;
  ASSERT_EQ(registry.OpenKey(TRootKey::CurrentUser, ShellFoldersKey, key), TRegResult::Ok);
  std::vector<std::string> names;
  registry.EnumValueNames(key, names);
  EXPECT_EQ(names, (std::vector<std::string>{"AppData", "Personal"}));
}

TEST(ShellFolders, KeepAValueAlreadyStored) {
  TTestHome home;
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TRegKey key;
  ASSERT_EQ(registry.CreateKey(TRootKey::CurrentUser, ShellFoldersKey, "", key), TRegResult::Ok);
  registry.SetValue(key, "appdata", MakeStringValue("/srv/data"));
  EXPECT_EQ(ShellFolder(registry, ShellFolderAppData), "/srv/data");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutableWithASeparator) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder + std::filesystem::path(ProgramFile()).filename().string(), ProgramFile());
  EXPECT_TRUE(std::filesystem::exists(ProgramFile()));
}

} // namespace
