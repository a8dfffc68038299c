// SPDX-License-Identifier: GPL-3.0-or-later
// The trace cleaner's steps on browser profiles in a home of their own.
#include "PrivacyTestSupport.h"
#include "TempFolder.h"
#include "privacy/DestroyerClassUnit.h"
#include "privacy/DestroyerTexts.h"

#include <gmock/gmock.h>
#include <sqlite3.h>

namespace {

namespace fs = std::filesystem;
using privacy_test::MakeDatabase;
using privacy_test::ModeOf;
using privacy_test::ReadFile;
using privacy_test::Rows;
using privacy_test::WriteFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* ProfilesIni = "[General]\nStartWithLastProfile=1\n\n"
                                    "[Profile0]\nName=default\nIsRelative=1\nPath=p1.default\n\n"
                                    "[Profile1]\nName=escape\nIsRelative=1\nPath=../../outside\n";

constexpr const char* CookieRow =
    "INSERT INTO moz_cookies(name, value, host, path, expiry, lastAccessed, creationTime, "
    "isSecure, isHttpOnly) VALUES ('a', '1', '.keep.example', '/', 9, 1, 1, 0, 0), "
    "('b', '2', 'gone.example', '/', 9, 1, 1, 0, 0);";

class Destroyer : public ::testing::Test {
protected:
  void SetUp() override {
    WriteFile(Root / "profiles.ini", ProfilesIni);
    fs::create_directories(Profile);
    WriteFile(Home.Path() / "home" / "precious.txt", "keep me");
  }
  TDestroyerClass& Cleaner() {
    if (!FCleaner) {
      FCleaner = std::make_unique<TDestroyerClass>(
          Registry, [this](std::string_view text) { Messages.emplace_back(text); });
    }
    return *FCleaner;
  }

