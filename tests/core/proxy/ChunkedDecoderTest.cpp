// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/ChunkedDecoder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using TResult = TChunkedDecoder::TResult;

struct TDecoded {
  TResult Result = TResult::NeedMore;
  std::string Data;
  // Offset in the whole input where the body ended (Finished only).
  std::size_t End = 0;
};

// Feeds input cut at the given ascending positions; pieces after the end must be left
// whole and unread.
TDecoded DecodeInPieces(std::string_view input, const std::vector<std::size_t>& cuts) {
  TChunkedDecoder decoder;
  TDecoded decoded;
  std::size_t from = 0;
  bool ended = false;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : input.size();
    const std::size_t before = decoded.Data.size();
    decoded.Result = decoder.Feed(input.substr(from, to - from), decoded.Data);
    if (ended) {
      EXPECT_EQ(decoded.Result, TResult::Finished);
      EXPECT_EQ(decoder.Unconsumed(), to - from);
      EXPECT_EQ(decoded.Data.size(), before);
    } else if (decoded.Result == TResult::Finished) {
      ended = true;
      EXPECT_LE(decoder.Unconsumed(), to - from);
      decoded.End = to - decoder.Unconsumed();
    }
    from = to;
  }
  return decoded;
}

// One Feed, one byte at a time and single cuts give the same answer; long inputs are
// cut at a stride, their every boundary being covered byte by byte already.
void ExpectSplitsAgree(const std::string& input, const TDecoded& whole, const char* name) {
  std::vector<std::size_t> bytewise;
  for (std::size_t i = 1; i < input.size(); ++i) {
    bytewise.push_back(i);
  }
  const TDecoded single = DecodeInPieces(input, bytewise);
  EXPECT_EQ(single.Result, whole.Result) << name << " byte by byte";
  EXPECT_EQ(single.Data, whole.Data) << name << " byte by byte";
  EXPECT_EQ(single.End, whole.End) << name << " byte by byte";
  const std::size_t stride = input.size() > 512 ? 61 : 1;
  for (std::size_t cut = 0; cut <= input.size(); cut += stride) {
    const TDecoded split = DecodeInPieces(input, {cut});
    ASSERT_EQ(split.Result, whole.Result) << name << " cut at " << cut;
    ASSERT_EQ(split.Data, whole.Data) << name << " cut at " << cut;
    ASSERT_EQ(split.End, whole.End) << name << " cut at " << cut;
  }
}

struct TChunkedCase {
  const char* Name;
  std::string Input;
  TResult Result;
  std::string Data;
  std::size_t After = 0; // bytes after the body's end (Finished only)
};

