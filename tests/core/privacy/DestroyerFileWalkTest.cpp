// SPDX-License-Identifier: GPL-3.0-or-later
// The path rules of the cleaner's folder walks: links, loops, foreign owners,
// special files and the temporary folder.
#include "privacy/DestroyerFileWalk.h"

#include "PrivacyTestSupport.h"
#include "TempFolder.h"
#include "privacy/DestroyerTempFiles.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using privacy_test::WriteFile;
using ::testing::ElementsAre;

class FolderWalk : public ::testing::Test {
protected:
  void SetUp() override {
    // What a link must never reach: a stand-in for the home folder.
    WriteFile(Home / "precious.txt", "keep me");
    WriteFile(Root / "a" / "one.bin", "12345");
    WriteFile(Root / "a" / "b" / "two.bin", "123");
    fs::create_directory_symlink(Home, Root / "a" / "home-link");
    fs::create_symlink(Home / "precious.txt", Root / "a" / "file-link");
    // A loop back to the root.
    fs::create_directory_symlink(Root, Root / "a" / "b" / "loop");
  }

  TTempFolder Folder;
  fs::path Home = Folder / "home";
  fs::path Root = Folder / "root";
};

TEST_F(FolderWalk, ListsEveryRealFolderOnceInSortedOrderAndNoLinkedOne) {
  WriteFile(Root / ".hidden" / "x", "");
  EXPECT_THAT(ListFolderTree(Root), ElementsAre(Root, Root / "a", Root / "a" / "b"));
}

TEST_F(FolderWalk, DeletingFilesInTreeKeepsFoldersLinksAndWhatTheyPointAt) {
  const TCleanTally tally = DeleteFilesInTree(Root, false);
  EXPECT_EQ(tally.Items, 2u);
  EXPECT_EQ(tally.Bytes, 8u);
  EXPECT_FALSE(fs::exists(Root / "a" / "one.bin"));
  EXPECT_TRUE(fs::is_directory(Root / "a" / "b"));
  EXPECT_TRUE(fs::is_symlink(Root / "a" / "file-link"));
  EXPECT_TRUE(fs::exists(Home / "precious.txt"));
}

TEST_F(FolderWalk, RemovingTreeContentsRemovesLinksButNeverFollowsThem) {
  const TCleanTally tally = RemoveTreeContents(Root, false);
  EXPECT_TRUE(fs::is_empty(Root));
  EXPECT_EQ(tally.Bytes, 8u);
  EXPECT_TRUE(fs::exists(Home / "precious.txt"));
}

TEST_F(FolderWalk, DryRunCountsTheSameAndRemovesNothing) {
  const TCleanTally dry = DeleteFilesInTree(Root, true);
  EXPECT_TRUE(fs::exists(Root / "a" / "one.bin"));
  EXPECT_EQ(dry.Items, DeleteFilesInTree(Root, false).Items);
}

TEST_F(FolderWalk, ARootThatIsALinkIsNotWalked) {
  fs::create_directory_symlink(Home, Folder / "root-link");
  EXPECT_TRUE(ListFolderTree(Folder / "root-link").empty());
  EXPECT_EQ(DeleteFilesInTree(Folder / "root-link", false).Items, 0u);
  EXPECT_TRUE(fs::exists(Home / "precious.txt"));
}

// A file system mounted inside the tree (a home or a network share) is not entered.
TEST_F(FolderWalk, StaysOnTheRootsFileSystem) {
  if (geteuid() != 0)
    GTEST_SKIP() << "mounting needs root";
  fs::create_directories(Root / "a" / "mounted");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A mount namespace of the child's own, so the mount ends with it.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", (Root / "a" / "mounted").c_str(), "tmpfs", 0, "size=1m") != 0) {
      _exit(3);
    }
    WriteFile(Root / "a" / "mounted" / "other-fs.txt", "x");
    DeleteFilesInTree(Root, false);
    RemoveTreeContents(Root / "a" / "b", false);
    const bool listed = ListFolderTree(Root).size() != 3;
    _exit(fs::exists(Root / "a" / "mounted" / "other-fs.txt") && !listed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
    GTEST_SKIP() << "no mount namespace here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the walk entered the mounted file system";
}

