// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/DBaseFile.h"

#include "DBaseTable.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::pair<std::string, int>> LogFields = {
    {"DATUM", 8}, {"MELDUNG", 40}, {"CODE", 4}};

TEST(DBaseFile, ReadsTheFieldOfTheLastRecord) {
  const std::string table =
      DBaseTable(LogFields, {{"20261209", "Verbindung getrennt", "7"},
                             {"20261210", "Verbindung zu 'Arcor' aufgebaut", "1"}});
  EXPECT_EQ(LastRecordField(table, "MELDUNG"), "Verbindung zu 'Arcor' aufgebaut");
  EXPECT_EQ(LastRecordField(table, "meldung"), "Verbindung zu 'Arcor' aufgebaut");
  EXPECT_EQ(LastRecordField(table, "CODE"), "1");
  EXPECT_EQ(LastRecordField(table, "TEXT"), std::nullopt);
}

TEST(DBaseFile, ARecordCountAheadOfTheBytesFallsBackToTheLastWholeRecord) {
  std::string table = DBaseTable(LogFields, {{"1", "first"}, {"2", "second"}});
  table.resize(table.size() - 10); // the second record cut short, end marker gone
  EXPECT_EQ(LastRecordField(table, "MELDUNG"), "first");
}

struct TDamagedCase {
  const char* Label;
  std::string Table;
};

class DBaseDamaged : public testing::TestWithParam<TDamagedCase> {};

TEST_P(DBaseDamaged, GivesNothing) {
  EXPECT_EQ(LastRecordField(GetParam().Table, "MELDUNG"), std::nullopt);
}

std::string WithByte(std::string table, std::size_t offset, char value) {
  table[offset] = value;
  return table;
}

const std::string Good = DBaseTable(LogFields, {{"1", "one"}});

INSTANTIATE_TEST_SUITE_P(
    DBaseFile, DBaseDamaged,
    testing::Values(TDamagedCase{"Empty", ""}, TDamagedCase{"ShortHeader", Good.substr(0, 20)},
                    TDamagedCase{"NoRecords", DBaseTable(LogFields, {})},
                    TDamagedCase{"HeaderSizeBeyondFile", WithByte(Good, 9, '\x7F')},
                    TDamagedCase{"RecordSizeZero", WithByte(WithByte(Good, 10, 0), 11, 0)},
                    TDamagedCase{"FieldWiderThanRecord", WithByte(Good, 10, 5)},
                    TDamagedCase{"RecordMissing", Good.substr(0, 32 + 3 * 32 + 1)}),
    [](const testing::TestParamInfo<TDamagedCase>& info) { return std::string(info.param.Label); });

} // namespace
