// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TheRegIniFile.h"

#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

class TheRegIniFileTest : public ::testing::Test {
protected:
  TheRegIniFileTest() {
    File.SetArea("\\Software\\Test");
    File.SetSection("Main");
  }
  // Stores raw text as another program would.
  void Store(std::string_view path, std::string_view name, std::string_view text) {
    TRegKey key;
    ASSERT_EQ(Registry.CreateKey(TRootKey::CurrentUser, path, "", key), TRegResult::Ok);
    ASSERT_EQ(Registry.SetValue(key, name, MakeStringValue(text)), TRegResult::Ok);
  }
  Names StoredNames(std::string_view path) {
    TRegKey key;
    Names names;
    if (Registry.OpenKey(TRootKey::CurrentUser, path, key) == TRegResult::Ok)
      Registry.EnumValueNames(key, names);
    return names;
  }

  TTempFolder Folder;
  TRegistry Registry{TRegistryLocations::InFolder(Folder.Path())};
  TFakeUserInterface Ui;
  TTheRegIniFile File{Registry, Ui};
};

TEST_F(TheRegIniFileTest, KeyPathJoinsAreaAndSectionWithOneSeparator) {
  struct PathCase {
    const char* Area;
    const char* Section;
  };
  for (const PathCase& c : std::vector<PathCase>{{"\\Software\\Test", "Main"},
                                                 {"Software\\Test", "Main"},
                                                 {"\\Software\\Test\\", "Main"},
                                                 {"Software\\Test\\", "Main"}}) {
    File.SetArea(c.Area);
    File.SetSection(c.Section);
    File.WriteString("Area", c.Area);
    EXPECT_EQ(File.ErrorCode(), RegOk) << c.Area;
  }
  EXPECT_EQ(StoredNames("Software\\Test\\Main"), Names{"Area"});
  EXPECT_EQ(StoredNames("Software\\Test"), Names{});
}

TEST_F(TheRegIniFileTest, ReadingAMissingKeyCreatesItWithTheProgramAsClass) {
  EXPECT_EQ(File.ReadString("Nothing", "fallback"), "fallback");
  EXPECT_EQ(File.ErrorCode(), RegNotFound);
  TRegKey key;
  ASSERT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Software\\Test\\Main", key), TRegResult::Ok);
  std::string className;
  Registry.QueryClass(key, className);
  EXPECT_EQ(className, ProgramFile());
}

TEST_F(TheRegIniFileTest, StringsAreStoredAsTextWithItsNul) {
  File.WriteString("Name", "Grüße");
  EXPECT_EQ(File.ErrorCode(), RegOk);
  EXPECT_EQ(File.ReadString("name", ""), "Grüße");
  EXPECT_EQ(File.ErrorCode(), RegOk);
  TRegKey key;
  TRegValue value;
  Registry.OpenKey(TRootKey::CurrentUser, "Software\\Test\\Main", key);
  Registry.QueryValue(key, "Name", value);
  EXPECT_EQ(value.Type, TRegValueType::String);
  EXPECT_EQ(value.Data.back(), 0);
}

TEST_F(TheRegIniFileTest, IntegersFallBackOnEmptyOrForeignText) {
  struct IntCase {
    const char* Stored; // nullptr: no value
    int Expected;
    int Code;
  };
  for (const IntCase& c : std::vector<IntCase>{{"42", 42, RegOk},
                                               {"-5", -5, RegOk},
                                               {nullptr, 7, RegNotFound},
                                               {"", 7, RegOk},
                                               {"abc", 7, RegNotInteger},
                                               {"12abc", 7, RegNotInteger},
                                               {"4.5", 7, RegNotInteger},
                                               {"99999999999", 7, RegNotInteger}}) {
    File.DeleteValue("V");
    if (c.Stored != nullptr)
      File.WriteString("V", c.Stored);
    EXPECT_EQ(File.ReadInteger("V", 7), c.Expected) << (c.Stored ? c.Stored : "none");
    EXPECT_EQ(File.ErrorCode(), c.Code) << (c.Stored ? c.Stored : "none");
  }
  File.WriteInt64("Big", 5000000000);
  EXPECT_EQ(File.ReadInt64("Big", 0), 5000000000);
}

