// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/ScriptFilter.h"

#include "ScriptRemovalReference.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct TFiltered {
  std::string Text;
  bool Found = false;
  std::int64_t Removed = 0;
};

// Feeds text in pieces cut at the given positions (ascending) and checks after every
// piece that the filter holds no more than its constant.
TFiltered FilterInPieces(std::string_view text, const std::vector<std::size_t>& cuts) {
  TScriptFilter filter;
  TFiltered result;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : text.size();
    filter.Feed(text.substr(from, to - from), result.Text);
    EXPECT_LE(filter.HeldBack(), TScriptFilter::MaxHeldBack);
    from = to;
  }
  filter.Finish(result.Text);
  EXPECT_EQ(filter.HeldBack(), 0u);
  result.Found = filter.Found();
  result.Removed = filter.Removed();
  return result;
}

// Every cut point, every pair of cut points and one byte at a time give what one Feed gives.
void ExpectSplitsAgree(const std::string& text, const TFiltered& whole) {
  std::vector<std::size_t> bytewise;
  for (std::size_t i = 1; i < text.size(); ++i) {
    bytewise.push_back(i);
  }
  const TFiltered single = FilterInPieces(text, bytewise);
  EXPECT_EQ(single.Text, whole.Text) << text << " byte by byte";
  EXPECT_EQ(single.Removed, whole.Removed) << text << " byte by byte";
  for (std::size_t a = 0; a <= text.size(); ++a) {
    for (std::size_t b = a; b <= text.size(); ++b) {
      const TFiltered split = FilterInPieces(text, {a, b});
      ASSERT_EQ(split.Text, whole.Text) << text << " cut at " << a << " and " << b;
      ASSERT_EQ(split.Found, whole.Found) << text << " cut at " << a << " and " << b;
      ASSERT_EQ(split.Removed, whole.Removed) << text << " cut at " << a << " and " << b;
    }
  }
}

struct TScriptCase {
  const char* Name;
  std::string Text;
  std::string Expected;
  bool Found;
  std::int64_t Removed;
};

// Each case as one Feed, as the whole-text rule has it, and alike for every split.
template <std::size_t N> void ExpectCases(const TScriptCase (&cases)[N]) {
  for (const TScriptCase& c : cases) {
    const TFiltered whole = FilterInPieces(c.Text, {});
    EXPECT_EQ(whole.Text, c.Expected) << c.Name;
    EXPECT_EQ(whole.Found, c.Found) << c.Name;
    EXPECT_EQ(whole.Removed, c.Removed) << c.Name;
    const TScriptRemovalReference reference = RemoveScriptsReference(c.Text);
    EXPECT_EQ(whole.Text, reference.Text) << c.Name;
    EXPECT_EQ(whole.Removed, reference.Removed) << c.Name;
    ExpectSplitsAgree(c.Text, whole);
  }
}

TEST(ScriptFilter, RemovesElementsAlikeForEverySplitOfTheInput) {
  const TScriptCase cases[] = {
      {"no markup", "plain text", "plain text", false, 0},
      {"other tags and a stray end tag", "<p>a</p></script>b<scrip>", "<p>a</p></script>b<scrip>",
       false, 0},
      {"one element", "a<script>x</script>b", "ab", true, 1},
      {"tags in any letter case", "a<SCRIPT>x</ScRiPt>b<sCrIpT src=1></SCRIPT>c", "abc", true, 2},
      {"two elements", "<script src=a></script>1<script>2</script>3", "13", true, 2},
      {"the character after the end tag goes whatever it is", "<script></script X", "X", true, 1},
      {"element ends with the document", "k<script>x</script", "k", true, 1},
      {"end tag cut short inside the element", "<script>a</scri</script>>X", ">X", true, 1},
      {"'<' in the body restarts the end tag", "<script>a<</<</script>.Y", ".Y", true, 1},
      {"start formed by joining around a removed element", "<scr<script>x</script>ipt>y</script>z",
       "z", true, 2},
      {"join twice over", "<s<scr<script>1</script>ipt>2</script>cript>3</script>!", "!", true, 3},
      {"join that forms no start keeps both sides", "<scr<script>x</script>ap>", "<scrap>", true,
       1},
      {"'<' before a start", "<<script>x</script>>", "<>", true, 1},
      {"join of a bare '<'", "<<script>x</script>script>y</script>.", ".", true, 2},
      {"partial start, then a different tag", "<scrip<b>x", "<scrip<b>x", false, 0},
  };
  ExpectCases(cases);
}