TEST_F(FolderWalk, DeletePlainFileLeavesLinksAndReportsMissingFiles) {
  TCleanTally tally;
  EXPECT_EQ(DeletePlainFile(Root / "a" / "file-link", false, tally), TDeleteResult::Failed);
  EXPECT_EQ(DeletePlainFile(Root / "a" / "none", false, tally), TDeleteResult::Missing);
  EXPECT_EQ(DeletePlainFile(Root / "a" / "one.bin", false, tally), TDeleteResult::Deleted);
  EXPECT_EQ(tally.Items, 1u);
  EXPECT_TRUE(fs::exists(Home / "precious.txt"));
}

// The temporary folder of a shared system.
class TempClean : public ::testing::Test {
protected:
  TCleanTally Clean(std::vector<fs::path> excluded = {}) {
    return ClearTempFolder(Temp, geteuid(), excluded, false);
  }

  TTempFolder Folder;
  fs::path Temp = Folder / "tmp";
};

TEST_F(TempClean, RemovesOwnFilesAndEmptiedFoldersButKeepsTheTempFolder) {
  WriteFile(Temp / "old.txt", "x");
  WriteFile(Temp / "deep" / "deeper" / "f", "yy");
  Clean();
  EXPECT_TRUE(fs::is_directory(Temp));
  EXPECT_TRUE(fs::is_empty(Temp));
}

TEST_F(TempClean, LeavesSocketsPipesLinksAndLockFiles) {
  fs::create_directories(Temp);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (Temp / "app.sock").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(mkfifo((Temp / "pipe").c_str(), 0600), 0);
  WriteFile(Folder / "outside", "x");
  fs::create_symlink(Folder / "outside", Temp / "link");
  WriteFile(Temp / ".X0-lock", "1");
  WriteFile(Temp / "held", "data");
  const int held = open((Temp / "held").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  Clean();
  for (const char* name : {"app.sock", "pipe", "link", ".X0-lock", "held"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(Temp / name))) << name;
  EXPECT_TRUE(fs::exists(Folder / "outside"));
  close(held);
  close(sock);
}

TEST_F(TempClean, LeavesFilesAndFoldersOfOtherUsers) {
  if (geteuid() != 0)
    GTEST_SKIP() << "handing files to another user needs root";
  WriteFile(Temp / "theirs.txt", "x");
  WriteFile(Temp / "their-folder" / "inside", "x");
  ASSERT_EQ(chown((Temp / "theirs.txt").c_str(), 4242, 4242), 0);
  ASSERT_EQ(chown((Temp / "their-folder").c_str(), 4242, 4242), 0);
  Clean();
  EXPECT_TRUE(fs::exists(Temp / "theirs.txt"));
  EXPECT_TRUE(fs::exists(Temp / "their-folder" / "inside"));
}

TEST_F(TempClean, NeverEntersTheProgramsOwnRuntimeFolder) {
  WriteFile(Temp / "run" / "quorvane" / "queue", "x");
  Clean({Temp / "run" / "quorvane"});
  EXPECT_TRUE(fs::exists(Temp / "run" / "quorvane" / "queue"));
}

TEST(TempFolder, RootCleansOnlyAnExplicitTempFolderOtherThanTmp) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the rule is root's";
  TScopedEnvironment environment;
  environment.Unset("TMPDIR");
  EXPECT_TRUE(GetTempFolder().empty());
  environment.Set("TMPDIR", "/tmp");
  EXPECT_TRUE(GetTempFolder().empty());
  environment.Set("TMPDIR", "/var/tmp/job");
  EXPECT_EQ(GetTempFolder(), fs::path("/var/tmp/job"));
}

} // namespace
