// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyFileFormat.h"

#include "pool/ProxyLine.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

const std::string Header = "\x00\x01\x00\x00"s;
// Enabled, port 3128, 250 ms, host "10.0.0.1", failure level 1.
const std::string RecordA = "\x01\x38\x0c\xfa\x00\x08\x00\x00\x00"s + "10.0.0.1" + "\x01"s;
// Disabled, port 80, failed (0 ms), host "p.example", failure level 3.
const std::string RecordB = "\x00\x50\x00\x00\x00\x09\x00\x00\x00"s + "p.example" + "\x03"s;

TQuorvaneServerListEntry EntryA() {
  return {true, "10.0.0.1", 3128, 250, 1, false};
}
TQuorvaneServerListEntry EntryB() {
  return {false, "p.example", 80, 0, 3, false};
}

struct TFileCase {
  const char* Name;
  std::string Bytes;
  bool AdminMode;
  std::vector<TQuorvaneServerListEntry> Expected;
  bool Damaged;
  bool Purged;
};

class ProxyFileBytes : public testing::TestWithParam<TFileCase> {};

TEST_P(ProxyFileBytes, LoadAsExpected) {
  const TFileCase& c = GetParam();
  const TProxyFileContents contents = ParseProxyFile(c.Bytes, c.AdminMode);
  EXPECT_EQ(contents.Entries, c.Expected);
  EXPECT_EQ(contents.Damaged, c.Damaged);
  EXPECT_EQ(contents.Purged, c.Purged);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ProxyFileBytes,
    testing::Values(
        TFileCase{"Empty", "", false, {}, false, false},
        TFileCase{"FormatNumberOnlyWhateverItsValue", "\xff\xff\xff\x7f"s, false, {}, false, false},
        TFileCase{
            "TwoRecords", Header + RecordA + RecordB, false, {EntryA(), EntryB()}, false, false},
        TFileCase{"AdminModeDropsThirdFailure",
                  Header + RecordA + RecordB,
                  true,
                  {EntryA()},
                  false,
                  true},
        TFileCase{"CutInsideSecondHead",
                  Header + RecordA + RecordB.substr(0, 6),
                  false,
                  {EntryA()},
                  true,
                  false},
        TFileCase{"CutBeforeFailureLevel",
                  Header + RecordA + RecordB.substr(0, RecordB.size() - 1),
                  false,
                  {EntryA()},
                  true,
                  false},
        TFileCase{"NegativeHostLength",
                  Header + RecordA + "\x01\x50\x00\x01\x00\xff\xff\xff\xff"s + "xx",
                  false,
                  {EntryA()},
                  true,
                  false},
        TFileCase{"HostLengthBeyondTheFile",
                  Header + RecordA + "\x01\x50\x00\x01\x00\x00\x00\x00\x40"s + "host\x01"s,
                  false,
                  {EntryA()},
                  true,
                  false},
        TFileCase{"ShortFormatNumber", "\x00\x01"s, false, {}, true, false}),
    [](const testing::TestParamInfo<TFileCase>& info) { return std::string(info.param.Name); });

TEST(ProxyFileBytes, SavedBytesAreTheFileLayout) {
  const std::vector<TProxyEntryPtr> list = {std::make_shared<TQuorvaneServerListEntry>(EntryA()),
                                            std::make_shared<TQuorvaneServerListEntry>(EntryB())};
  EXPECT_EQ(SerializeProxyFile(list), Header + RecordA + RecordB);
  EXPECT_EQ(SerializeProxyFile({}), Header);
}

struct TLineCase {
  const char* Line;
  bool Accepted;
  const char* Host;
  std::uint16_t Port;
};

class ProxyLineSyntax : public testing::TestWithParam<TLineCase> {};

TEST_P(ProxyLineSyntax, ReadsHostAndPort) {
  const TLineCase& c = GetParam();
  const std::optional<TProxyLine> line = ParseProxyLine(c.Line);
  ASSERT_EQ(line.has_value(), c.Accepted) << c.Line;
  if (line) {
    EXPECT_EQ(line->Host, c.Host);
    EXPECT_EQ(ProxyPortOf(line->PortText), c.Port);
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, ProxyLineSyntax,
                         testing::Values(TLineCase{"10.0.0.1:3128", true, "10.0.0.1", 3128},
                                         TLineCase{"  \t10.0.0.1:3128\r", true, "10.0.0.1", 3128},
                                         TLineCase{"10.0.0.1", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.1:abc", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.1:", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.2:80:x", true, "10.0.0.2", 80},
                                         TLineCase{"10.0.0.1:0", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.1:65535", true, "10.0.0.1", 65535},
                                         TLineCase{"10.0.0.1:65536", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.1:-80", true, "10.0.0.1", 8080},
                                         TLineCase{"10.0.0.1:99999999999", true, "10.0.0.1", 8080},
                                         TLineCase{"  # 10.0.0.1:80", false, "", 0},
                                         TLineCase{";10.0.0.1:80", false, "", 0},
                                         TLineCase{":3128", false, "", 0},
                                         TLineCase{" \t ", false, "", 0}),
                         [](const testing::TestParamInfo<TLineCase>& info) {
                           return "Line" + std::to_string(info.index);
                         });

} // namespace
