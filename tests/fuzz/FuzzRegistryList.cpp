// SPDX-License-Identifier: GPL-3.0-or-later
// List reading over a registry hive: the fuzz input is a run of operations on one
// list key (whole list writes, raw values of any type and name, deletions), each
// followed by ReadList, which must give exactly what a plain model of the key holds.
#include "FakeUserInterface.h"
#include "FuzzCheck.h"
#include "app/TheRegIniFile.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <strings.h>
#include <vector>

namespace {

constexpr const char* Area = "Software\\Fuzz";
constexpr const char* Section = "List";

// Reads pieces of the input; past its end everything is empty.
class TInput {
public:
  TInput(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
  bool Done() const { return FAt >= FSize; }
  std::uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
  std::string Bytes() {
    const std::size_t length = std::min<std::size_t>(Byte() % 24, FSize - std::min(FAt, FSize));
    std::string text(reinterpret_cast<const char*>(FData) + FAt, length);
    FAt += length;
    return text;
  }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FAt = 0;
};

struct TModelValue {
  std::string Name;
  std::string Data;
};

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string UpToNul(const std::string& data) {
  return data.substr(0, data.find('\0'));
}

std::filesystem::path hiveFolder;

void RemoveHiveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(hiveFolder, ignored);
}

struct TFixture {
  TRegistry* Registry;
  TFakeUserInterface Ui;
  TTheRegIniFile* File;

  TFixture() {
    // tmpfs: every write of the hive is synced, which costs nothing there.
    std::string pattern = "/dev/shm/quorvane-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::abort();
    }
    hiveFolder = pattern;
    std::atexit(RemoveHiveFolder);
    Registry =
        new TRegistry(TRegistryLocations::InFolder(hiveFolder)); // lives until the process ends
    File = new TTheRegIniFile(*Registry, Ui);
    File->SetArea(Area);
    File->SetSection(Section);
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFixture
      fixture; // one hive for the whole run: opening SQLite per input would be most of the time
  TRegistry& registry = *fixture.Registry;
  TTheRegIniFile& file = *fixture.File;
  const std::string path = std::string(Area) + "\\" + Section;
  TRegKey key;
  if (registry.OpenKey(TRootKey::CurrentUser, path, key) == TRegResult::Ok) {
    FUZZ_REQUIRE(registry.DeleteTree(key, true) == TRegResult::Ok);
  }
  FUZZ_REQUIRE(registry.CreateKey(TRootKey::CurrentUser, path, "", key) == TRegResult::Ok);

  std::vector<TModelValue> model;
  TInput input(data, size);
  for (int step = 0; step < 16 && !input.Done(); ++step) {
    switch (input.Byte() % 3) {
    case 0: { // the whole list anew
      std::vector<std::string> list(input.Byte() % 8);
      for (std::string& entry : list) {
        entry = input.Bytes();
      }
      file.WriteList(list);
      FUZZ_REQUIRE(file.ErrorCode() == RegOk);
      model.clear();
      for (std::size_t i = 0; i < list.size(); ++i) {
        model.push_back({std::to_string(i), list[i]});
      }
      // WriteList erased the key: the handle taken above is stale now.
      FUZZ_REQUIRE(registry.OpenKey(TRootKey::CurrentUser, path, key) == TRegResult::Ok ||
                   list.empty());
      break;
    }
    case 1: { // a raw value as another program may leave it
      const std::string name = input.Bytes();
      const TRegValueType types[] = {TRegValueType::String, TRegValueType::Binary,
                                     TRegValueType::DWord};
      const TRegValueType type = types[input.Byte() % 3];
      const std::string bytes = input.Bytes();
      if (registry.OpenKey(TRootKey::CurrentUser, path, key) != TRegResult::Ok) {
        FUZZ_REQUIRE(registry.CreateKey(TRootKey::CurrentUser, path, "", key) == TRegResult::Ok);
      }
      const TRegResult result = registry.SetValue(key, name, {type, {bytes.begin(), bytes.end()}});
      FUZZ_REQUIRE(result == TRegResult::Ok ||
                   (result == TRegResult::InvalidName && name.find('\0') != std::string::npos));
      if (result == TRegResult::Ok) {
        auto it = std::find_if(model.begin(), model.end(),
                               [&](const TModelValue& v) { return SameName(v.Name, name); });
        if (it == model.end()) {
          model.push_back({name, bytes});
        } else {
          it->Data = bytes;
        }
      }
      break;
    }
    default: { // one value gone
      const std::string name = input.Bytes();
      if (registry.OpenKey(TRootKey::CurrentUser, path, key) == TRegResult::Ok) {
        registry.DeleteValue(key, name);
      }
      std::erase_if(model, [&](const TModelValue& v) { return SameName(v.Name, name); });
      break;
    }
    }
    std::vector<std::string> list{"stale"};
    file.ReadList(list);
    FUZZ_REQUIRE(list.size() == model.size());
    FUZZ_REQUIRE(file.ErrorCode() == (model.empty() ? RegNotFound : RegOk));
    for (std::size_t i = 0; i < model.size(); ++i) {
      FUZZ_REQUIRE(list[i] == UpToNul(model[i].Data));
    }
  }
  return 0;
}
