// SPDX-License-Identifier: GPL-3.0-or-later
// The add-on stand-in loaded as the program loads it, from a program folder.
#include "TempFolder.h"
#include "platform/Registry.h"
#include "privacy/AddOnClassId.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

class AddOnFile : public ::testing::Test {
protected:
  AddOnFile() {
    std::filesystem::create_directories(Home.Path() / "program");
    std::filesystem::create_symlink(QUORVANE_ADDON_FILE, Home.Path() / "program" / "qhelper.so");
  }
  std::string ProgramFolder() const { return (Home.Path() / "program").string() + "/"; }

  // Sets QUORVANE_REGISTRY_DIR, which the add-on opens for itself.
  TTestHome Home;
  TRegistry Registry{TRegistryLocations::InFolder(Home.RegistryFolder())};
};

TEST_F(AddOnFile, LoadsFromTheProgramFolderAndRegistersAndUnregistersItsClass) {
  const TAddOnHelper addOn(Registry, ProgramFolder());
  ASSERT_TRUE(addOn.IsHelperAvailable());
  EXPECT_FALSE(addOn.IsHelperRegistered());
  ASSERT_TRUE(SetPopupKillerEnabled(Registry, addOn, true));
  EXPECT_TRUE(addOn.IsHelperRegistered());
  EXPECT_TRUE(IsPopupKillerEnabled(Registry, addOn));
  TRegKey server;
  ASSERT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, std::string(AddOnClassKey) + "\\InprocServer32",
                             server),
            TRegResult::Ok);
  TRegValue file;
  ASSERT_EQ(Registry.QueryValue(server, "", file), TRegResult::Ok);
  EXPECT_EQ(std::filesystem::path(ValueText(file)).filename(), "qhelper.so");

  ASSERT_TRUE(SetPopupKillerEnabled(Registry, addOn, false));
  EXPECT_FALSE(addOn.IsHelperRegistered());
  TRegKey gone;
  EXPECT_EQ(Registry.OpenKey(TRootKey::ClassesRoot, AddOnClassKey, gone), TRegResult::NotFound);
}

TEST_F(AddOnFile, ABrokenFileIsNotAvailable) {
  const std::filesystem::path other = Home.Path() / "other";
  std::filesystem::create_directories(other);
  { std::ofstream(other / "qhelper.so") << "not a shared object"; }
  const TAddOnHelper addOn(Registry, other.string() + "/");
  EXPECT_FALSE(addOn.IsHelperAvailable());
  EXPECT_FALSE(SetPopupKillerEnabled(Registry, addOn, true));
}

} // namespace
