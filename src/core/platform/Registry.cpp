// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Registry.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <sqlite3.h>
#include <system_error>
#include <thread>

namespace {

std::filesystem::path EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::filesystem::path(value)
                                            : std::filesystem::path();
}

// "a\b\c" -> {"a","b","c"}; one trailing "\" is allowed, empty components are not.
bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  if (!path.empty() && path.back() == '\\')
    path.remove_suffix(1);
  if (path.empty())
    return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('\\', start);
    const std::string_view part =
        path.substr(start, end == std::string_view::npos ? end : end - start);
    if (part.empty())
      return false;
    parts.push_back(part);
    if (end == std::string_view::npos)
      return true;
    start = end + 1;
  }
}

// Switching a fresh file to WAL answers "busy" at once, without the busy handler, while
// another process switches it too: such a statement is tried again until the hive's
// busy time-out has passed.
int ExecRetryingBusy(sqlite3* db, const char* sql) {
  constexpr std::chrono::milliseconds RetryPause{5};
  const auto deadline = std::chrono::steady_clock::now() + RegistryBusyTimeout;
  for (;;) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if ((rc & 0xff) != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline)
      return rc;
    std::this_thread::sleep_for(RetryPause);
  }
}

TRegResult MapSqlite(int code) {
  switch (code & 0xff) {
  case SQLITE_OK:
  case SQLITE_DONE:
  case SQLITE_ROW:
    return TRegResult::Ok;
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return TRegResult::Busy;
  case SQLITE_READONLY:
  case SQLITE_CANTOPEN:
  case SQLITE_PERM:
  case SQLITE_AUTH:
    return TRegResult::AccessDenied;
  case SQLITE_CONSTRAINT:
    // Writing into a key that another caller deleted meanwhile.
    return code == SQLITE_CONSTRAINT_FOREIGNKEY ? TRegResult::NotFound : TRegResult::IoError;
  default:
    return TRegResult::IoError;
  }
}

constexpr const char* SchemaSql =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " class TEXT NOT NULL DEFAULT '',"
    " UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " UNIQUE(key, name));"
    "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(1, NULL, '');";

constexpr std::int64_t RootKeyId = 1;

enum TStatement : std::size_t {
  SelChild,
  InsKey,
  SelKey,
  SelValue,
  UpsValue,
  DelValue,
  EnumValues,
  EnumKeys,
  DelChildren,
  DelKey,
  StatementCount
};

constexpr std::array<const char*, StatementCount> StatementSql = {
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name, class) VALUES(?1, ?2, ?3)",
    "SELECT class FROM keys WHERE id = ?1",
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND name = ?2",
    "SELECT name FROM vals WHERE key = ?1 ORDER BY id",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY id",
    "DELETE FROM keys WHERE parent = ?1",
    "DELETE FROM keys WHERE id = ?1",
};

// Resets a prepared statement when the call that used it ends.
class TStatementUse {
public:
  explicit TStatementUse(sqlite3_stmt* statement) : FStatement(statement) {}
  ~TStatementUse() {
    sqlite3_reset(FStatement);
    sqlite3_clear_bindings(FStatement);
  }
  TStatementUse(const TStatementUse&) = delete;
  TStatementUse& operator=(const TStatementUse&) = delete;
  sqlite3_stmt* operator*() const { return FStatement; }

private:
  sqlite3_stmt* FStatement;
};