TEST(ScriptFilter, UnclosedElementStaysAsItCame) {
  const TScriptCase cases[] = {
      {"start alone", "<script", "<script", true, 0},
      {"text before an open element", "a<script>never closed", "a<script>never closed", true, 0},
      {"open after a closed one", "a<script>1</script>b<SCRIPT>2</scrip", "ab<SCRIPT>2</scrip",
       true, 1},
      {"upper-case element, then an open start", "a<SCRIPT>x</SCRIPT>b<script>y", "ab<script>y",
       true, 1},
      {"held start before an open element", "<scr<script>open", "<scr<script>open", true, 0},
      {"start formed by a join and left open", "<scr<script>x</script>ipt>y", "<script>y", true, 1},
  };
  ExpectCases(cases);
}

// Memory stays bounded: an open element longer than the filter keeps is dropped as it
// passes, and counts as removed when the document ends open.
TEST(ScriptFilter, OpenElementBeyondTheLimitIsDropped) {
  const std::string body(TScriptFilter::MaxOpenHeld, 'x');
  for (const bool closed : {false, true}) {
    TScriptFilter filter;
    std::string out;
    filter.Feed("a<script>", out);
    for (int i = 0; i < 3; ++i) {
      filter.Feed(body, out);
      EXPECT_LE(filter.HeldBack(), TScriptFilter::MaxHeldBack);
    }
    filter.Feed(closed ? "</script>b" : "b", out);
    filter.Finish(out);
    EXPECT_EQ(out, closed ? "ab" : "a") << closed;
    EXPECT_EQ(filter.Removed(), 1) << closed;
    EXPECT_EQ(filter.HeldBack(), 0u);
  }
}

TEST(ScriptFilter, PassesBytesOnAsSoonAsNoStartCanIncludeThem) {
  TScriptFilter filter;
  std::string out;
  filter.Feed("ab<scrip", out);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(filter.HeldBack(), 6u);
  filter.Feed("x>cd", out);
  EXPECT_EQ(out, "ab<scripx>cd");
  EXPECT_EQ(filter.HeldBack(), 0u);

  filter.Feed("<scr<script>", out);
  EXPECT_EQ(out, "ab<scripx>cd");
  filter.Feed("gone</script>", out);
  EXPECT_EQ(filter.HeldBack(), 4u); // "<scr" may still join what follows
  filter.Feed("ap", out);
  EXPECT_EQ(out, "ab<scripx>cd<scrap");
  filter.Finish(out);
  EXPECT_EQ(out, "ab<scripx>cd<scrap");
  EXPECT_EQ(filter.Removed(), 1);
}

TEST(ScriptFilter, CharacterAfterTheEndTagMayArriveInTheNextBlock) {
  TScriptFilter filter;
  std::string out;
  filter.Feed("a<script>x</script", out);
  EXPECT_EQ(out, "a");
  EXPECT_EQ(filter.Removed(), 0);
  filter.Feed(">b", out);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(filter.Removed(), 1);
}

