// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerSqlite.h"

#include <chrono>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// A running browser holds its databases for as long as it runs: waiting longer
// than a moment would only delay the message.
constexpr std::chrono::milliseconds StoreBusyTimeout{1000};

struct TCloseDatabase {
  void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
using TDatabase = std::unique_ptr<sqlite3, TCloseDatabase>;

struct TFinalize {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalize>;

bool IsBusy(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// An error of a statement, kept as the SQLite result code.
struct EStore {
  int Code;
};

void Check(int code) {
  if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
    throw EStore{code};
}

TDatabase OpenStore(const std::filesystem::path& file, int flags) {
  sqlite3* raw = nullptr;
  const int code = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
  TDatabase database(raw);
  Check(code);
  sqlite3_busy_timeout(database.get(), static_cast<int>(StoreBusyTimeout.count()));
  sqlite3_extended_result_codes(database.get(), 1);
  return database;
}

TStatement Prepare(sqlite3* database, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  Check(sqlite3_prepare_v2(database, sql.c_str(), -1, &raw, nullptr));
  return TStatement(raw);
}

void Execute(sqlite3* database, const std::string& sql) {
  Check(sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr));
}

bool TableExists(sqlite3* database, std::string_view table) {
  TStatement query = Prepare(database, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                                       "name = ?1");
  sqlite3_bind_text(query.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  const int code = sqlite3_step(query.get());
  Check(code);
  return code == SQLITE_ROW;
}

void FillKeepTable(sqlite3* database, const TCookieKeepList& keep) {
  Execute(database, "CREATE TEMP TABLE IF NOT EXISTS keep(name TEXT)");
  Execute(database, "DELETE FROM temp.keep");
  TStatement insert = Prepare(database, "INSERT INTO temp.keep(name) VALUES (lower(?1))");
  for (const std::string& name : keep) {
    sqlite3_bind_text(insert.get(), 1, name.data(), static_cast<int>(name.size()),
                      SQLITE_TRANSIENT);
    Check(sqlite3_step(insert.get()));
    sqlite3_reset(insert.get());
  }
}

void RunDelete(sqlite3* database, const TStoreDelete& step, TCleanTally& tally) {
  const std::string where(step.Where);
  const std::string table(step.Table);
  TStatement count = Prepare(database, "SELECT count(*), total(" + std::string(step.Bytes) +
                                           ") FROM " + table + " WHERE " + where);
  Check(sqlite3_step(count.get()));
  const auto rows = static_cast<std::uint64_t>(sqlite3_column_int64(count.get(), 0));
  const auto bytes = static_cast<std::uint64_t>(sqlite3_column_double(count.get(), 1));
  count.reset();
  if (rows == 0)
    return;
  Execute(database, "DELETE FROM " + table + " WHERE " + where);
  tally.Items += rows;
  tally.Bytes += bytes;
}

bool IsPlainFile(const std::filesystem::path& file) {
  struct stat status {};
  return lstat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

TStoreResult EditStore(const std::filesystem::path& file, const TStoreEdit& edit,
                       const TCookieKeepList& keep, bool dryRun, TCleanTally& tally) {
  if (!IsPlainFile(file))
    return TStoreResult::Missing;
  TDatabase database;
  bool begun = false;
  try {
    database = OpenStore(file, SQLITE_OPEN_READWRITE);
    FillKeepTable(database.get(), keep);
    Execute(database.get(), "BEGIN IMMEDIATE");
    begun = true;
    TCleanTally edited;
    for (const TStoreDelete& step : edit.Deletes) {
      if (TableExists(database.get(), step.Table))
        RunDelete(database.get(), step, edited);
    }
    for (const TStoreTidy& step : edit.Tidy) {
      if (TableExists(database.get(), step.Table))
        Execute(database.get(), std::string(step.Sql));
    }
    Execute(database.get(), dryRun ? "ROLLBACK" : "COMMIT");
    tally.Items += edited.Items;
    tally.Bytes += edited.Bytes;
    return TStoreResult::Done;
  } catch (const EStore& error) {
    if (begun)
      sqlite3_exec(database.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return IsBusy(error.Code) ? TStoreResult::Busy : TStoreResult::Failed;
  }
}

bool ReadStoreNames(const std::filesystem::path& file, std::string_view query,
                    std::vector<std::string>& names) {
  if (!IsPlainFile(file))
    return false;
  try {
    const TDatabase database = OpenStore(file, SQLITE_OPEN_READONLY);
    TStatement rows = Prepare(database.get(), std::string(query));
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(rows.get())) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), 0));
      if (text != nullptr && *text != '\0')
        names.emplace_back(text);
    }
    Check(code);
    return true;
  } catch (const EStore&) {
    return false;
  }
}