void BindText(sqlite3_stmt* statement, int index, std::string_view text) {
  // An empty view may have no data at all, which SQLite would store as NULL.
  sqlite3_bind_text(statement, index, text.empty() ? "" : text.data(),
                    static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text != nullptr
             ? std::string(reinterpret_cast<const char*>(text),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
             : std::string();
}

} // namespace

// One hive file with its connection and prepared statements, opened on first use
// and kept for the life of the process.
class TRegistryHive {
public:
  explicit TRegistryHive(std::filesystem::path file) : FFile(std::move(file)) {}
  ~TRegistryHive() {
    for (sqlite3_stmt* statement : FStatements)
      sqlite3_finalize(statement);
    sqlite3_close(FDb);
  }
  TRegistryHive(const TRegistryHive&) = delete;
  TRegistryHive& operator=(const TRegistryHive&) = delete;

  // Guards the connection, its statements and the transaction depth; recursive
  // because a transaction holds it while the calls inside it take it again.
  std::recursive_mutex Mutex;

  TRegResult EnsureOpen() {
    if (FDb != nullptr)
      return TRegResult::Ok;
    std::error_code ignored;
    std::filesystem::create_directories(FFile.parent_path(), ignored);
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(FFile.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    bool readOnly = false;
    if (rc != SQLITE_OK) {
      sqlite3_close(db);
      db = nullptr;
      // A machine hive is readable by everyone but writable only by root.
      rc = sqlite3_open_v2(FFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
      readOnly = true;
      if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return MapSqlite(rc);
      }
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, static_cast<int>(RegistryBusyTimeout.count()));
    // WAL lets readers go on while another process writes; FULL makes every
    // commit durable before the call returns. The empty schema need not reach
    // the disk at once: the first real commit syncs the log that holds it.
    const char* pragmas =
        readOnly ? "PRAGMA foreign_keys=ON;"
                 : "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;";
    rc = ExecRetryingBusy(db, pragmas);
    if (rc == SQLITE_OK && !readOnly) {
      rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, SchemaSql, nullptr, nullptr, nullptr);
        rc = sqlite3_exec(db, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) ==
                     SQLITE_OK
                 ? rc
                 : SQLITE_IOERR;
      }
      if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    for (std::size_t i = 0; rc == SQLITE_OK && i < StatementCount; ++i) {
      rc = sqlite3_prepare_v3(db, StatementSql[i], -1, SQLITE_PREPARE_PERSISTENT, &FStatements[i],
                              nullptr);
    }
    if (rc != SQLITE_OK) {
      for (sqlite3_stmt*& statement : FStatements) {
        sqlite3_finalize(statement);
        statement = nullptr;
      }
      sqlite3_close(db);
      return MapSqlite(rc);
    }
    FDb = db;
    return TRegResult::Ok;
  }

  sqlite3_stmt* Statement(TStatement which) { return FStatements[which]; }

  TRegResult Exec(const char* sql) {
    return MapSqlite(sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr));
  }

  TRegResult Step(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? TRegResult::Ok
                                                 : MapSqlite(sqlite3_extended_errcode(FDb));
  }

  // Whether the key row exists; the class string when asked.
  TRegResult KeyExists(std::int64_t id, std::string* className = nullptr) {
    TStatementUse use(Statement(SelKey));
    sqlite3_bind_int64(*use, 1, id);
    const int rc = sqlite3_step(*use);
    if (rc == SQLITE_ROW) {
      if (className != nullptr)
        *className = ColumnText(*use, 0);
      return TRegResult::Ok;
    }
    return rc == SQLITE_DONE ? TRegResult::NotFound : MapSqlite(sqlite3_extended_errcode(FDb));
  }

  TRegResult FindChild(std::int64_t parent, std::string_view name, std::int64_t& id) {
    TStatementUse use(Statement(SelChild));
    sqlite3_bind_int64(*use, 1, parent);
    BindText(*use, 2, name);
    const int rc = sqlite3_step(*use);
    if (rc == SQLITE_ROW) {
      id = sqlite3_column_int64(*use, 0);
      return TRegResult::Ok;
    }
    return rc == SQLITE_DONE ? TRegResult::NotFound : MapSqlite(sqlite3_extended_errcode(FDb));
  }

  TRegResult EnumNames(TStatement which, std::int64_t id, std::vector<std::string>& names) {
    names.clear();
    if (const TRegResult exists = KeyExists(id); exists != TRegResult::Ok)
      return exists;
    TStatementUse use(Statement(which));
    sqlite3_bind_int64(*use, 1, id);
    int rc;
    while ((rc = sqlite3_step(*use)) == SQLITE_ROW)
      names.push_back(ColumnText(*use, 0));
    return rc == SQLITE_DONE ? TRegResult::Ok : MapSqlite(sqlite3_extended_errcode(FDb));
  }

  int TransactionDepth = 0;
  bool TransactionFailed = false;

private:
  std::filesystem::path FFile;
  sqlite3* FDb = nullptr;
  std::array<sqlite3_stmt*, StatementCount> FStatements{};
};

TRegistryLocations TRegistryLocations::FromEnvironment() {
  if (const auto folder = EnvironmentPath("QUORVANE_REGISTRY_DIR"); !folder.empty())
    return InFolder(folder);
  auto config = EnvironmentPath("XDG_CONFIG_HOME");
  if (config.empty())
    config = EnvironmentPath("HOME") / ".config";
  const std::filesystem::path machine = "/var/lib/quorvane";
  return {config / "quorvane" / "HKCU.sqlite", machine / "HKLM.sqlite", machine / "HKCR.sqlite"};
}

