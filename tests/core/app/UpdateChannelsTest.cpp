// SPDX-License-Identifier: GPL-3.0-or-later
// The update channels' bytes: settings answer, completion report, channel names.
#include "app/UpdateChannels.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <regex>

namespace {

using namespace UpdateChannels;
using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::initializer_list<int> values) {
  TBytes bytes;
  for (const int v : values)
    bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

TIPCSettings Sample() {
  TIPCSettings s;
  s.Language = "Deutsch";
  s.ProgramFolder = "/p/";
  s.ProductName = "Quorvane";
  s.DataFolder = "/d";
  s.ProgramFolder2 = "/p/";
  s.ProxyPort = 80;
  s.ProductName2 = "Quorvane";
  s.ProductVersion = "Quorvane 1.20";
  s.UpdateAddress = "http://h/OU/";
  s.IgnoreListName = "quorignore.dat";
  s.InstalledList = "update.lst";
  s.Unattended = 1;
  s.ProcessId = 0x01020304;
  s.RunChannel = "r";
  return s;
}

TEST(UpdateSettingsAnswer, StreamHasTheFieldsInOrderLittleEndian) {
  const TBytes stream = EncodeSettings(Sample());
  // 256, then "Deutsch" as length 7 and its bytes, then "/p/".
  const TBytes head = Bytes({0x00, 0x01, 0x00, 0x00, 7, 0, 0, 0, 'D', 'e', 'u',
                             't',  's',  'c',  'h',  3, 0, 0, 0, '/', 'p', '/'});
  ASSERT_GE(stream.size(), head.size());
  EXPECT_EQ(TBytes(stream.begin(), stream.begin() + static_cast<long>(head.size())), head);
  // The tail: Unattended byte, process id, run channel "r".
  const TBytes tail = Bytes({1, 0x04, 0x03, 0x02, 0x01, 1, 0, 0, 0, 'r'});
  EXPECT_EQ(TBytes(stream.end() - static_cast<long>(tail.size()), stream.end()), tail);
  // Three empty strings (host, user, password) then port 80.
  const TBytes proxy = Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 80, 0, 0, 0});
  EXPECT_NE(std::search(stream.begin(), stream.end(), proxy.begin(), proxy.end()), stream.end());
  EXPECT_EQ(DecodeSettings(stream), Sample());
}

TEST(UpdateSettingsAnswer, TooSmallBufferGetsTheStreamLengthOnly) {
  TIPCSettings settings = Sample();
  settings.DataFolder = std::string(200, 'x');
  const TBytes stream = EncodeSettings(settings);
  ASSERT_GT(stream.size(), 100U);
  TBytes answer(100, 0);
  WriteSettingsAnswer(stream, answer);
  const auto length = static_cast<std::uint32_t>(stream.size());
  EXPECT_EQ(TBytes(answer.begin(), answer.begin() + 4),
            Bytes({static_cast<int>(length & 0xff), static_cast<int>(length >> 8), 0, 0}));
  EXPECT_TRUE(std::all_of(answer.begin() + 4, answer.end(), [](auto b) { return b == 0; }));

  TBytes large(stream.size() + 10, 0);
  WriteSettingsAnswer(stream, large);
  EXPECT_EQ(TBytes(large.begin(), large.begin() + static_cast<long>(stream.size())), stream);
}

TEST(UpdateSettingsAnswer, CutOrForeignStreamsDoNotDecode) {
  const TBytes stream = EncodeSettings(Sample());
  for (std::size_t cut : {0UL, 3UL, 10UL, stream.size() - 1}) {
    EXPECT_FALSE(DecodeSettings(std::span(stream).first(cut))) << cut;
  }
  TBytes foreign = stream;
  foreign[0] = 1;
  EXPECT_FALSE(DecodeSettings(foreign));
  // A length that claims more than is there.
  TBytes lying = Bytes({0, 1, 0, 0, 0xff, 0xff, 0xff, 0x7f, 'a'});
  EXPECT_FALSE(DecodeSettings(lying));
}

TEST(UpdateStartChannel, AnswersTheRunChannelWithZeroCutToTheBuffer) {
  TBytes answer(40, 0xee);
  WriteStartAnswer("abc", answer);
  EXPECT_EQ(TBytes(answer.begin(), answer.begin() + 5), Bytes({'a', 'b', 'c', 0, 0xee}));
  TBytes small(2, 0);
  WriteStartAnswer("abc", small);
  EXPECT_EQ(small, Bytes({'a', 'b'}));
}

TEST(UpdateCompletion, RecordFixture) {
  // 257, restart 1, updated 1, reserved 0, padding, then 40000.5 as a double.
  TBytes record = Bytes({0x01, 0x01, 0, 0, 1, 1, 0});
  record.resize(24, 0);
  const auto bits = std::bit_cast<std::uint64_t>(40000.5);
  for (int shift = 0; shift < 64; shift += 8)
    record.push_back(static_cast<std::uint8_t>(bits >> shift));
  const auto completion = DecodeCompletion(record);
  ASSERT_TRUE(completion);
  EXPECT_TRUE(completion->RestartNeeded);
  EXPECT_TRUE(completion->Updated);
  EXPECT_EQ(completion->UpdateDate, 40000.5);
  EXPECT_EQ(EncodeCompletion(*completion), record);
}

TEST(UpdateCompletion, ShortRecordsAndOtherCommandsAreIgnored) {
  const TBytes record = EncodeCompletion({false, true, 0, 45000});
  EXPECT_FALSE(DecodeCompletion(std::span(record).first(31)));
  TBytes other = record;
  other[0] = 0x00;
  EXPECT_FALSE(DecodeCompletion(other));
  EXPECT_FALSE(CommandOf(Bytes({1, 1, 0})));
  EXPECT_EQ(CommandOf(Bytes({1, 1, 0, 0})), 257);
}

TEST(UpdateCompletion, OnlyPlausibleDatesAreKept) {
  const TDateTime now = EncodeDateTime(2026, 12, 10, 12, 0, 0);
  struct TCase {
    const char* Name;
    double Reported;
    double Expected;
  };
  const TCase cases[] = {
      {"yesterday", now - 1, now - 1},
      {"first day of 2000", EncodeDateTime(2000, 1, 1, 0, 0, 0),
       EncodeDateTime(2000, 1, 1, 0, 0, 0)},
      {"late tomorrow", EncodeDateTime(2026, 12, 11, 23, 0, 0),
       EncodeDateTime(2026, 12, 11, 23, 0, 0)},
      {"day after tomorrow", EncodeDateTime(2026, 12, 12, 0, 0, 0), now},
      {"1999", EncodeDateTime(1999, 12, 31, 23, 59, 59), now},
      {"zero", 0, now},
      {"negative", -5, now},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), now},
      {"infinity", std::numeric_limits<double>::infinity(), now},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(AcceptedUpdateDate(c.Reported, now), c.Expected) << c.Name;
  }
}

TEST(UpdateRunChannel, NameIsThirtyTwoCharactersOfProcessProductAndTime) {
  int calls = 0;
  const auto clock = [&calls] {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 10;
    t.tm_hour = 9;
    t.tm_min = 8;
    t.tm_sec = 7 + calls++;
    return t;
  };
  const std::string name = RunChannelName(4711, "Quor-vane 1", clock);
  // One round gives 4 + 9 + 14 = 27 characters; the second is cut after 5.
  EXPECT_EQ(name, "4711Quorvane112202610090807"
                  "4711Q");
  EXPECT_EQ(calls, 2);
}

} // namespace
