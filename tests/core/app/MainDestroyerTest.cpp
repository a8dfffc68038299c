// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's cleaner handlers: options, the keep-list dialog and the
// automatic run after a browser closed.
#include "MainTestSupport.h"

#include <fcntl.h>
#include <fstream>
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::Pair;

class MainDestroyer : public MainTestBase {
protected:
  void SetUp() override {
    fs::create_directories(Profile);
    std::ofstream(Profile.parent_path() / "profiles.ini")
        << "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n";
    std::ofstream(Profile / "cookies.txt") << "keep.example\tFALSE\t/\tFALSE\t0\ta\t1\n"
                                           << "gone.example\tFALSE\t/\tFALSE\t0\tb\t2\n";
  }
  std::string Cookies() {
    std::ifstream in(Profile / "cookies.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path Profile = Home.Path() / "home" / ".mozilla" / "firefox" / "p.default";
};

TEST_F(MainDestroyer, StartsTheMonitorFromAutoKillAndSeesTheBrowsers) {
  Store([](TRegistrySettings& s) { s.AutoKill = true; });
  Start();
  EXPECT_TRUE(Main->BrowserMonitor().Active());
  EXPECT_TRUE(Main->BrowsersPresent().Mozilla);
  EXPECT_FALSE(Main->BrowsersPresent().Opera);
}

TEST_F(MainDestroyer, AnOptionChangeIsStoredAndSwitchesTheMonitor) {
  Start();
  EXPECT_FALSE(Main->BrowserMonitor().Active());
  TSettingsValues values = Main->Settings();
  values.AutoKill = true;
  values.NSCookies = true;
  values.ChromiumHistory = true;
  values.ProxyPort = 1; // not a cleaner option: left as it is
  Main->DestroyerSettingsChange(values);
  EXPECT_TRUE(Main->BrowserMonitor().Active());
  const auto stored = Stored();
  EXPECT_TRUE(stored->NSCookies);
  EXPECT_TRUE(stored->ChromiumHistory);
  EXPECT_NE(stored->ProxyPort, 1);
}

TEST_F(MainDestroyer, KeepListDialogOffersFoundCookiesNotYetKeptAndStoresItsAnswer) {
  Store([](TRegistrySettings& s) { s.DontDeleteCookiesList = {"KEEP.example"}; });
  Start();
  UserInterface.CookieManagementAnswers.push_back({"KEEP.example", "gone.example"});
  Main->CookieManagementBtnClick();
  ASSERT_EQ(UserInterface.CookieManagementShown.size(), 1u);
  EXPECT_THAT(UserInterface.CookieManagementShown[0],
              Pair(ElementsAre("gone.example"), ElementsAre("KEEP.example")));
  EXPECT_THAT(Stored()->DontDeleteCookiesList, ElementsAre("KEEP.example", "gone.example"));
}

TEST_F(MainDestroyer, CancellingTheKeepListDialogChangesNothing) {
  Store([](TRegistrySettings& s) { s.DontDeleteCookiesList = {"a.example"}; });
  Start();
  Main->CookieManagementBtnClick();
  EXPECT_THAT(Stored()->DontDeleteCookiesList, ElementsAre("a.example"));
}

TEST_F(MainDestroyer, GoCleansWithTheStoredOptionsAndKeepList) {
  Store([](TRegistrySettings& s) {
    s.NSCookies = true;
    s.DontDeleteCookiesList = {"keep.example"};
  });
  Start();
  Main->GoBtnClick();
  EXPECT_EQ(Cookies(), "keep.example\tFALSE\t/\tFALSE\t0\ta\t1\n");
}

TEST_F(MainDestroyer, TheAutomaticRunDoesNothingWithoutAutoKill) {
  Store([](TRegistrySettings& s) { s.NSCookies = true; });
  Start();
  Main->AutoKillMozilla();
  EXPECT_THAT(Cookies(), ::testing::HasSubstr("gone.example"));
}

TEST_F(MainDestroyer, TheAutomaticRunWaitsForTheBrowserToReleaseItsProfile) {
  Store([](TRegistrySettings& s) {
    s.AutoKill = true;
    s.NSCookies = true;
  });
  Start();
  // The closing browser: it holds the profile's lock a moment longer, then writes
  // its cookies one last time and ends.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t browser = fork();
  ASSERT_GE(browser, 0);
  if (browser == 0) {
    const int lock = open((Profile / ".parentlock").c_str(), O_RDWR | O_CREAT, 0600);
    struct flock hold {};
    hold.l_type = F_WRLCK;
    hold.l_whence = SEEK_SET;
    fcntl(lock, F_SETLK, &hold);
    (void)!write(ready[1], "x", 1);
    usleep(300000);
    std::ofstream(Profile / "cookies.txt", std::ios::app)
        << "late.example\tFALSE\t/\tFALSE\t0\tc\t3\n";
    _exit(0);
  }
  char signal = 0;
  ASSERT_EQ(read(ready[0], &signal, 1), 1);
  Main->AutoKillMozilla();
  int status = 0;
  waitpid(browser, &status, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(Cookies(), "");
}

} // namespace
