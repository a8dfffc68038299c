// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TheRegIniFile.h"

#include "app/UserInterface.h"
#include "platform/ProgramFolder.h"

#include <charconv>
#include <limits>

namespace {

constexpr std::string_view MissingAreaMessage = "Bitte Area und Section angeben.";
constexpr int FloatDecimals = 5;

template <typename TNumber> bool ParseWhole(std::string_view text, TNumber& number) {
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

} // namespace

TTheRegIniFile::TTheRegIniFile(TRegistry& registry, TUserInterface& userInterface)
    : FRegistry(registry), FUserInterface(userInterface) {}

std::string TTheRegIniFile::KeyPath() const {
  std::string path = FArea;
  if (!path.empty() && path.front() == '\\')
    path.erase(0, 1);
  if (path.empty() || path.back() != '\\')
    path += '\\';
  return path + FSection;
}

bool TTheRegIniFile::RequirementsMet(TNeeds needs) {
  if (!FArea.empty() && (needs == TNeeds::AreaOnly || !FSection.empty()))
    return true;
  // Only a caller that forgot to set them gets here.
  FUserInterface.ShowMessageBox(MissingAreaMessage, "", TMsgKind::Error, TMsgButtons::OK);
  return false;
}

bool TTheRegIniFile::OpenKey(TAccess access, TNeeds needs, TRegKey& key) {
  if (!RequirementsMet(needs))
    return false;
  const std::string path = KeyPath();
  if (FCachedValid && FCachedKey.Root == FRegKey && FCachedPath == path &&
      FCachedAccess == access) {
    key = FCachedKey;
    return true;
  }
  CloseKey();
  // A key that does not exist is created, empty, even by a read.
  if (FRegistry.OpenKey(FRegKey, path, key) != TRegResult::Ok &&
      FRegistry.CreateKey(FRegKey, path, ProgramFile(), key) != TRegResult::Ok) {
    return false;
  }
  FCachedValid = true;
  FCachedKey = key;
  FCachedPath = path;
  FCachedAccess = access;
  return true;
}

template <typename TOperation>
TRegResult TTheRegIniFile::WithKey(TAccess access, TNeeds needs, TOperation operation) {
  const bool cached = FCachedValid;
  TRegKey key;
  if (!OpenKey(access, needs, key))
    return TRegResult::NotFound;
  TRegResult result = operation(key);
  if (result == TRegResult::NotFound && cached) {
    CloseKey();
    TRegKey fresh;
    if (OpenKey(access, needs, fresh) && fresh.Id != key.Id)
      result = operation(fresh);
  }
  return result;
}

bool TTheRegIniFile::ReadText(std::string_view name, std::string& text) {
  TRegValue value;
  if (WithKey(TAccess::Read, TNeeds::AreaAndSection, [&](const TRegKey& key) {
        return FRegistry.QueryValue(key, name, value);
      }) != TRegResult::Ok) {
    FErrorCode = RegNotFound;
    return false;
  }
  text = ValueText(value);
  return true;
}

bool TTheRegIniFile::ReadTyped(std::string_view name, TRegValueType type, TRegValue& value) {
  if (WithKey(TAccess::Read, TNeeds::AreaAndSection,
              [&](const TRegKey& key) { return FRegistry.QueryValue(key, name, value); }) !=
          TRegResult::Ok ||
      value.Type != type) {
    FErrorCode = RegNotFound;
    return false;
  }
  return true;
}

bool TTheRegIniFile::WriteValue(std::string_view name, const TRegValue& value) {
  if (WithKey(TAccess::Write, TNeeds::AreaAndSection, [&](const TRegKey& key) {
        return FRegistry.SetValue(key, name, value);
      }) != TRegResult::Ok) {
    FErrorCode = RegWriteFailed;
    return false;
  }
  return true;
}

std::string TTheRegIniFile::ReadString(std::string_view name, std::string_view defaultValue) {
  FErrorCode = RegOk;
  std::string text;
  return ReadText(name, text) ? text : std::string(defaultValue);
}

void TTheRegIniFile::WriteString(std::string_view name, std::string_view value) {
  FErrorCode = RegOk;
  WriteValue(name, MakeStringValue(value));
}

int TTheRegIniFile::ReadInteger(std::string_view name, int defaultValue) {
  const std::int64_t value = ReadInt64(name, defaultValue);
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    FErrorCode = RegNotInteger;
    return defaultValue;
  }
  return static_cast<int>(value);
}

void TTheRegIniFile::WriteInteger(std::string_view name, int value) {
  WriteString(name, std::to_string(value));
}

std::uint32_t TTheRegIniFile::ReadDWord(std::string_view name, std::uint32_t defaultValue) {
  FErrorCode = RegOk;
  TRegValue value;
  if (!ReadTyped(name, TRegValueType::DWord, value) || value.Data.size() != 4) {
    FErrorCode = RegNotFound;
    return defaultValue;
  }
  return ValueDWord(value);
}

