// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TUserInterface;

// ErrorCode values of TTheRegIniFile, reset to RegOk by every operation.
inline constexpr int RegOk = 0;
inline constexpr int RegNotFound = 1;   // no key, no value, or no value names
inline constexpr int RegNotInteger = 2; // the text is not a whole number
inline constexpr int RegDeleteValueFailed = 3;
inline constexpr int RegDeleteKeyFailed = 4;
inline constexpr int RegWriteFailed = 5;
inline constexpr int RegNotFloat = 6; // the text is not a number

// Registry access shaped like an ini file: the key is Area (one leading "\"
// dropped) + "\" + Section below RegKey. Values are kept as text. Failures are
// never raised; they set ErrorCode and reads return the caller's default.
class TTheRegIniFile {
public:
  TTheRegIniFile(TRegistry& registry, TUserInterface& userInterface);

  TRootKey RegKey() const { return FRegKey; }
  void SetRegKey(TRootKey regKey) { FRegKey = regKey; }
  const std::string& Area() const { return FArea; }
  void SetArea(std::string area) { FArea = std::move(area); }
  const std::string& Section() const { return FSection; }
  void SetSection(std::string section) { FSection = std::move(section); }
  int ErrorCode() const { return FErrorCode; }

  std::string ReadString(std::string_view name, std::string_view defaultValue);
  void WriteString(std::string_view name, std::string_view value);
  int ReadInteger(std::string_view name, int defaultValue);
  void WriteInteger(std::string_view name, int value);
  std::uint32_t ReadDWord(std::string_view name, std::uint32_t defaultValue);
  void WriteDWord(std::string_view name, std::uint32_t value);
  std::int64_t ReadInt64(std::string_view name, std::int64_t defaultValue);
  void WriteInt64(std::string_view name, std::int64_t value);
  double ReadFloat(std::string_view name, double defaultValue);
  void WriteFloat(std::string_view name, double value);
  // "1" is true, any other whole number false; anything else gives the default.
  bool ReadBool(std::string_view name, bool defaultValue);
  void WriteBool(std::string_view name, bool value);
  void ReadBinary(std::string_view name, std::vector<std::uint8_t>& stream);
  void WriteBinary(std::string_view name, const std::vector<std::uint8_t>& stream);

  // Needs only Area; the names in creation order. None found: RegNotFound.
  void ReadValueNames(std::vector<std::string>& list);
  // Deletes every sub key of the section's key and, when asked, the key itself.
  void EraseSection(bool deleteKeyItself);
  // Needs only Area.
  bool DeleteValue(std::string_view name);

  // A list is a key whose values "0", "1", ... hold the entries in order.
  // ReadList leaves RegNotFound when the key holds no values.
  void ReadList(std::vector<std::string>& list);
  // Erases the key and writes the entries anew as one atomic write, so the
  // stored list is the old one or the new one, never an empty or partial one.
  void WriteList(const std::vector<std::string>& list);

  // Runs action (calls on this object against RegKey's hive) as one atomic,
  // durable write. False, with nothing of it stored, when action returns false
  // or the hive refuses the write.
  bool WriteAtomically(const std::function<bool()>& action);

private:
  enum class TAccess { Read, Write };
  enum class TNeeds { AreaAndSection, AreaOnly };

  bool OpenKey(TAccess access, TNeeds needs, TRegKey& key);
  // Runs operation on the section's key. When a cached key answers NotFound it
  // may have been deleted and created anew by another program: the key is
  // opened afresh and the operation tried once more.
  template <typename TOperation>
  TRegResult WithKey(TAccess access, TNeeds needs, TOperation operation);
  bool RequirementsMet(TNeeds needs);
  std::string KeyPath() const;
  void CloseKey() { FCachedValid = false; }
  bool ReadText(std::string_view name, std::string& text);
  // The value when it exists with the given type; otherwise ErrorCode RegNotFound.
  bool ReadTyped(std::string_view name, TRegValueType type, TRegValue& value);
  bool WriteValue(std::string_view name, const TRegValue& value);

  TRegistry& FRegistry;
  TUserInterface& FUserInterface;
  TRootKey FRegKey = TRootKey::CurrentUser;
  std::string FArea;
  std::string FSection;
  int FErrorCode = RegOk;

  bool FCachedValid = false;
  TRegKey FCachedKey;
  std::string FCachedPath;
  TAccess FCachedAccess = TAccess::Read;
};
