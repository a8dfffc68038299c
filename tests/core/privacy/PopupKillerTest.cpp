// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "platform/Registry.h"
#include "privacy/AddOnClassId.h"
#include "privacy/AddOnDownloadSettings.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerURLEdit.h"
#include "privacy/PopupKillerUnit.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using List = std::vector<std::string>;

class PopupKillerTest : public ::testing::Test {
protected:
  TRegKey Key(std::string_view section) {
    TRegKey key;
    EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser,
                                 std::string(PopupKillerKey) + "\\" + std::string(section), "",
                                 key),
              TRegResult::Ok);
    return key;
  }
  List ValueNames(std::string_view section) {
    List names;
    Registry.EnumValueNames(Key(section), names);
    return names;
  }

  TTempFolder Folder;
  TRegistry Registry{TRegistryLocations::InFolder(Folder / "registry")};
};

struct TSiteCase {
  const char* Url;
  const char* Site;
};

class SiteOfURLTest : public ::testing::TestWithParam<TSiteCase> {};

TEST_P(SiteOfURLTest, CutsAFileNameOnly) {
  EXPECT_EQ(SiteOfURL(GetParam().Url), GetParam().Site);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SiteOfURLTest,
    ::testing::Values(TSiteCase{"http://ads.example/pop/win.html", "http://ads.example/pop"},
                      TSiteCase{"http://ads.example/pop/", "http://ads.example/pop/"},
                      TSiteCase{"http://ads.example/pop/show", "http://ads.example/pop/show"},
                      TSiteCase{"http://ads.example/a.b/c.d", "http://ads.example/a.b"},
                      // A host alone keeps its scheme and name.
                      TSiteCase{"http://ads.example", "http://ads.example"},
                      TSiteCase{"http://ads.example/", "http://ads.example/"},
                      TSiteCase{"ads.example", "ads.example"}, TSiteCase{"", ""}));

TEST_F(PopupKillerTest, ListsKeepTheirOrderAndASaveReplacesTheWholeList) {
  SaveAllowedPopups(Registry, {"a", "B", "c", "d", "e"});
  SaveAllowedPopups(Registry, {"x", "Y"});
  EXPECT_EQ(LoadAllowedPopups(Registry), (List{"x", "Y"}));
  EXPECT_EQ(ValueNames("AllowedPopups"), (List{"0", "1"}));
  SaveBlockedPopupURLs(Registry, {});
  EXPECT_TRUE(LoadBlockedPopupURLs(Registry).empty());
  EXPECT_TRUE(LoadKilledURLs(Registry).empty());
}

TEST_F(PopupKillerTest, KilledPagesReadInTheAddOnsOrderWhateverTheirNames) {
  const TRegKey killed = Key("KilledURLs");
  for (const char* name : {"p7", "p2", "p9"})
    Registry.SetValue(killed, name, MakeStringValue(std::string("http://") + name + ".example/"));
  EXPECT_EQ(LoadKilledURLs(Registry),
            (List{"http://p7.example/", "http://p2.example/", "http://p9.example/"}));
}

TEST_F(PopupKillerTest, KilledCountIsTheAddOnsDWordAndZeroWhenMissingOrOfAnotherType) {
  EXPECT_EQ(KilledPopupCount(Registry), 0u);
  const TRegKey statistics = Key("Statistics");
  Registry.SetValue(statistics, "Killed", MakeDWordValue(4711));
  EXPECT_EQ(KilledPopupCount(Registry), 4711u);
  Registry.SetValue(statistics, "Killed", MakeStringValue("12"));
  EXPECT_EQ(KilledPopupCount(Registry), 0u);
}

TEST_F(PopupKillerTest, SeedingSetsTheSoundBesideTheProgramAndTheFirstEntriesOnce) {
  const std::string program = (Folder / "program").string() + "/";
  std::filesystem::create_directories(program);
  { std::ofstream(program + "pkclose.wav") << "RIFF"; }
  SeedPopupKillerDefaults(Registry, program);
  EXPECT_EQ(LoadSoundFileName(Registry), program + "pkclose.wav");
  EXPECT_EQ(LoadBlockedPopupURLs(Registry), List{"dialer"});
  EXPECT_EQ(LoadAllowedPopups(Registry).size(), 4u);

  // The user's choices stay: an emptied sound and lists of their own.
  SaveSoundFileName(Registry, "");
  SaveBlockedPopupURLs(Registry, {});
  SaveAllowedPopups(Registry, {"mine"});
  SeedPopupKillerDefaults(Registry, program);
  EXPECT_EQ(LoadSoundFileName(Registry), "");
  EXPECT_TRUE(LoadBlockedPopupURLs(Registry).empty());
  EXPECT_EQ(LoadAllowedPopups(Registry), List{"mine"});
}

TEST_F(PopupKillerTest, SeedingWithoutASoundFileLeavesTheSoundUnset) {
  SeedPopupKillerDefaults(Registry, (Folder / "nowhere").string() + "/");
  EXPECT_EQ(LoadSoundFileName(Registry), "");
  EXPECT_EQ(ValueNames("Options"), List{});
}