void TTheRegIniFile::WriteDWord(std::string_view name, std::uint32_t value) {
  FErrorCode = RegOk;
  WriteValue(name, MakeDWordValue(value));
}

std::int64_t TTheRegIniFile::ReadInt64(std::string_view name, std::int64_t defaultValue) {
  const std::string text = ReadString(name, "");
  if (text.empty())
    return defaultValue;
  std::int64_t number = 0;
  if (!ParseWhole(text, number)) {
    FErrorCode = RegNotInteger;
    return defaultValue;
  }
  return number;
}

void TTheRegIniFile::WriteInt64(std::string_view name, std::int64_t value) {
  WriteString(name, std::to_string(value));
}

double TTheRegIniFile::ReadFloat(std::string_view name, double defaultValue) {
  const std::string text = ReadString(name, "");
  if (text.empty())
    return defaultValue;
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) {
    FErrorCode = RegNotFloat;
    return defaultValue;
  }
  return number;
}

void TTheRegIniFile::WriteFloat(std::string_view name, double value) {
  char buffer[64];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, FloatDecimals);
  if (error != std::errc()) {
    FErrorCode = RegWriteFailed;
    return;
  }
  WriteString(name, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

bool TTheRegIniFile::ReadBool(std::string_view name, bool defaultValue) {
  const std::string text = ReadString(name, "");
  if (text.empty())
    return defaultValue;
  std::int64_t number = 0;
  if (!ParseWhole(text, number)) {
    FErrorCode = RegNotInteger;
    return defaultValue;
  }
  return text == "1";
}

void TTheRegIniFile::WriteBool(std::string_view name, bool value) {
  WriteString(name, value ? "1" : "0");
}

void TTheRegIniFile::ReadBinary(std::string_view name, std::vector<std::uint8_t>& stream) {
  FErrorCode = RegOk;
  stream.clear();
  TRegValue value;
  if (ReadTyped(name, TRegValueType::Binary, value))
    stream = std::move(value.Data);
}

void TTheRegIniFile::WriteBinary(std::string_view name, const std::vector<std::uint8_t>& stream) {
  FErrorCode = RegOk;
  WriteValue(name, TRegValue{TRegValueType::Binary, stream});
}

void TTheRegIniFile::ReadValueNames(std::vector<std::string>& list) {
  FErrorCode = RegOk;
  list.clear();
  if (WithKey(TAccess::Read, TNeeds::AreaOnly,
              [&](const TRegKey& key) { return FRegistry.EnumValueNames(key, list); }) !=
          TRegResult::Ok ||
      list.empty()) {
    FErrorCode = RegNotFound;
  }
}

void TTheRegIniFile::EraseSection(bool deleteKeyItself) {
  FErrorCode = RegOk;
  CloseKey();
  if (!RequirementsMet(TNeeds::AreaAndSection)) {
    FErrorCode = RegDeleteKeyFailed;
    return;
  }
  TRegKey key;
  if (FRegistry.OpenKey(FRegKey, KeyPath(), key) != TRegResult::Ok) {
    // Nothing below a missing key; only deleting the key itself fails.
    if (deleteKeyItself)
      FErrorCode = RegDeleteKeyFailed;
    return;
  }
  if (FRegistry.DeleteTree(key, deleteKeyItself) != TRegResult::Ok)
    FErrorCode = RegDeleteKeyFailed;
}

bool TTheRegIniFile::DeleteValue(std::string_view name) {
  FErrorCode = RegOk;
  if (WithKey(TAccess::Write, TNeeds::AreaOnly, [&](const TRegKey& key) {
        return FRegistry.DeleteValue(key, name);
      }) != TRegResult::Ok) {
    FErrorCode = RegDeleteValueFailed;
  }
  return FErrorCode == RegOk;
}

void TTheRegIniFile::ReadList(std::vector<std::string>& list) {
  std::vector<std::string> names;
  ReadValueNames(names);
  const int found = FErrorCode;
  list.clear();
  for (const std::string& name : names)
    list.push_back(ReadString(name, ""));
  FErrorCode = found;
}

void TTheRegIniFile::WriteList(const std::vector<std::string>& list) {
  const bool written = WriteAtomically([&] {
    EraseSection(true);
    for (std::size_t i = 0; i < list.size(); ++i) {
      WriteString(std::to_string(i), list[i]);
      if (FErrorCode != RegOk)
        return false;
    }
    return true;
  });
  FErrorCode = written ? RegOk : RegWriteFailed;
}

bool TTheRegIniFile::WriteAtomically(const std::function<bool()>& action) {
  TRegistry::TTransaction transaction(FRegistry, FRegKey);
  if (transaction.Begun() == TRegResult::Ok && action() && transaction.Commit() == TRegResult::Ok)
    return true;
  // A key created inside the undone write no longer exists.
  CloseKey();
  return false;
}
