// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privacy/DestroyerOptions.h"
#include "privacy/DestroyerReport.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The browsers' SQLite stores are edited through SQLite, never replaced or deleted:
// one transaction per database, so the browser finds the old content or the new,
// and a database the running browser holds is left as it is.

// Rows of Table matching Where go; Bytes sums what each row held. Where may name
// the temporary table keep(name), which holds the keep-list.
struct TStoreDelete {
  std::string_view Table;
  std::string_view Where;
  std::string_view Bytes;
};

// Statements run after the deletions, in the same transaction, that tidy what the
// deletions left (not counted). Each runs only when its table exists.
struct TStoreTidy {
  std::string_view Table;
  std::string_view Sql;
};

struct TStoreEdit {
  std::span<const TStoreDelete> Deletes;
  std::span<const TStoreTidy> Tidy;
};

enum class TStoreResult {
  Missing, // no such database (or not a plain file)
  Done,
  Busy,   // the browser holds the database: nothing changed
  Failed, // not a database of the expected kind: nothing changed
};

// Runs edit on the database at file; with dryRun everything is counted and then
// rolled back. tally gets the rows removed and their bytes.
TStoreResult EditStore(const std::filesystem::path& file, const TStoreEdit& edit,
                       const TCookieKeepList& keep, bool dryRun, TCleanTally& tally);

// Appends the first column of every row query gives; false when the database is
// missing, held by the browser or not of the expected kind.
bool ReadStoreNames(const std::filesystem::path& file, std::string_view query,
                    std::vector<std::string>& names);

namespace BrowserStores {
// Firefox: cookies.sqlite, places.sqlite (history; bookmarked pages stay),
// formhistory.sqlite.
extern const TStoreEdit FirefoxCookies;
extern const TStoreEdit FirefoxHistory;
extern const TStoreEdit FirefoxFormHistory;
// Chromium: Cookies, History, Web Data (form entries).
extern const TStoreEdit ChromiumCookies;
extern const TStoreEdit ChromiumHistory;
extern const TStoreEdit ChromiumFormData;
extern const std::string_view FirefoxCookieNames;
extern const std::string_view ChromiumCookieNames;
} // namespace BrowserStores