TEST_F(PopupKillerTest, KilledPagesJoinTheAllowedListAsSitesOnceEach) {
  SaveAllowedPopups(Registry, {"http://Known.example/ads"});
  AllowKilledPages(Registry, {"http://known.example/ads/pop.html", "http://new.example/p/w.htm",
                              "http://new.example/p/w.htm", "http://dir.example/x/"});
  EXPECT_EQ(LoadAllowedPopups(Registry),
            (List{"http://Known.example/ads", "http://new.example/p", "http://dir.example/x/"}));
}

// The add-on's exports as the tests script them.
struct TScriptedAddOn {
  static inline std::vector<bool> Calls;
  static void Register(bool enable) { Calls.push_back(enable); }
  static bool IsRegistered() { return true; }
};

class AddOnSwitchTest : public PopupKillerTest {
protected:
  void SetUp() override { TScriptedAddOn::Calls.clear(); }
  void MarkRegistered() {
    TRegKey key;
    ASSERT_EQ(Registry.CreateKey(TRootKey::ClassesRoot, AddOnClassKey, "", key), TRegResult::Ok);
    ASSERT_EQ(Registry.SetValue(key, "", MakeStringValue("helper")), TRegResult::Ok);
  }
  std::string Enabled(std::string_view root) {
    TRegKey key;
    TRegValue value;
    if (Registry.OpenKey(TRootKey::CurrentUser, std::string(root) + "\\Options", key) !=
            TRegResult::Ok ||
        Registry.QueryValue(key, "Enabled", value) != TRegResult::Ok)
      return "<none>";
    return ValueText(value);
  }

  TAddOnHelper AddOn{Registry, &TScriptedAddOn::Register, &TScriptedAddOn::IsRegistered};
};

TEST_F(AddOnSwitchTest, WithoutTheAddOnNothingIsSwitchedOrStored) {
  TAddOnHelper missing(Registry, (Folder / "empty").string() + "/");
  EXPECT_FALSE(missing.IsHelperAvailable());
  EXPECT_FALSE(SetPopupKillerEnabled(Registry, missing, true));
  EXPECT_FALSE(SetDownloadManagerEnabled(Registry, missing, true));
  EXPECT_EQ(Enabled(PopupKillerKey), "<none>");
  EXPECT_EQ(Enabled(DownloadManagerKey), "<none>");
}

TEST_F(AddOnSwitchTest, AnUnregisteredAddOnLeavesBothOffWhateverIsStored) {
  ASSERT_TRUE(SetPopupKillerEnabled(Registry, AddOn, true));
  ASSERT_TRUE(SetDownloadManagerEnabled(Registry, AddOn, true));
  EXPECT_EQ(Enabled(PopupKillerKey), "1");
  EXPECT_FALSE(IsPopupKillerEnabled(Registry, AddOn));
  EXPECT_FALSE(IsDownloadManagerEnabled(Registry, AddOn));
  MarkRegistered();
  EXPECT_TRUE(IsPopupKillerEnabled(Registry, AddOn));
  EXPECT_TRUE(IsDownloadManagerEnabled(Registry, AddOn));
}

TEST_F(AddOnSwitchTest, TheAddOnStaysRegisteredWhileEitherFeatureIsOn) {
  MarkRegistered();
  ASSERT_TRUE(SetPopupKillerEnabled(Registry, AddOn, true));
  ASSERT_TRUE(SetDownloadManagerEnabled(Registry, AddOn, true));
  ASSERT_TRUE(SetPopupKillerEnabled(Registry, AddOn, false));
  ASSERT_TRUE(SetDownloadManagerEnabled(Registry, AddOn, false));
  EXPECT_EQ(TScriptedAddOn::Calls, (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(Enabled(PopupKillerKey), "0");
  EXPECT_EQ(Enabled(DownloadManagerKey), "0");
}

TEST(PopupKillerURLEdit, NewRefusesCancelledEmptyAndKnownEntries) {
  List list{"http://Ads.example/"};
  EXPECT_FALSE(URLEditNew(list, std::nullopt));
  EXPECT_FALSE(URLEditNew(list, std::string()));
  EXPECT_FALSE(URLEditNew(list, std::string("HTTP://ads.EXAMPLE/")));
  EXPECT_TRUE(URLEditNew(list, std::string("Popup")));
  EXPECT_EQ(list, (List{"http://Ads.example/", "Popup"}));
}

TEST(PopupKillerURLEdit, ChangeReplacesAsTypedRefusesEmptyAndIgnoresCancel) {
  List list{"a", "b"};
  EXPECT_TRUE(URLEditChange(list, 1, std::nullopt));
  EXPECT_TRUE(URLEditChange(list, 1, std::string("A")));
  EXPECT_FALSE(URLEditChange(list, 0, std::string()));
  EXPECT_EQ(list, (List{"a", "A"}));
}

TEST(AddOnDownloadSettings, FileExtensionsAreStoredWithoutBlanksInUpperCase) {
  EXPECT_EQ(AddOnDownloadSettings::NormalizeFileExtensions(" .exe, .Zip ,.7z"), ".EXE,.ZIP,.7Z");
  EXPECT_EQ(AddOnDownloadSettings::NormalizeFileExtensions(""), "");
}

} // namespace
