// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/HeadReader.h"

#include <gtest/gtest.h>

namespace {

struct TLineCase {
  const char* Name;
  std::string Bytes;
  TReadResult Result;
  std::string Text;
  std::size_t Consumed;
};

TEST(ReadLine, EndsAtCRLFOrBareLFAndStopsAtTheLengthLimit) {
  const std::string longest(MaxLineLength, 'a');
  const TLineCase cases[] = {
      {"CR LF", "GET / HTTP/1.0\r\nrest", TReadResult::Complete, "GET / HTTP/1.0", 16},
      {"bare LF", "Host: a\nrest", TReadResult::Complete, "Host: a", 8},
      {"empty line", "\r\n", TReadResult::Complete, "", 2},
      {"CR alone is no line end", "a\rb", TReadResult::Incomplete, "", 0},
      {"no line end yet", "partial", TReadResult::Incomplete, "", 0},
      {"longest line", longest + "\r\n", TReadResult::Complete, longest, MaxLineLength + 2},
      {"one byte too long", longest + "b\r\n", TReadResult::TooLong, "", 0},
      {"unended, room for its CR", longest + "\r", TReadResult::Incomplete, "", 0},
      {"unended, too long already", longest + "bc", TReadResult::TooLong, "", 0},
  };
  for (const TLineCase& c : cases) {
    const TLineRead line = ReadLine(c.Bytes);
    EXPECT_EQ(line.Result, c.Result) << c.Name;
    EXPECT_EQ(line.Text, c.Text) << c.Name;
    EXPECT_EQ(line.Consumed, c.Consumed) << c.Name;
  }
}

TEST(HeadReader, CollectsLinesUpToTheEmptyLineAcrossPieces) {
  THeadReader reader;
  const std::string bytes = "A: 1\r\nB: 2\nC: 3\r\n\r\nbody";
  EXPECT_EQ(reader.Feed(bytes.substr(0, 8)), 6u); // "B: " waits for its line end
  EXPECT_EQ(reader.Result(), TReadResult::Incomplete);
  EXPECT_EQ(reader.Feed(bytes.substr(6)), 13u);
  EXPECT_EQ(reader.Result(), TReadResult::Complete);
  EXPECT_EQ(reader.Lines(), (std::vector<std::string>{"A: 1", "B: 2", "C: 3"}));
  EXPECT_EQ(reader.Feed("more\r\n"), 0u);
}

TEST(HeadReader, RefusesMoreLinesThanTheLimitAndOverlongLines) {
  std::string many;
  for (std::size_t i = 0; i < MaxHeaderLines; ++i) {
    many += "X: " + std::to_string(i) + "\r\n";
  }
  THeadReader atLimit;
  atLimit.Feed(many + "\r\n");
  EXPECT_EQ(atLimit.Result(), TReadResult::Complete);
  EXPECT_EQ(atLimit.Lines().size(), MaxHeaderLines);

  THeadReader beyond;
  beyond.Feed(many + "Y: 1\r\n\r\n");
  EXPECT_EQ(beyond.Result(), TReadResult::TooLong);
  EXPECT_STREQ(beyond.Reason(), "Too many header lines.");

  THeadReader longLine;
  longLine.Feed("A: 1\r\n" + std::string(MaxLineLength + 2, 'x'));
  EXPECT_EQ(longLine.Result(), TReadResult::TooLong);
  EXPECT_STREQ(longLine.Reason(), "Line too long.");
}

} // namespace
