// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The registry stand-in: one SQLite file ("hive") per root key. Key and value
// names compare without regard to ASCII case and keep the case they were created
// with; sub keys and values enumerate in creation order. Several processes may use
// a hive at once: writers wait for a busy hive, and every write is on disk when
// the call returns.

enum class TRootKey { CurrentUser, LocalMachine, ClassesRoot };

// Numbers as the Windows registry uses them, so exported files read the same.
enum class TRegValueType : std::uint32_t { String = 1, Binary = 3, DWord = 4 };

enum class TRegResult {
  Ok,
  NotFound,     // key or value does not exist
  AccessDenied, // the hive cannot be opened for writing
  InvalidName,  // empty path component or value name with a NUL
  Busy,         // another process held the hive longer than the busy time-out
  IoError,      // the database reported any other failure
};

struct TRegValue {
  TRegValueType Type = TRegValueType::String;
  std::vector<std::uint8_t> Data;
};

// A handle to an open key. It stays valid until the key is deleted (by any
// process); operations on a deleted key answer NotFound. Ids are never reused.
// HKEY_CLASSES_ROOT is a view, as on Windows: the user's "Software\Classes" (in the
// HKCU hive) laid over the machine hive. A key of that view carries both sides;
// an id of 0 stands for a side where the key does not exist.
struct TRegKey {
  TRootKey Root = TRootKey::CurrentUser;
  std::int64_t Id = 0;     // for HKCR: the machine side
  std::int64_t UserId = 0; // HKCR only: the user's side
};

// Where the three hive files live.
struct TRegistryLocations {
  std::filesystem::path CurrentUserFile;
  std::filesystem::path LocalMachineFile;
  std::filesystem::path ClassesRootFile;

  // HKCU under $XDG_CONFIG_HOME/quorvane/, the machine hives under
  // /var/lib/quorvane/; QUORVANE_REGISTRY_DIR puts all three into one folder.
  static TRegistryLocations FromEnvironment();
  static TRegistryLocations InFolder(const std::filesystem::path& folder);
};

// How long a call waits for a hive that another process is writing.
inline constexpr std::chrono::milliseconds RegistryBusyTimeout{10000};

// Text helpers for values stored as REG_SZ: the data is the UTF-8 text plus a NUL.
TRegValue MakeStringValue(std::string_view text);
TRegValue MakeDWordValue(std::uint32_t value);
// The text up to the first NUL.
std::string ValueText(const TRegValue& value);
// The number of a REG_DWORD value (its four bytes, lowest first).
std::uint32_t ValueDWord(const TRegValue& value);

class TRegistryHive;

class TRegistry {
public:
  explicit TRegistry(TRegistryLocations locations);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Path components are separated by "\"; an empty path is the root key itself.
  // In HKCR a key opens when either side holds it.
  TRegResult OpenKey(TRootKey root, std::string_view path, TRegKey& key);
  // Creates the key and any missing parents; each created key gets className.
  // In HKCR a key the user's side already holds is used there; anything else is
  // created on the machine side, or on the user's side when the machine hive
  // cannot be written (a user who is not root).
  TRegResult CreateKey(TRootKey root, std::string_view path, std::string_view className,
                       TRegKey& key);
  TRegResult QueryClass(const TRegKey& key, std::string& className);

  // In HKCR the user's side answers first; writes go to the user's side when the
  // key exists there, else to the machine side; enumerations list the user's names
  // first, then the machine's names the user's side lacks.
  TRegResult QueryValue(const TRegKey& key, std::string_view name, TRegValue& value);
  TRegResult SetValue(const TRegKey& key, std::string_view name, const TRegValue& value);
  // In HKCR the value goes from both sides.
  TRegResult DeleteValue(const TRegKey& key, std::string_view name);
  TRegResult EnumValueNames(const TRegKey& key, std::vector<std::string>& names);
  TRegResult EnumSubKeys(const TRegKey& key, std::vector<std::string>& names);
  // Deletes every descendant of the key and, when asked, the key itself (in HKCR
  // on both sides).
  TRegResult DeleteTree(const TRegKey& key, bool includeKey);

  // Groups the calls made on this thread against one hive into one atomic,
  // durable write. Transactions nest; only the outermost one commits.
  class TTransaction {
  public:
    TTransaction(TRegistry& registry, TRootKey root);
    ~TTransaction(); // rolls back unless committed
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    TRegResult Begun() const { return FBegun; }
    TRegResult Commit();

  private:
    TRegistryHive* FHive;
    TRegResult FBegun;
    bool FDone = false;
  };

private:
  TRegistryHive& Hive(TRootKey root);
  // The operations on one hive; a key of root ClassesRoot means the machine side.
  TRegResult OpenKeyIn(TRootKey root, std::string_view path, TRegKey& key);
  TRegResult CreateKeyIn(TRootKey root, std::string_view path, std::string_view className,
                         TRegKey& key);
  TRegResult QueryClassIn(const TRegKey& key, std::string& className);
  TRegResult QueryValueIn(const TRegKey& key, std::string_view name, TRegValue& value);
  TRegResult SetValueIn(const TRegKey& key, std::string_view name, const TRegValue& value);
  TRegResult DeleteValueIn(const TRegKey& key, std::string_view name);
  TRegResult EnumNamesIn(const TRegKey& key, bool subKeys, std::vector<std::string>& names);
  TRegResult DeleteTreeIn(const TRegKey& key, bool includeKey);
  // HKCR: the names of both sides, the user's first, each name once.
  TRegResult EnumViewNames(const TRegKey& key, bool subKeys, std::vector<std::string>& names);
  // HKCR: the user's side of a path ("Software\Classes\" + path).
  static std::string UserClassesPath(std::string_view path);

  TRegistryLocations FLocations;
  std::unique_ptr<TRegistryHive> FHives[3];
};

std::string_view RootKeyName(TRootKey root); // "HKEY_CURRENT_USER" ...