namespace BrowserStores {
namespace {

constexpr TStoreDelete FirefoxCookieDeletes[] = {
    {"moz_cookies", "lower(host) NOT IN (SELECT name FROM temp.keep)",
     "length(name) + length(value) + length(host) + length(path)"},
};

// A page that a bookmark or a keyword uses stays, with its visits forgotten.
constexpr std::string_view UnusedPlace =
    "foreign_count = 0 AND id NOT IN (SELECT fk FROM moz_bookmarks WHERE fk NOT NULL) AND "
    "id NOT IN (SELECT place_id FROM moz_keywords WHERE place_id NOT NULL)";

constexpr TStoreDelete FirefoxHistoryDeletes[] = {
    {"moz_historyvisits", "1", "0"},
    {"moz_inputhistory", "1", "length(input)"},
    {"moz_places_metadata", "1", "0"},
    {"moz_places_metadata_search_queries", "1", "length(terms)"},
    {"moz_places", UnusedPlace,
     "length(url) + coalesce(length(title), 0) + coalesce(length(description), 0)"},
};

constexpr TStoreTidy FirefoxHistoryTidy[] = {
    {"moz_historyvisits_extra", "DELETE FROM moz_historyvisits_extra"},
    {"moz_places", "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, typed = 0 "
                   "WHERE visit_count != 0 OR last_visit_date NOT NULL OR typed != 0"},
    {"moz_places_extra",
     "DELETE FROM moz_places_extra WHERE place_id NOT IN (SELECT id FROM moz_places)"},
    {"moz_annos", "DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)"},
    {"moz_origins", "DELETE FROM moz_origins WHERE id NOT IN "
                    "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)"},
};

constexpr TStoreDelete FirefoxFormHistoryDeletes[] = {
    {"moz_formhistory", "1", "length(fieldname) + length(value)"},
    {"moz_history_to_sources", "1", "0"},
    {"moz_sources", "1", "length(source)"},
    {"moz_deleted_formhistory", "1", "0"},
};

constexpr TStoreDelete ChromiumCookieDeletes[] = {
    {"cookies", "lower(host_key) NOT IN (SELECT name FROM temp.keep)",
     "length(name) + length(value) + length(encrypted_value) + length(host_key) + length(path)"},
};

constexpr TStoreDelete ChromiumHistoryDeletes[] = {
    {"visits", "1", "coalesce(length(external_referrer_url), 0)"},
    {"visit_source", "1", "0"},
    {"urls", "1", "length(url) + coalesce(length(title), 0)"},
    {"keyword_search_terms", "1", "length(term) + length(normalized_term)"},
    {"segments", "1", "coalesce(length(name), 0)"},
    {"segment_usage", "1", "0"},
    {"visited_links", "1", "length(top_level_url) + length(frame_url)"},
    {"content_annotations", "1", "0"},
    {"context_annotations", "1", "0"},
    {"clusters", "1", "length(label)"},
    {"clusters_and_visits", "1", "0"},
    {"cluster_keywords", "1", "length(keyword)"},
    {"cluster_visit_duplicates", "1", "0"},
};

constexpr TStoreDelete ChromiumFormDataDeletes[] = {
    {"autofill", "1", "coalesce(length(name), 0) + coalesce(length(value), 0)"},
    {"autocomplete", "1", "coalesce(length(name), 0) + coalesce(length(value), 0)"},
};

} // namespace

const TStoreEdit FirefoxCookies{FirefoxCookieDeletes, {}};
const TStoreEdit FirefoxHistory{FirefoxHistoryDeletes, FirefoxHistoryTidy};
const TStoreEdit FirefoxFormHistory{FirefoxFormHistoryDeletes, {}};
const TStoreEdit ChromiumCookies{ChromiumCookieDeletes, {}};
const TStoreEdit ChromiumHistory{ChromiumHistoryDeletes, {}};
const TStoreEdit ChromiumFormData{ChromiumFormDataDeletes, {}};
const std::string_view FirefoxCookieNames = "SELECT DISTINCT host FROM moz_cookies";
const std::string_view ChromiumCookieNames = "SELECT DISTINCT host_key FROM cookies";

} // namespace BrowserStores