// Partial starts nested deeper than the filter keeps: each one waits for the text
// after the element that follows it. Past the limit the oldest are written out; the
// starts they form later are still removed, and only their own bytes stay.
TEST(ScriptFilter, StartsNestedPastTheLimitStillLeaveNoScriptBehind) {
  std::string text;
  for (std::size_t i = 0; i < TScriptFilter::MaxPending + 2; ++i) {
    text += "<s";
  }
  text += "<script>x</script>";
  for (std::size_t i = 0; i < TScriptFilter::MaxPending + 2; ++i) {
    text += "cript>y</script>";
  }
  text += "end";
  const TFiltered whole = FilterInPieces(text, {});
  // Three starts are written out as they come and dead, a fourth is written but goes on
  // forming starts with the text after each removed element.
  EXPECT_EQ(whole.Text, "<s<s<s<send");
  EXPECT_EQ(whole.Removed, static_cast<std::int64_t>(TScriptFilter::MaxPending + 3));
  EXPECT_EQ(RemoveScriptsReference(text).Text, "end");
  ExpectSplitsAgree(text, whole);
}

// Documents over a small alphabet that forms tags, partial tags and joins often,
// against the rule applied to the whole text where it is followed exactly: with no
// more '<' than the starts the filter keeps.
TEST(ScriptFilter, AgreesWithTheWholeTextRuleOnGeneratedDocuments) {
  const std::string_view alphabet = "<</sScRiIpPtT>x";
  std::mt19937 random(8);
  for (int round = 0; round < 20000; ++round) {
    std::string text(std::uniform_int_distribution<std::size_t>(0, 60)(random), ' ');
    for (char& c : text) {
      c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    }
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; text.size() > 1 && cuts.size() < 8;) {
      at += std::uniform_int_distribution<std::size_t>(1, 9)(random);
      if (at >= text.size()) {
        break;
      }
      cuts.push_back(at);
    }
    const TFiltered filtered = FilterInPieces(text, cuts);
    ASSERT_EQ(FindLowered(filtered.Text, "<script"), std::string::npos) << text;
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '<')) >
        TScriptFilter::MaxPending) {
      continue;
    }
    const TScriptRemovalReference reference = RemoveScriptsReference(text);
    ASSERT_EQ(filtered.Text, reference.Text) << text;
    ASSERT_EQ(filtered.Found, reference.Found) << text;
    ASSERT_EQ(filtered.Removed, reference.Removed) << text;
  }
}

// 100 MiB in blocks that cut elements at ever other places: the output is counted, not
// kept, and the filter never holds more than its constant.
TEST(ScriptFilter, FiltersAHundredMebibytesHoldingOnlyAFewBytes) {
  const std::string kept = "<p>some text &lt; more</p><scrip>";
  const std::string script = "<SCRIPT type=x>if (a < b) { c(\"</scr\"); }</script>";
  const std::string unit = kept + script;
  constexpr std::size_t Total = 100 * 1024 * 1024;
  constexpr std::size_t BlockSize = 64 * 1024 + 7;
  std::string block;
  std::string out;
  TScriptFilter filter;
  std::size_t produced = 0;
  std::size_t units = 0;
  std::size_t inUnit = 0;
  std::size_t fed = 0;
  while (fed < Total) {
    block.clear();
    while (block.size() < BlockSize && fed + block.size() < Total) {
      const std::size_t take =
          std::min({unit.size() - inUnit, BlockSize - block.size(), Total - fed - block.size()});
      block.append(unit, inUnit, take);
      inUnit += take;
      if (inUnit == unit.size()) {
        inUnit = 0;
        ++units;
      }
    }
    fed += block.size();
    out.clear();
    filter.Feed(block, out);
    ASSERT_LE(filter.HeldBack(), TScriptFilter::MaxHeldBack);
    produced += out.size();
  }
  out.clear();
  filter.Finish(out);
  produced += out.size();
  // A last element cut short stays as it came, unless only its final '>' is missing.
  const bool closedAtEnd = inUnit == unit.size() - 1;
  EXPECT_EQ(filter.Removed(), static_cast<std::int64_t>(units + (closedAtEnd ? 1 : 0)));
  EXPECT_EQ(produced, units * kept.size() + (closedAtEnd ? kept.size() : inUnit));
}

} // namespace