TEST_F(TheRegIniFileTest, FlagsAreTrueOnlyForOne) {
  struct BoolCase {
    const char* Stored;
    bool Default;
    bool Expected;
  };
  for (const BoolCase& c : std::vector<BoolCase>{{"1", false, true},
                                                 {"0", true, false},
                                                 {"2", true, false},
                                                 {"01", true, false},
                                                 {"ja", true, true},
                                                 {"ja", false, false},
                                                 {"", true, true}}) {
    File.WriteString("Flag", c.Stored);
    EXPECT_EQ(File.ReadBool("Flag", c.Default), c.Expected) << c.Stored;
  }
  File.WriteBool("Flag", true);
  EXPECT_EQ(File.ReadString("Flag", ""), "1");
  File.WriteBool("Flag", false);
  EXPECT_EQ(File.ReadString("Flag", ""), "0");
}

TEST_F(TheRegIniFileTest, FloatsUseAPointAndFiveDecimals) {
  File.WriteFloat("Date", 45000.5);
  EXPECT_EQ(File.ReadString("Date", ""), "45000.50000");
  EXPECT_DOUBLE_EQ(File.ReadFloat("Date", 0), 45000.5);
  File.WriteString("Date", "45000,5");
  EXPECT_DOUBLE_EQ(File.ReadFloat("Date", 1.25), 1.25);
  EXPECT_EQ(File.ErrorCode(), RegNotFloat);
}

TEST_F(TheRegIniFileTest, DWordsAndBinariesKeepTheirTypes) {
  File.WriteDWord("ProxyEnable", 1);
  EXPECT_EQ(File.ReadDWord("ProxyEnable", 9), 1u);
  File.WriteString("Text", "1");
  EXPECT_EQ(File.ReadDWord("Text", 9), 9u);
  EXPECT_EQ(File.ErrorCode(), RegNotFound);

  const std::vector<std::uint8_t> record = {1, 0, 2, 0xff};
  File.WriteBinary("Record", record);
  std::vector<std::uint8_t> read = {7};
  File.ReadBinary("Record", read);
  EXPECT_EQ(read, record);
  File.ReadBinary("Missing", read);
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(File.ErrorCode(), RegNotFound);
}

TEST_F(TheRegIniFileTest, ValueNamesComeInCreationOrderAndNoneIsAnError) {
  File.ReadValueNames(*std::make_unique<Names>());
  EXPECT_EQ(File.ErrorCode(), RegNotFound);
  File.WriteString("b", "");
  File.WriteString("a", "");
  Names names;
  File.ReadValueNames(names);
  EXPECT_EQ(names, (Names{"b", "a"}));
  EXPECT_EQ(File.ErrorCode(), RegOk);
}

TEST_F(TheRegIniFileTest, DeleteValueReportsWhetherItDeleted) {
  File.WriteString("V", "x");
  EXPECT_TRUE(File.DeleteValue("v"));
  EXPECT_FALSE(File.DeleteValue("v"));
  EXPECT_EQ(File.ErrorCode(), RegDeleteValueFailed);
}

TEST_F(TheRegIniFileTest, EraseSectionDeletesSubKeysAndOptionallyTheKey) {
  Store("Software\\Test\\Main", "Kept", "1");
  Store("Software\\Test\\Main\\A\\B", "V", "1");
  File.EraseSection(false);
  EXPECT_EQ(File.ErrorCode(), RegOk);
  EXPECT_EQ(StoredNames("Software\\Test\\Main"), Names{"Kept"});
  TRegKey key;
  EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Software\\Test\\Main\\A", key),
            TRegResult::NotFound);

  File.EraseSection(true);
  EXPECT_EQ(File.ErrorCode(), RegOk);
  EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, "Software\\Test\\Main", key),
            TRegResult::NotFound);
  File.EraseSection(true);
  EXPECT_EQ(File.ErrorCode(), RegDeleteKeyFailed);
  // The cached handle was dropped: writing creates the key anew.
  File.WriteString("V", "again");
  EXPECT_EQ(File.ReadString("V", ""), "again");
}

