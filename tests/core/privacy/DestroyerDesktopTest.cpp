// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's traces: recently-used lists, file dialog history, trash and the
// registry lists.
#include "privacy/DestroyerDesktop.h"

#include "PrivacyTestSupport.h"
#include "TempFolder.h"

#include <gmock/gmock.h>

namespace {

namespace fs = std::filesystem;
using privacy_test::ModeOf;
using privacy_test::ReadFile;
using privacy_test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* RecentlyUsed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\">\n"
    "  <bookmark href=\"file:///home/u/secret.odt\" added=\"x\"/>\n"
    "  <bookmark href=\"file:///home/u/plan.pdf\" added=\"x\"/>\n</xbel>\n";

TEST(Xbel, IsEmptiedKeepingTheFileAndItsMode) {
  TTempFolder folder;
  const fs::path file = folder / "recently-used.xbel";
  WriteFile(file, RecentlyUsed, 0600);
  const TCleanTally tally = EmptyXbel(file, false);
  EXPECT_EQ(tally.Items, 2u);
  EXPECT_THAT(ReadFile(file), Not(HasSubstr("secret")));
  EXPECT_THAT(ReadFile(file), HasSubstr("<xbel"));
  EXPECT_EQ(ModeOf(file), 0600u);
  EXPECT_EQ(EmptyXbel(file, false).Items, 0u);
}

TEST(Xbel, AMissingFileIsNotCreated) {
  TTempFolder folder;
  EmptyXbel(folder / "servers", false);
  EXPECT_FALSE(fs::exists(folder / "servers"));
}

struct TIniCase {
  const char* Name;
  const char* Content;
  const char* Expected;
  std::size_t Dropped;
};

class IniKeys : public ::testing::TestWithParam<TIniCase> {};

TEST_P(IniKeys, GoOnlyFromTheirSection) {
  std::size_t dropped = 0;
  EXPECT_EQ(WithoutIniKeys(GetParam().Content, "FileDialog", {"history", "lastVisited"}, dropped),
            GetParam().Expected);
  EXPECT_EQ(dropped, GetParam().Dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniKeys,
    ::testing::Values(TIniCase{"QtDialogHistory",
                               "[FileDialog]\nhistory=file:///a, file:///b\nlastVisited=file:///b\n"
                               "qtVersion=6.4.2\nshortcuts=file:\n",
                               "[FileDialog]\nqtVersion=6.4.2\nshortcuts=file:\n", 2},
                      TIniCase{"OtherSectionsStay",
                               "[Other]\nhistory=x\n[FileDialog]\nHistory = y\n",
                               "[Other]\nhistory=x\n[FileDialog]\n", 1},
                      TIniCase{"NoTrailingLineBreak", "[FileDialog]\nviewMode=Detail\nhistory=x",
                               "[FileDialog]\nviewMode=Detail", 1},
                      TIniCase{"NothingToDrop", "[FileDialog]\nviewMode=Detail\n",
                               "[FileDialog]\nviewMode=Detail\n", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(IniFile, IsRewrittenWithItsModeOnlyWhenAKeyGoes) {
  TTempFolder folder;
  const fs::path file = folder / "QtProject.conf";
  WriteFile(file, "[FileDialog]\nhistory=file:///secret\n", 0640);
  EXPECT_EQ(DropIniKeys(file, "FileDialog", {"history"}, false).Items, 1u);
  EXPECT_EQ(ReadFile(file), "[FileDialog]\n");
  EXPECT_EQ(ModeOf(file), 0640u);
}

TEST(Mounts, AreTheFifthFieldWithEscapesUndone) {
  EXPECT_THAT(MountPoints("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                          "40 22 8:17 / /media/u/My\\040Disk rw - vfat /dev/sdb1 rw\n"),
              ElementsAre("/", "/media/u/My Disk"));
}

TEST(Trash, FoldersAreTheHomeTrashAndBothPerDeviceForms) {
  EXPECT_THAT(TrashFolders("/h/.local/share", 1000, {"/", "/media/d"}),
              ElementsAre("/h/.local/share/Trash", "/.Trash/1000", "/.Trash-1000",
                          "/media/d/.Trash/1000", "/media/d/.Trash-1000"));
}

TEST(Trash, IsEmptiedKeepingItsFoldersAndNeverFollowingLinks) {
  TTempFolder folder;
  const fs::path trash = folder / "Trash";
  WriteFile(trash / "files" / "old.txt", "abc");
  WriteFile(trash / "files" / "dir" / "inner.txt", "d");
  WriteFile(trash / "info" / "old.txt.trashinfo", "[Trash Info]\n");
  WriteFile(folder / "home" / "precious", "keep");
  fs::create_directory_symlink(folder / "home", trash / "files" / "home-link");
  const TCleanTally tally = EmptyTrash({trash, folder / "absent"}, false);
  EXPECT_TRUE(fs::is_empty(trash / "files"));
  EXPECT_TRUE(fs::is_empty(trash / "info"));
  EXPECT_EQ(tally.Items, 5u);
  EXPECT_TRUE(fs::exists(folder / "home" / "precious"));
}

class RegistryList : public ::testing::Test {
protected:
  TTempFolder Folder;
  TRegistry Registry{TRegistryLocations::InFolder(Folder.Path())};
  static constexpr const char* Key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
};

TEST_F(RegistryList, LosesItsSubKeysAndValuesAndKeepsTheKey) {
  TRegKey list;
  TRegKey sub;
  ASSERT_EQ(Registry.CreateKey(TRootKey::CurrentUser, std::string(Key) + "\\RunMRU", "", list),
            TRegResult::Ok);
  Registry.SetValue(list, "a", MakeStringValue("cmd"));
  Registry.SetValue(list, "MRUList", MakeStringValue("a"));
  Registry.CreateKey(TRootKey::CurrentUser, std::string(Key) + "\\RunMRU\\Sub\\Deeper", "", sub);
  const TCleanTally tally =
      ClearRegistryList(Registry, TRootKey::CurrentUser, Key, "RunMRU", false);
  EXPECT_EQ(tally.Items, 3u);
  TRegKey reopened;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, std::string(Key) + "\\RunMRU", reopened),
            TRegResult::Ok);
  std::vector<std::string> names;
  Registry.EnumValueNames(reopened, names);
  EXPECT_TRUE(names.empty());
  Registry.EnumSubKeys(reopened, names);
  EXPECT_TRUE(names.empty());
}

TEST_F(RegistryList, AMissingListIsLeftMissing) {
  EXPECT_EQ(ClearRegistryList(Registry, TRootKey::CurrentUser, Key, "RecentDocs", false).Items, 0u);
  TRegKey key;
  EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, std::string(Key) + "\\RecentDocs", key),
            TRegResult::NotFound);
}

} // namespace
