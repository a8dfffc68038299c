// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Tools.h"

#include "TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

struct NumberCase {
  std::int64_t Value;
  const char* Expected;
};

TEST(FormatThousands, GroupsDigitsWithPointsFromTheRight) {
  for (const NumberCase& c : std::vector<NumberCase>{{0, "0"},
                                                     {999, "999"},
                                                     {1000, "1.000"},
                                                     {123456, "123.456"},
                                                     {1234567, "1.234.567"},
                                                     {-1234, "-1.234"},
                                                     {-123, "-123"}}) {
    EXPECT_EQ(FormatThousands(c.Value), c.Expected) << c.Value;
  }
}

TEST(FormatBytes, PicksTheUnitByMagnitude) {
  for (const NumberCase& c : std::vector<NumberCase>{{0, "0 Byte"},
                                                     {-5, "0 Byte"},
                                                     {1, "1 Byte"},
                                                     {999999, "999.999 Byte"},
                                                     {1000000, "976 KByte"},
                                                     {9999999, "9.765 KByte"},
                                                     {10000000, "9 MByte"},
                                                     {5000000000, "4.768 MByte"}}) {
    EXPECT_EQ(FormatBytes(c.Value), c.Expected) << c.Value;
  }
}

TEST(FormatDuration, UsesTheLargestUnitWithTwoDigitFields) {
  for (const NumberCase& c : std::vector<NumberCase>{{0, "0 Sek."},
                                                     {-7, "0 Sek."},
                                                     {5, "05 Sek."},
                                                     {59, "59 Sek."},
                                                     {60, "01:00 Min."},
                                                     {65, "01:05 Min."},
                                                     {3600, "01:00:00 Std."},
                                                     {3725, "01:02:05 Std."},
                                                     {360000, "100:00:00 Std."}}) {
    EXPECT_EQ(FormatDuration(c.Value), c.Expected) << c.Value;
  }
}

TEST(StringHelpers, TreatOnlyTheBlankAsBlank) {
  EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
  EXPECT_EQ(BlanksToUnderscores(" a b\tc "), "_a_b\tc_");
}

TEST(UpperCaseGerman, RaisesAsciiAndUmlautsButNotSharpS) {
  EXPECT_EQ(UpperCaseGerman("straße über öl äpfel"), "STRAßE ÜBER ÖL ÄPFEL");
  EXPECT_EQ(UpperCaseGerman("ÄÖÜ 123 é"), "ÄÖÜ 123 é");
  // A lone lead byte at the end must not be read past.
  EXPECT_EQ(UpperCaseGerman(std::string("a\xC3")), std::string("A\xC3"));
}

TEST(ExceptionLists, ConvertBetweenJoinedEntriesAndLines) {
  EXPECT_EQ(JoinStrings({"a", "b", "c"}, ", "), "a, b, c");
  EXPECT_EQ(ExceptionListToLines("dialer&&!a.example&&!b.example"),
            "dialer\r\na.example\r\nb.example");
  EXPECT_EQ(LinesToExceptionList("dialer\r\n\r\n a. example \r\nb.example\n"),
            "dialer&&!a.example&&!b.example");
}

TEST(GetFileSize64, MeasuresFilesAndFirstWildcardMatches) {
  TTempFolder folder;
  std::ofstream(folder / "data.bin") << std::string(1234, 'x');
  std::filesystem::create_directory(folder / "sub");
  EXPECT_EQ(GetFileSize64((folder / "data.bin").string()), 1234);
  EXPECT_EQ(GetFileSize64((folder / "*.bin").string()), 1234);
  EXPECT_EQ(GetFileSize64((folder / "missing.bin").string()), -1);
  EXPECT_EQ(GetFileSize64((folder / "sub").string()), -1);
}

TEST(RunProgram, StartsTheProgramAndWaitsForItsEnd) {
  TTempFolder folder;
  const auto marker = folder / "ran";
  ASSERT_TRUE(RunProgram("/bin/sh", "-c \"sleep 0.2; touch '" + marker.string() + "'\"", true));
  EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(RunProgram, FallsBackToTheShellForACommandThatIsNoProgram) {
  TTempFolder folder;
  const auto marker = folder / "ran";
  // "exec" is a shell word, not a file: only the second way can start it.
  ASSERT_TRUE(RunProgram("exec", "touch '" + marker.string() + "'", true));
  EXPECT_TRUE(std::filesystem::exists(marker));
}

} // namespace