TEST(ChunkedDecoder, DecodesAlikeForEverySplitOfTheInput) {
  const std::string longExtension = "5;" + std::string(TChunkedDecoder::MaxSizeLine - 2, 'x');
  const std::string fullTrailer =
      "X: " + std::string(TChunkedDecoder::MaxTrailer - 3 - 4, 'a') + "\r\n\r\n";
  const TChunkedCase cases[] = {
      {"one chunk", "5\r\nhello\r\n0\r\n\r\n", TResult::Finished, "hello"},
      {"hex sizes in either case", "a\r\n0123456789\r\nB\r\nabcdefghijk\r\n0\r\n\r\n",
       TResult::Finished, "0123456789abcdefghijk"},
      {"leading zeros", "0005\r\nhello\r\n000\r\n\r\n", TResult::Finished, "hello"},
      {"extensions and blanks before them",
       "5;name=value;q=\"a;b\"\r\nhello\r\n3 ;x\r\nabc\r\n0\t;last\r\n\r\n", TResult::Finished,
       "helloabc"},
      {"trailer fields are dropped", "3\r\nabc\r\n0\r\nExpires: never\r\nX-A: b\r\n\r\n",
       TResult::Finished, "abc"},
      {"bare line feeds", "3\nabc\n0\nX: y\n\n", TResult::Finished, "abc"},
      {"data that looks like framing", "5\r\n0\r\n\r\n\r\n0\r\n\r\n", TResult::Finished,
       "0\r\n\r\n"},
      {"bytes after the end stay unread", "1\r\nx\r\n0\r\n\r\nHTTP/1.1 200", TResult::Finished, "x",
       12},
      {"size line at its limit", longExtension + "\r\nhello\r\n0\r\n\r\n", TResult::Finished,
       "hello"},
      {"trailer at its limit", "0\r\n" + fullTrailer, TResult::Finished, ""},
      {"chunk data still coming", "5\r\nhel", TResult::NeedMore, "hel"},
      {"last chunk without the empty line", "2\r\nab\r\n0\r\n", TResult::NeedMore, "ab"},
      {"largest size", "ffffffffffffffff\r\nab", TResult::NeedMore, "ab"},
      {"no digits", "\r\n", TResult::Malformed, ""},
      {"blank before the size", " 5\r\nhello\r\n0\r\n\r\n", TResult::Malformed, ""},
      {"not a hex digit", "g\r\n", TResult::Malformed, ""},
      {"text after the size", "2x\r\nab\r\n0\r\n\r\n", TResult::Malformed, ""},
      {"two sizes", "2 3\r\nab\r\n", TResult::Malformed, ""},
      {"prefixed hex", "0x5\r\nhello\r\n", TResult::Malformed, ""},
      {"carriage return without line feed", "2\rab\r\n", TResult::Malformed, ""},
      {"data longer than its size", "2\r\nabc\r\n0\r\n\r\n", TResult::Malformed, "ab"},
      {"data end with a lone carriage return", "2\r\nab\rX", TResult::Malformed, "ab"},
      {"size overflows", "10000000000000000\r\n", TResult::Malformed, ""},
      {"size line over its limit", longExtension + "x\r\nhello\r\n0\r\n\r\n", TResult::Malformed,
       ""},
      {"trailer over its limit", "0\r\nX" + fullTrailer, TResult::Malformed, ""},
      {"trailer line with a lone carriage return", "0\r\nA: b\rc\r\n\r\n", TResult::Malformed, ""},
  };
  for (const TChunkedCase& c : cases) {
    const TDecoded whole = DecodeInPieces(c.Input, {});
    EXPECT_EQ(whole.Result, c.Result) << c.Name;
    EXPECT_EQ(whole.Data, c.Data) << c.Name;
    if (c.Result == TResult::Finished) {
      EXPECT_EQ(c.Input.size() - whole.End, c.After) << c.Name;
    }
    ExpectSplitsAgree(c.Input, whole, c.Name);
  }
}

TEST(ChunkedDecoder, AnswerStaysOnceGiven) {
  std::string out;
  TChunkedDecoder finished;
  EXPECT_EQ(finished.Feed("0\r\n\r\n", out), TResult::Finished);
  EXPECT_EQ(finished.Unconsumed(), 0u);
  EXPECT_EQ(finished.Feed("3\r\nabc", out), TResult::Finished);
  EXPECT_EQ(finished.Unconsumed(), 6u);

  TChunkedDecoder malformed;
  EXPECT_EQ(malformed.Feed("z", out), TResult::Malformed);
  EXPECT_EQ(malformed.Feed("3\r\nabc\r\n0\r\n\r\n", out), TResult::Malformed);
  EXPECT_TRUE(out.empty());
}

TEST(ChunkedDecoder, LargeChunksPassInOnePiece) {
  const std::string data(300000, 'd');
  std::string input = "493e0\r\n" + data + "\r\n0\r\n\r\n";
  std::string out;
  TChunkedDecoder decoder;
  EXPECT_EQ(decoder.Feed(std::string_view(input).substr(0, 100000), out), TResult::NeedMore);
  EXPECT_EQ(out.size(), 100000u - 7u);
  EXPECT_EQ(decoder.Feed(std::string_view(input).substr(100000), out), TResult::Finished);
  EXPECT_EQ(out, data);
}

} // namespace