TRegistryLocations TRegistryLocations::InFolder(const std::filesystem::path& folder) {
  return {folder / "HKCU.sqlite", folder / "HKLM.sqlite", folder / "HKCR.sqlite"};
}

TRegValue MakeStringValue(std::string_view text) {
  TRegValue value{TRegValueType::String, std::vector<std::uint8_t>(text.begin(), text.end())};
  value.Data.push_back(0);
  return value;
}

TRegValue MakeDWordValue(std::uint32_t number) {
  TRegValue value{TRegValueType::DWord, {}};
  for (int shift = 0; shift < 32; shift += 8)
    value.Data.push_back(static_cast<std::uint8_t>(number >> shift));
  return value;
}

std::string ValueText(const TRegValue& value) {
  std::string text(value.Data.begin(), value.Data.end());
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

std::uint32_t ValueDWord(const TRegValue& value) {
  std::uint32_t number = 0;
  for (std::size_t i = std::min<std::size_t>(value.Data.size(), 4); i-- > 0;)
    number = (number << 8) | value.Data[i];
  return number;
}

std::string_view RootKeyName(TRootKey root) {
  switch (root) {
  case TRootKey::CurrentUser:
    return "HKEY_CURRENT_USER";
  case TRootKey::LocalMachine:
    return "HKEY_LOCAL_MACHINE";
  case TRootKey::ClassesRoot:
    return "HKEY_CLASSES_ROOT";
  }
  return {};
}

TRegistry::TRegistry(TRegistryLocations locations) : FLocations(std::move(locations)) {
  FHives[0] = std::make_unique<TRegistryHive>(FLocations.CurrentUserFile);
  FHives[1] = std::make_unique<TRegistryHive>(FLocations.LocalMachineFile);
  FHives[2] = std::make_unique<TRegistryHive>(FLocations.ClassesRootFile);
}

TRegistry::~TRegistry() = default;

TRegistryHive& TRegistry::Hive(TRootKey root) {
  return *FHives[static_cast<std::size_t>(root)];
}

TRegResult TRegistry::OpenKeyIn(TRootKey root, std::string_view path, TRegKey& key) {
  std::vector<std::string_view> parts;
  if (!SplitKeyPath(path, parts))
    return TRegResult::InvalidName;
  TRegistryHive& hive = Hive(root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  std::int64_t id = RootKeyId;
  for (const std::string_view part : parts) {
    if (const TRegResult found = hive.FindChild(id, part, id); found != TRegResult::Ok)
      return found;
  }
  key = {root, id};
  return TRegResult::Ok;
}

TRegResult TRegistry::CreateKeyIn(TRootKey root, std::string_view path, std::string_view className,
                                  TRegKey& key) {
  std::vector<std::string_view> parts;
  if (!SplitKeyPath(path, parts))
    return TRegResult::InvalidName;
  TTransaction transaction(*this, root);
  if (transaction.Begun() != TRegResult::Ok)
    return transaction.Begun();
  TRegistryHive& hive = Hive(root);
  std::int64_t id = RootKeyId;
  for (const std::string_view part : parts) {
    const TRegResult found = hive.FindChild(id, part, id);
    if (found == TRegResult::NotFound) {
      TStatementUse use(hive.Statement(InsKey));
      sqlite3_bind_int64(*use, 1, id);
      BindText(*use, 2, part);
      BindText(*use, 3, className);
      if (const TRegResult inserted = hive.Step(*use); inserted != TRegResult::Ok)
        return inserted;
      id = sqlite3_last_insert_rowid(sqlite3_db_handle(*use));
    } else if (found != TRegResult::Ok) {
      return found;
    }
  }
  if (const TRegResult committed = transaction.Commit(); committed != TRegResult::Ok)
    return committed;
  key = {root, id};
  return TRegResult::Ok;
}

TRegResult TRegistry::QueryClassIn(const TRegKey& key, std::string& className) {
  TRegistryHive& hive = Hive(key.Root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  return hive.KeyExists(key.Id, &className);
}

TRegResult TRegistry::QueryValueIn(const TRegKey& key, std::string_view name, TRegValue& value) {
  TRegistryHive& hive = Hive(key.Root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  TStatementUse use(hive.Statement(SelValue));
  sqlite3_bind_int64(*use, 1, key.Id);
  BindText(*use, 2, name);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE)
    return TRegResult::NotFound;
  if (rc != SQLITE_ROW)
    return hive.Step(*use);
  value.Type = static_cast<TRegValueType>(sqlite3_column_int(*use, 0));
  const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(*use, 1));
  value.Data.assign(data, data + sqlite3_column_bytes(*use, 1));
  return TRegResult::Ok;
}

TRegResult TRegistry::SetValueIn(const TRegKey& key, std::string_view name,
                                 const TRegValue& value) {
  if (name.find('\0') != std::string_view::npos)
    return TRegResult::InvalidName;
  TRegistryHive& hive = Hive(key.Root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  TStatementUse use(hive.Statement(UpsValue));
  sqlite3_bind_int64(*use, 1, key.Id);
  BindText(*use, 2, name);
  sqlite3_bind_int(*use, 3, static_cast<int>(value.Type));
  // A zero-length blob must still be stored as a blob, not as NULL.
  sqlite3_bind_blob(*use, 4, value.Data.empty() ? "" : static_cast<const void*>(value.Data.data()),
                    static_cast<int>(value.Data.size()), SQLITE_TRANSIENT);
  return hive.Step(*use);
}

TRegResult TRegistry::DeleteValueIn(const TRegKey& key, std::string_view name) {
  TRegistryHive& hive = Hive(key.Root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  TStatementUse use(hive.Statement(DelValue));
  sqlite3_bind_int64(*use, 1, key.Id);
  BindText(*use, 2, name);
  if (const TRegResult deleted = hive.Step(*use); deleted != TRegResult::Ok)
    return deleted;
  return sqlite3_changes(sqlite3_db_handle(*use)) > 0 ? TRegResult::Ok : TRegResult::NotFound;
}

TRegResult TRegistry::EnumNamesIn(const TRegKey& key, bool subKeys,
                                  std::vector<std::string>& names) {
  TRegistryHive& hive = Hive(key.Root);
  std::lock_guard lock(hive.Mutex);
  if (const TRegResult opened = hive.EnsureOpen(); opened != TRegResult::Ok)
    return opened;
  return hive.EnumNames(subKeys ? EnumKeys : EnumValues, key.Id, names);
}

TRegResult TRegistry::DeleteTreeIn(const TRegKey& key, bool includeKey) {
  TTransaction transaction(*this, key.Root);
  if (transaction.Begun() != TRegResult::Ok)
    return transaction.Begun();
  TRegistryHive& hive = Hive(key.Root);
  if (const TRegResult exists = hive.KeyExists(key.Id); exists != TRegResult::Ok)
    return exists;
  if (includeKey && key.Id == RootKeyId)
    return TRegResult::AccessDenied;
  // Foreign keys cascade to every descendant key and its values.
  TStatementUse use(hive.Statement(includeKey ? DelKey : DelChildren));
  sqlite3_bind_int64(*use, 1, key.Id);
  if (const TRegResult deleted = hive.Step(*use); deleted != TRegResult::Ok)
    return deleted;
  return transaction.Commit();
}

TRegistry::TTransaction::TTransaction(TRegistry& registry, TRootKey root)
    : FHive(&registry.Hive(root)) {
  FHive->Mutex.lock();
  FBegun = FHive->EnsureOpen();
  if (FBegun == TRegResult::Ok && FHive->TransactionDepth == 0) {
    // IMMEDIATE takes the write lock up front, so two processes never deadlock
    // upgrading read locks.
    FBegun = FHive->Exec("BEGIN IMMEDIATE");
    FHive->TransactionFailed = false;
  }
  if (FBegun == TRegResult::Ok) {
    ++FHive->TransactionDepth;
  } else {
    FDone = true;
    FHive->Mutex.unlock();
  }
}

TRegResult TRegistry::TTransaction::Commit() {
  if (FDone)
    return FBegun == TRegResult::Ok ? TRegResult::IoError : FBegun;
  FDone = true;
  TRegResult result = TRegResult::Ok;
  if (--FHive->TransactionDepth == 0) {
    if (FHive->TransactionFailed) {
      FHive->Exec("ROLLBACK");
      result = TRegResult::IoError;
    } else {
      result = FHive->Exec("COMMIT");
      if (result != TRegResult::Ok)
        FHive->Exec("ROLLBACK");
    }
  }
  FHive->Mutex.unlock();
  return result;
}

TRegistry::TTransaction::~TTransaction() {
  if (FDone)
    return;
  if (--FHive->TransactionDepth == 0) {
    FHive->Exec("ROLLBACK");
  } else {
    FHive->TransactionFailed = true;
  }
  FHive->Mutex.unlock();
}
