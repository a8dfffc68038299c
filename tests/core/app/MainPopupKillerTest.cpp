// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's popup killer and add-on switches, with the add-on stand-in in the
// program's folder as an installed program has it.
#include "MainTestSupport.h"
#include "downloads/DownloadManagerKeys.h"
#include "privacy/AddOnClassId.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerTexts.h"
#include "privacy/PopupKillerUnit.h"

#include <gmock/gmock.h>

namespace {

using List = std::vector<std::string>;

class MainPopupKiller : public MainTestBase {
protected:
  void SetUp() override {
    Store([](TRegistrySettings& s) { s.FirstStart = false; });
  }
  bool Registered() const { return Main->AddOn().IsHelperRegistered(); }
  const TAddOnState& Shown() const { return View.AddOnStates.back(); }
};

TEST_F(MainPopupKiller, StartShowsTheAddOnsStateAndSeedsTheLists) {
  Start();
  EXPECT_TRUE(UserInterface.Messages.empty());
  ASSERT_FALSE(View.AddOnStates.empty());
  EXPECT_TRUE(Shown().Available);
  EXPECT_FALSE(Shown().PopupKillerEnabled);
  EXPECT_TRUE(Shown().SetCheckBoxes);
  EXPECT_EQ(LoadBlockedPopupURLs(*Registry), List{"dialer"});
}

TEST_F(MainPopupKiller, MissingAddOnDisablesItsControlsAndSaysSoAtStartAndEachRestore) {
  std::filesystem::remove(Home.Path() / "program" / "qhelper.so");
  TMain& main = Start();
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, PopupKillerTexts::AddOnMissing);
  EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Error);
  EXPECT_FALSE(Shown().Available);
  main.RefreshAddOnControls();
  EXPECT_EQ(UserInterface.Messages.size(), 2u);
  main.popupkillerChkBoxClick(true);
  main.PopupKiller2Click();
  EXPECT_FALSE(Shown().PopupKillerEnabled);
  EXPECT_FALSE(Registered());
}

TEST_F(MainPopupKiller, CheckBoxAndTrayItemSwitchAndTheAddOnFollowsBothFeatures) {
  TMain& main = Start();
  main.popupkillerChkBoxClick(true);
  EXPECT_TRUE(Registered());
  EXPECT_TRUE(Shown().PopupKillerEnabled);
  // The tray leaves the check box alone until the window is restored.
  EXPECT_FALSE(Shown().SetCheckBoxes);
  main.DMChkBoxClick(true);
  main.PopupKiller2Click();
  EXPECT_FALSE(Shown().PopupKillerEnabled);
  EXPECT_TRUE(Shown().DownloadManagerEnabled);
  EXPECT_TRUE(Registered());
  main.mnuADDMClick();
  EXPECT_FALSE(Shown().DownloadManagerEnabled);
  EXPECT_TRUE(Shown().SetCheckBoxes);
  EXPECT_FALSE(Registered());
}

TEST_F(MainPopupKiller, ListButtonsEditTheStoredListsAndCancelKeepsThem) {
  TMain& main = Start();
  UserInterface.URLListAnswers.push_back({"http://ok.example/"});
  main.AllowedPopupsBtnClick();
  EXPECT_EQ(LoadAllowedPopups(*Registry), List{"http://ok.example/"});
  main.BlockedURLsBtnClick();
  EXPECT_EQ(LoadBlockedPopupURLs(*Registry), List{"dialer"});
  EXPECT_EQ(UserInterface.DialogCaptions,
            (List{std::string(PopupKillerTexts::AllowedPopupsCaption),
                  std::string(PopupKillerTexts::BlockedURLsCaption)}));
  ASSERT_EQ(UserInterface.URLListsShown.size(), 2u);
  EXPECT_EQ(UserInterface.URLListsShown[1], List{"dialer"});
}

TEST_F(MainPopupKiller, CollectedKilledPagesJoinTheAllowedList) {
  TMain& main = Start();
  SaveAllowedPopups(*Registry, {"http://ok.example/"});
  TRegKey killed;
  ASSERT_EQ(Registry->CreateKey(TRootKey::CurrentUser, std::string(PopupKillerKey) + "\\KilledURLs",
                                "", killed),
            TRegResult::Ok);
  Registry->SetValue(killed, "0", MakeStringValue("http://pop.example/ads/win.html"));
  UserInterface.URLListAnswers.push_back({"http://pop.example/ads/win.html", "http://OK.example/"});
  main.LastBlockedURLsBtnClick();
  EXPECT_EQ(UserInterface.URLListsShown.back(), List{"http://pop.example/ads/win.html"});
  EXPECT_EQ(LoadAllowedPopups(*Registry), (List{"http://ok.example/", "http://pop.example/ads"}));
}

TEST_F(MainPopupKiller, StatisticsShowTheAddOnsCountAndTheSoundIsStoredAtOnce) {
  TMain& main = Start();
  TRegKey statistics;
  ASSERT_EQ(Registry->CreateKey(TRootKey::CurrentUser, std::string(PopupKillerKey) + "\\Statistics",
                                "", statistics),
            TRegResult::Ok);
  Registry->SetValue(statistics, "Killed", MakeDWordValue(17));
  EXPECT_EQ(main.StatisticsTexts().KilledPopupsLabel, "17");
  main.PKSoundFileNameChange("/usr/share/sounds/pop.wav");
  EXPECT_EQ(LoadSoundFileName(*Registry), "/usr/share/sounds/pop.wav");
  EXPECT_EQ(main.PKSoundFileName(), "/usr/share/sounds/pop.wav");
  EXPECT_EQ(main.DMFileExtEditChange(".iso, .img"), ".ISO,.IMG");
  EXPECT_EQ(main.DMFileExtensions(), ".ISO,.IMG");
}

// The page edits the very value the download manager's side reads.
TEST_F(MainPopupKiller, FileTypesEditIsTheDownloadManagersList) {
  TMain& main = Start();
  EXPECT_EQ(main.DMFileExtensions(), DownloadManagerKeys::DefaultFileExtensions);
  main.DMFileExtEditChange(" .iso,.Img ");
  EXPECT_EQ(LoadFileExtensions(*Registry), ".ISO,.IMG");
  EXPECT_TRUE(ExtensionIsListed("http://127.0.0.1/disk.img", LoadFileExtensions(*Registry)));
  EXPECT_FALSE(ExtensionIsListed("http://127.0.0.1/setup.exe", LoadFileExtensions(*Registry)));
  SaveFileExtensions(*Registry, ".MP3");
  EXPECT_EQ(main.DMFileExtensions(), ".MP3");
}

TEST_F(MainPopupKiller, DownloadPageSettingsAreStored) {
  Start();
  Apply([](TSettingsValues& s) {
    s.DMDrossel = true;
    s.DMMaxDownload = 2048;
    s.DMDrosselPercent = 50;
    s.DMInfoWindowTimeout = 9;
  });
  const auto stored = Stored();
  EXPECT_TRUE(stored->DMDrossel);
  EXPECT_EQ(stored->DMMaxDownload, 2048);
  EXPECT_EQ(stored->DMDrosselPercent, 50);
  EXPECT_EQ(stored->DMInfoWindowTimeout, 9);
}

} // namespace
