// SPDX-License-Identifier: GPL-3.0-or-later
// The statements the cleaner runs on each browser store, on small databases with the
// browsers' real schemas.
#include "privacy/DestroyerSqlite.h"

#include "PrivacyTestSupport.h"
#include "TempFolder.h"

#include <gmock/gmock.h>

namespace {

namespace fs = std::filesystem;
using privacy_test::MakeDatabase;
using privacy_test::Rows;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr const char* FirefoxCookieRows =
    "INSERT INTO moz_cookies(name, value, host, path, expiry, lastAccessed, creationTime, "
    "isSecure, isHttpOnly) VALUES "
    "('s', 'v1', '.keep.example', '/', 9, 1, 1, 0, 0),"
    "('t', 'v2', 'Keep.Example', '/', 9, 1, 1, 0, 0),"
    "('u', 'v3', '.track.example', '/', 9, 1, 1, 0, 0),"
    "('w', 'v4', 'www.keep.example', '/', 9, 1, 1, 0, 0);";

// A bookmarked page, a page only visited, and a page a keyword uses.
constexpr const char* PlacesRows =
    "INSERT INTO moz_origins(id, prefix, host, frecency) VALUES (1, 'https://', 'a.example', 1),"
    "(2, 'https://', 'b.example', 1), (3, 'https://', 'c.example', 1);"
    "INSERT INTO moz_places(id, url, title, rev_host, visit_count, last_visit_date, guid, "
    "foreign_count, origin_id) VALUES "
    "(1, 'https://a.example/', 'A', 'elpmaxe.a.', 2, 5, 'g1', 1, 1),"
    "(2, 'https://b.example/', 'B', 'elpmaxe.b.', 1, 5, 'g2', 0, 2),"
    "(3, 'https://c.example/', 'C', 'elpmaxe.c.', 1, 5, 'g3', 1, 3);"
    "INSERT INTO moz_bookmarks(id, type, fk, parent, position, title, guid) VALUES "
    "(10, 1, 1, 2, 0, 'A', 'b1');"
    "INSERT INTO moz_keywords(keyword, place_id) VALUES ('c', 3);"
    "INSERT INTO moz_historyvisits(id, place_id, visit_date, visit_type) VALUES (1, 1, 5, 1),"
    "(2, 1, 6, 1), (3, 2, 5, 1), (4, 3, 5, 1);"
    "INSERT INTO moz_inputhistory(place_id, input, use_count) VALUES (2, 'b.ex', 1);"
    "INSERT INTO moz_annos(place_id, anno_attribute_id, content) VALUES (2, 1, 'note');";

constexpr const char* ChromiumCookieRows =
    "INSERT INTO cookies VALUES (1, '.keep.example', '', 's', 'v', x'', '/', 9, 0, 0, 1, 1, 1, "
    "1, 0, 2, 443, 1, 0, 0),"
    "(1, 'track.example', '', 'u', 'v', x'0102', '/', 9, 0, 0, 1, 1, 1, 1, 0, 2, 443, 1, 0, 0);";

constexpr const char* ChromiumHistoryRows =
    "INSERT INTO urls(id, url, title, visit_count, last_visit_time) VALUES "
    "(1, 'https://a.example/', 'A', 1, 5);"
    "INSERT INTO visits(id, url, visit_time) VALUES (1, 1, 5), (2, 1, 6);"
    "INSERT INTO keyword_search_terms VALUES (1, 1, 'Term', 'term');"
    "INSERT INTO downloads(id, guid, current_path, target_path, start_time, received_bytes, "
    "total_bytes, state, danger_type, interrupt_reason, hash, end_time, opened, "
    "last_access_time, transient, referrer, site_url, embedder_download_data, tab_url, "
    "tab_referrer_url, http_method, by_ext_id, by_ext_name, by_web_app_id, etag, "
    "last_modified, mime_type, original_mime_type) VALUES (1, 'g', '/d/f', '/d/f', 1, 1, 1, 1, "
    "0, 0, x'', 1, 0, 1, 0, '', '', '', '', '', '', '', '', '', '', '', '', '');";

struct TStoreCase {
  const char* Name;
  const char* Schema;
  const char* Setup;
  const TStoreEdit* Edit;
  TCookieKeepList Keep;
  std::uint64_t Removed;
  const char* Check;
  std::vector<std::string> Remaining;
};

class StoreStatements : public ::testing::TestWithParam<TStoreCase> {
protected:
  TTempFolder Folder;
  fs::path File = Folder / "store.sqlite";
};

TEST_P(StoreStatements, RemoveWhatTheOptionNamesAndKeepTheRest) {
  const TStoreCase& c = GetParam();
  MakeDatabase(File, c.Schema, c.Setup);
  TCleanTally tally;
  ASSERT_EQ(EditStore(File, *c.Edit, c.Keep, false, tally), TStoreResult::Done);
  EXPECT_EQ(tally.Items, c.Removed);
  EXPECT_THAT(Rows(File, c.Check), ElementsAreArray(c.Remaining));
}

TEST_P(StoreStatements, DryRunCountsTheSameRowsAndChangesNothing) {
  const TStoreCase& c = GetParam();
  MakeDatabase(File, c.Schema, c.Setup);
  const std::vector<std::string> before = Rows(File, c.Check);
  TCleanTally tally;
  ASSERT_EQ(EditStore(File, *c.Edit, c.Keep, true, tally), TStoreResult::Done);
  EXPECT_EQ(tally.Items, c.Removed);
  EXPECT_EQ(Rows(File, c.Check), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreStatements,
    ::testing::Values(
        TStoreCase{"FirefoxCookiesKeepListedHostsInAnyCase",
                   "firefox-cookies",
                   FirefoxCookieRows,
                   &BrowserStores::FirefoxCookies,
                   {".KEEP.example", "keep.example"},
                   2,
                   "SELECT host FROM moz_cookies ORDER BY id",
                   {".keep.example", "Keep.Example"}},
        TStoreCase{"FirefoxCookiesAllGoWithoutKeepList",
                   "firefox-cookies",
                   FirefoxCookieRows,
                   &BrowserStores::FirefoxCookies,
                   {},
                   4,
                   "SELECT host FROM moz_cookies",
                   {}},
        TStoreCase{
            "FirefoxHistoryGoesBookmarksAndKeywordsStay",
            "firefox-places",
            PlacesRows,
            &BrowserStores::FirefoxHistory,
            {},
            // four visits, one typed entry, one page
            6,
            "SELECT p.id, p.visit_count, coalesce(p.last_visit_date, 'none'), "
            "(SELECT count(*) FROM moz_bookmarks), (SELECT count(*) FROM moz_historyvisits), "
            "(SELECT count(*) FROM moz_annos), (SELECT group_concat(id) FROM moz_origins) "
            "FROM moz_places p ORDER BY p.id",
            {"1|0|none|1|0|0|1,3", "3|0|none|1|0|0|1,3"}},
        TStoreCase{"FirefoxFormHistoryGoesWhole",
                   "firefox-formhistory",
                   "INSERT INTO moz_formhistory(fieldname, value) VALUES ('q', 'secret'), "
                   "('email', 'me@example.org');",
                   &BrowserStores::FirefoxFormHistory,
                   {},
                   2,
                   "SELECT count(*) FROM moz_formhistory",
                   {"0"}},
        TStoreCase{"ChromiumCookiesKeepListedHosts",
                   "chromium-cookies",
                   ChromiumCookieRows,
                   &BrowserStores::ChromiumCookies,
                   {".keep.example"},
                   1,
                   "SELECT host_key FROM cookies",
                   {".keep.example"}},
        TStoreCase{"ChromiumHistoryGoesDownloadsStay",
                   "chromium-history",
                   ChromiumHistoryRows,
                   &BrowserStores::ChromiumHistory,
                   {},
                   4,
                   "SELECT (SELECT count(*) FROM urls), (SELECT count(*) FROM visits), "
                   "(SELECT count(*) FROM downloads)",
                   {"0|0|1"}},
        TStoreCase{"ChromiumFormDataGoes",
                   "chromium-webdata",
                   "INSERT INTO autofill(name, value, value_lower) VALUES ('q', 'Hi', 'hi');"
                   "INSERT INTO autocomplete(name, label, value) VALUES ('q', 'Q', 'x');",
                   &BrowserStores::ChromiumFormData,
                   {},
                   2,
                   "SELECT (SELECT count(*) FROM autofill), (SELECT count(*) FROM autocomplete)",
                   {"0|0"}}),
    [](const auto& info) { return std::string(info.param.Name); });

class StoreAccess : public ::testing::Test {
protected:
  TTempFolder Folder;
  fs::path File = Folder / "cookies.sqlite";
};

TEST_F(StoreAccess, ADatabaseTheBrowserHoldsIsBusyAndStaysUnchanged) {
  MakeDatabase(File, "firefox-cookies", FirefoxCookieRows);
  sqlite3* browser = nullptr;
  ASSERT_EQ(sqlite3_open(File.c_str(), &browser), SQLITE_OK);
  // As the browser keeps it: locked for as long as it runs.
  ASSERT_EQ(sqlite3_exec(browser, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  TCleanTally tally;
  EXPECT_EQ(EditStore(File, BrowserStores::FirefoxCookies, {}, false, tally), TStoreResult::Busy);
  std::vector<std::string> names;
  EXPECT_FALSE(ReadStoreNames(File, BrowserStores::FirefoxCookieNames, names));
  sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(browser);
  EXPECT_EQ(Rows(File, "SELECT count(*) FROM moz_cookies"), std::vector<std::string>{"4"});
  EXPECT_EQ(tally.Items, 0u);
}

TEST_F(StoreAccess, MissingLinkedOrForeignFilesAreNotEdited) {
  TCleanTally tally;
  EXPECT_EQ(EditStore(File, BrowserStores::FirefoxCookies, {}, false, tally),
            TStoreResult::Missing);
  MakeDatabase(Folder / "elsewhere.sqlite", "firefox-cookies", FirefoxCookieRows);
  fs::create_symlink(Folder / "elsewhere.sqlite", File);
  EXPECT_EQ(EditStore(File, BrowserStores::FirefoxCookies, {}, false, tally),
            TStoreResult::Missing);
  privacy_test::WriteFile(Folder / "text.sqlite", "not a database at all");
  EXPECT_EQ(EditStore(Folder / "text.sqlite", BrowserStores::FirefoxCookies, {}, false, tally),
            TStoreResult::Failed);
  EXPECT_EQ(privacy_test::ReadFile(Folder / "text.sqlite"), "not a database at all");
  EXPECT_EQ(Rows(Folder / "elsewhere.sqlite", "SELECT count(*) FROM moz_cookies"),
            std::vector<std::string>{"4"});
}

TEST_F(StoreAccess, CookieNamesAreTheDistinctHosts) {
  MakeDatabase(File, "firefox-cookies", FirefoxCookieRows);
  std::vector<std::string> names;
  ASSERT_TRUE(ReadStoreNames(File, BrowserStores::FirefoxCookieNames, names));
  EXPECT_EQ(names.size(), 4u);
}

} // namespace