  TTestHome Home;
  TRegistry Registry{TRegistryLocations::InFolder(Home.RegistryFolder())};
  fs::path Root = Home.Path() / "home" / ".mozilla" / "firefox";
  fs::path Profile = Root / "p1.default";
  fs::path ChromiumProfile = Home.Path() / "home" / ".config" / "chromium" / "Default";
  std::vector<std::string> Messages;

private:
  std::unique_ptr<TDestroyerClass> FCleaner;
};

TEST_F(Destroyer, CookiesTxtAndCookieStoreKeepOnlyTheKeptSitesAndTheFileItsMode) {
  WriteFile(Profile / "cookies.txt",
            "# Netscape HTTP Cookie File\n.keep.example\tTRUE\t/\tFALSE\t0\ta\t1\n"
            "gone.example\tFALSE\t/\tFALSE\t0\tb\t2\n",
            0600);
  MakeDatabase(Profile / "cookies.sqlite", "firefox-cookies", CookieRow);
  Cleaner().DeleteCookies({".keep.example"}, {.Netscape = true}, false);
  EXPECT_EQ(ReadFile(Profile / "cookies.txt"),
            "# Netscape HTTP Cookie File\n.keep.example\tTRUE\t/\tFALSE\t0\ta\t1\n");
  EXPECT_EQ(ModeOf(Profile / "cookies.txt"), 0600u);
  EXPECT_THAT(Rows(Profile / "cookies.sqlite", "SELECT host FROM moz_cookies"),
              ElementsAre(".keep.example"));
  EXPECT_THAT(Messages, IsEmpty());
}

TEST_F(Destroyer, AHeldCookieStoreShowsItsMessageEvenInTheSilentRun) {
  MakeDatabase(Profile / "cookies.sqlite", "firefox-cookies", CookieRow);
  sqlite3* browser = nullptr;
  ASSERT_EQ(sqlite3_open((Profile / "cookies.sqlite").c_str(), &browser), SQLITE_OK);
  sqlite3_exec(browser, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
               nullptr);
  Cleaner().DeleteCookies({}, {.Netscape = true}, true);
  sqlite3_close(browser);
  EXPECT_THAT(Messages, ElementsAre(std::string(DestroyerTexts::NetscapeCookiesFailed)));
  EXPECT_EQ(Rows(Profile / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"),
            std::vector<std::string>{"2"});
}

TEST_F(Destroyer, AHeldHistoryStoreShowsItsMessageOnlyWhenNotSilent) {
  MakeDatabase(Profile / "places.sqlite", "firefox-places", "");
  sqlite3* browser = nullptr;
  ASSERT_EQ(sqlite3_open((Profile / "places.sqlite").c_str(), &browser), SQLITE_OK);
  sqlite3_exec(browser, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
               nullptr);
  Cleaner().DeleteHistory({.Netscape = true}, true);
  EXPECT_THAT(Messages, IsEmpty());
  Cleaner().DeleteHistory({.Netscape = true}, false);
  sqlite3_close(browser);
  EXPECT_THAT(Messages, ElementsAre(std::string(DestroyerTexts::NetscapeHistoryFailed)));
}

TEST_F(Destroyer, CacheCleaningNeverFollowsALinkToTheHomeOrALoop) {
  WriteFile(Profile / "Cache" / "entry", "cached");
  WriteFile(Home.Path() / "home" / ".cache" / "mozilla" / "firefox" / "p1.default" / "cache2" /
                "entries" / "ABC",
            "cached");
  fs::create_directory_symlink(Home.Path() / "home", Profile / "cache2");
  fs::create_directory_symlink(Root, Profile / "Cache" / "loop");
  Cleaner().DeleteCache({.Netscape = true});
  EXPECT_FALSE(fs::exists(Profile / "Cache" / "entry"));
  EXPECT_TRUE(fs::is_empty(Home.Path() / "home" / ".cache" / "mozilla" / "firefox" / "p1.default" /
                           "cache2" / "entries"));
  EXPECT_TRUE(fs::exists(Home.Path() / "home" / "precious.txt"));
  EXPECT_TRUE(fs::exists(Root / "profiles.ini"));
}

TEST_F(Destroyer, FormDataGoesButKeyStoreCertificatesAndForeignPathsStay) {
  WriteFile(Profile / "localstore.rdf", "x");
  WriteFile(Profile / "wallet.w", "secret");
  WriteFile(Profile / "prefs.js",
            "user_pref(\"wallet.SchemaValueFileName\", \"wallet.w\");\n"
            "user_pref(\"wallet.SchemaValueFileName\", \"../../../precious.txt\");\n");
  WriteFile(Profile / "logins.json", "{}");
  WriteFile(Profile / "key4.db", "k");
  WriteFile(Profile / "cert9.db", "c");
  MakeDatabase(Profile / "formhistory.sqlite", "firefox-formhistory",
               "INSERT INTO moz_formhistory(fieldname, value) VALUES ('q', 'x');");
  Cleaner().DeleteAutoComplete({.Netscape = true}, false);
  for (const char* gone : {"localstore.rdf", "wallet.w", "logins.json"})
    EXPECT_FALSE(fs::exists(Profile / gone)) << gone;
  for (const char* kept : {"key4.db", "cert9.db", "prefs.js", "formhistory.sqlite"})
    EXPECT_TRUE(fs::exists(Profile / kept)) << kept;
  EXPECT_TRUE(fs::exists(Home.Path() / "home" / "precious.txt"));
  EXPECT_EQ(Rows(Profile / "formhistory.sqlite", "SELECT count(*) FROM moz_formhistory"),
            std::vector<std::string>{"0"});
}

TEST_F(Destroyer, CollectsNamesOfEveryStoreSortedAndOnce) {
  WriteFile(Profile / "cookies.txt", "b.example\tFALSE\t/\tFALSE\t0\tn\tv\n");
  MakeDatabase(Profile / "cookies.sqlite", "firefox-cookies", CookieRow);
  MakeDatabase(ChromiumProfile / "Cookies", "chromium-cookies",
               "INSERT INTO cookies VALUES (1, 'GONE.example', '', 's', 'v', x'', '/', 9, 0, 0, "
               "1, 1, 1, 1, 0, 2, 443, 1, 0, 0);");
  Cleaner().UrlCache().Entries().push_back({"Cookie:u@ie.example/", UrlCacheType::Cookie});
  EXPECT_THAT(Cleaner().CollectCookieNames(),
              ElementsAre(".keep.example", "b.example", "gone.example", "ie.example"));
}

TEST_F(Destroyer, TheAutomaticRunTouchesOnlyItsBrowser) {
  MakeDatabase(Profile / "cookies.sqlite", "firefox-cookies", CookieRow);
  MakeDatabase(ChromiumProfile / "Cookies", "chromium-cookies",
               "INSERT INTO cookies VALUES (1, 'a.example', '', 's', 'v', x'', '/', 9, 0, 0, "
               "1, 1, 1, 1, 0, 2, 443, 1, 0, 0);");
  TDestroyerOptions options;
  options.NSCookies = true;
  options.ChromiumCookies = true;
  AutoKillBrowser(Cleaner(), TBrowserKind::Chromium, options, {});
  EXPECT_EQ(Rows(Profile / "cookies.sqlite", "SELECT count(*) FROM moz_cookies"),
            std::vector<std::string>{"2"});
  EXPECT_EQ(Rows(ChromiumProfile / "Cookies", "SELECT count(*) FROM cookies"),
            std::vector<std::string>{"0"});
}

TEST_F(Destroyer, UrlCacheStepsSelectEntriesByTheirTypeBits) {
  using namespace UrlCacheType;
  auto& entries = Cleaner().UrlCache().Entries();
  entries = {{"Cookie:u@keep.example/", Cookie},
             {"Cookie:u@drop.example/", Cookie},
             {"http://page/", Normal},
             {"http://control/", Normal | Ocx},
             {"Visited:u@http://page/", UrlHistory}};
  Cleaner().DeleteCookies({"KEEP.example"}, {.IE = true}, false);
  Cleaner().DeleteCache({.IE = true});
  std::vector<std::string> left;
  for (const TUrlCacheEntry& entry : entries)
    left.push_back(entry.SourceUrl);
  EXPECT_THAT(left,
              ElementsAre("Cookie:u@keep.example/", "http://control/", "Visited:u@http://page/"));
}

TEST_F(Destroyer, ReportsEachOptionsItemsAndNothingInADryRun) {
  WriteFile(Home.Path() / "home" / ".local" / "share" / "recently-used.xbel",
            "<xbel><bookmark href=\"file:///a\"/></xbel>");
  WriteFile(Home.Path() / "home" / ".cache" / "thumbnails" / "normal" / "x.png", "1234");
  TCleanReport report;
  Cleaner().SetReport(&report);
  Cleaner().SetDryRun(true);
  TDestroyerOptions options;
  options.ClearLastDocs = true;
  options.ClearThumbnails = true;
  Cleaner().ClearWindowsTraces(options);
  EXPECT_EQ(report.Of("ClearLastDocs").Items, 1u);
  EXPECT_EQ(report.Of("ClearThumbnails").Bytes, 4u);
  EXPECT_TRUE(fs::exists(Home.Path() / "home" / ".cache" / "thumbnails" / "normal" / "x.png"));
}

TEST_F(Destroyer, FindsInstalledBrowsersByTheirProfiles) {
  EXPECT_TRUE(Cleaner().IsMozillaInstalled());
  EXPECT_FALSE(Cleaner().IsChromiumInstalled());
  EXPECT_FALSE(Cleaner().IsOperaInstalled());
  fs::create_directories(ChromiumProfile);
  EXPECT_TRUE(Cleaner().IsChromiumInstalled());
}

} // namespace