TEST_F(TheRegIniFileTest, MissingAreaOrSectionShowsTheGuardMessage) {
  File.SetSection("");
  EXPECT_EQ(File.ReadString("V", "d"), "d");
  EXPECT_EQ(File.ErrorCode(), RegNotFound);
  File.WriteString("V", "x");
  EXPECT_EQ(File.ErrorCode(), RegWriteFailed);
  // Value names need only the area.
  Names names;
  File.ReadValueNames(names);
  ASSERT_EQ(Ui.Messages.size(), 2u);
  EXPECT_EQ(Ui.Messages[0].Text, "Bitte Area und Section angeben.");
  File.SetArea("");
  File.ReadValueNames(names);
  EXPECT_EQ(Ui.Messages.size(), 3u);
}

TEST_F(TheRegIniFileTest, ListRewriteFromFiveToTwoLeavesExactlyTwoValues) {
  File.SetSection("List");
  File.WriteList({"a", "b", "c", "d", "e"});
  File.WriteList({"x", "y"});
  EXPECT_EQ(File.ErrorCode(), RegOk);
  EXPECT_EQ(StoredNames("Software\\Test\\List"), (Names{"0", "1"}));
  Names list;
  File.ReadList(list);
  EXPECT_EQ(list, (Names{"x", "y"}));
  File.WriteList({});
  File.ReadList(list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(File.ErrorCode(), RegNotFound);
}

TEST_F(TheRegIniFileTest, ListsReadInStoredOrder) {
  Store("Software\\Test\\List", "0", "first");
  Store("Software\\Test\\List", "1", "second");
  File.SetSection("List");
  Names list;
  File.ReadList(list);
  EXPECT_EQ(list, (Names{"first", "second"}));
  EXPECT_EQ(File.ErrorCode(), RegOk);
}

TEST_F(TheRegIniFileTest, AFailedAtomicWriteStoresNothing) {
  File.SetSection("List");
  File.WriteList({"old"});
  EXPECT_FALSE(File.WriteAtomically([this] {
    File.WriteList({"new", "entries"});
    return false;
  }));
  Names list;
  File.ReadList(list);
  EXPECT_EQ(list, Names{"old"});
}

TEST_F(TheRegIniFileTest, AReaderInAnotherProcessNeverSeesAListHalfWritten) {
  File.SetSection("List");
  File.WriteList({"a", "b", "c", "d", "e"});
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    TRegistry registry(TRegistryLocations::InFolder(Folder.Path()));
    TFakeUserInterface ui;
    TTheRegIniFile file(registry, ui);
    file.SetArea("\\Software\\Test");
    file.SetSection("List");
    int failures = 0;
    for (int i = 0; i < 60; ++i) {
      file.WriteList(i % 2 == 0 ? Names{"x", "y"} : Names{"a", "b", "c", "d", "e"});
      failures += file.ErrorCode() != RegOk ? 1 : 0;
    }
    _exit(failures);
  }
  TRegistry registry(TRegistryLocations::InFolder(Folder.Path()));
  TFakeUserInterface ui;
  TTheRegIniFile reader(registry, ui);
  reader.SetArea("\\Software\\Test");
  reader.SetSection("List");
  int status = 0;
  int reads = 0;
  while (waitpid(writer, &status, WNOHANG) == 0) {
    // Each look at the list is one read transaction, as the program makes it.
    TRegistry::TTransaction snapshot(registry, TRootKey::CurrentUser);
    Names list;
    reader.ReadList(list);
    ++reads;
    ASSERT_TRUE(list == (Names{"x", "y"}) || list == (Names{"a", "b", "c", "d", "e"}))
        << ::testing::PrintToString(list);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GT(reads, 0);
}

} // namespace
