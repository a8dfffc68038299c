// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AsciiText.h"

#include <gtest/gtest.h>

TEST(SplitText, KeepsThePieceAfterTheLastDelimiter) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"a&&!b&&!c", {"a", "b", "c"}}, {"a&&!b&&!", {"a", "b", ""}}, {"", {""}},
      {"plain", {"plain"}},           {"&&!x", {"", "x"}},          {"a&&!&&!b", {"a", "", "b"}}};
  for (const auto& [text, pieces] : cases) {
    EXPECT_EQ(SplitText(text, "&&!"), pieces) << text;
  }
  EXPECT_EQ(SplitText("a;b", ""), std::vector<std::string>{"a;b"});
}

TEST(AsciiText, IgnoresOnlyASCIILetterCase) {
  EXPECT_TRUE(ContainsText("http://WWW.DIALER.EXAMPLE/", "dialer"));
  EXPECT_FALSE(ContainsText("\xC3\x84rger", "\xC3\xA4rger"));
  EXPECT_FALSE(ContainsText("abc", ""));
  EXPECT_FALSE(ContainsText("ab", "abc"));
  EXPECT_TRUE(SameTextASCII("HKEY_Current_User", "hkey_current_user"));
  EXPECT_FALSE(SameTextASCII("\xC3\x84", "\xC3\xA4"));
  EXPECT_FALSE(SameTextASCII("Main", "Mai"));
  EXPECT_EQ(LowerCaseASCII("Quorvane.EXAMPLE \xC3\x84"), "quorvane.example \xC3\x84");
}
