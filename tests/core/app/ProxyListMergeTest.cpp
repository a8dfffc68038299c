// SPDX-License-Identifier: GPL-3.0-or-later
// Merging a delivered proxy list: which "update.lst" line names it, and which of its
// lines add a proxy.
#include "app/ProxyListMerge.h"

#include <gtest/gtest.h>

namespace {

using namespace ProxyListMerge;

TEST(ProxyListLineOfUpdateLst, FileNameComparesWithoutCaseAfterEitherSeparator) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::optional<std::string> Expected;
  };
  const TCase cases[] = {
      {"backslashes", {"C:\\Prog\\other.dll", "C:\\Prog\\quorvane.lst"}, "C:\\Prog\\quorvane.lst"},
      {"slashes, upper case", {"/data/QUORVANE.LST"}, "/data/QUORVANE.LST"},
      {"mixed case, trailing blank", {"/d/QuorVane.Lst \r"}, "/d/QuorVane.Lst"},
      {"bare name", {"quorvane.lst"}, "quorvane.lst"},
      {"first of two", {"/a/quorvane.lst", "/b/quorvane.lst"}, "/a/quorvane.lst"},
      {"added extension", {"/d/quorvane.lst.bak"}, std::nullopt},
      {"longer name", {"/d/myquorvane.lst"}, std::nullopt},
      {"folder of that name", {"/d/quorvane.lst/x"}, std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ProxyListLine(c.Lines), c.Expected) << c.Name;
  }
}

TEST(ProxiesToAddFromLines, TableOfLines) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Existing;
    std::vector<std::string> Lines;
    std::vector<TNewProxy> Expected;
  };
  const TCase cases[] = {
      {"host and port", {}, {"10.0.0.1:3128"}, {{"10.0.0.1", 3128}}},
      {"no port", {}, {"10.0.0.1"}, {{"10.0.0.1", 8080}}},
      {"comments and blanks", {}, {"# a", " ; b", "", "   ", "\t#c"}, {}},
      {"blanks and control characters trimmed", {}, {" \t10.0.0.3:81\r"}, {{"10.0.0.3", 81}}},
      {"third part ignored", {}, {"10.0.0.2:80:x"}, {{"10.0.0.2", 80}}},
      {"port not a number", {}, {"h:abc", "i:12x", "j:"}, {{"h", 8080}, {"i", 8080}, {"j", 8080}}},
      {"port out of range",
       {},
       {"h:0", "i:65536", "j:-1", "k:65535"},
       {{"h", 8080}, {"i", 8080}, {"j", 8080}, {"k", 65535}}},
      {"empty host", {}, {":8080", " :3128"}, {}},
      {"host in the pool keeps its entry", {"10.0.0.1"}, {"10.0.0.1:8000"}, {}},
      {"duplicate in the list", {}, {"a:1", "a:2"}, {{"a", 1}}},
      {"case variants are other hosts",
       {"proxy.example"},
       {"Proxy.Example:1", "PROXY.example:2"},
       {{"Proxy.Example", 1}, {"PROXY.example", 2}}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ProxiesToAdd(c.Existing, c.Lines), c.Expected) << c.Name;
  }
}

TEST(ProxyListTextLines, AnyLineBreak) {
  EXPECT_EQ(TextLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(TextLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(TextLines("").empty());
}

} // namespace
