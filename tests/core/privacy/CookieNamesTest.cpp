// SPDX-License-Identifier: GPL-3.0-or-later
// Cookie names and the keep-list.
#include "privacy/CookieNames.h"

#include "privacy/UrlCache.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

struct TKeepCase {
  const char* Name;
  const char* Cookie;
  bool Kept;
};

class KeepList : public ::testing::TestWithParam<TKeepCase> {};

TEST_P(KeepList, MatchesWholeNamesWithoutRegardToCase) {
  const TCookieKeepList keep{".Example.org", "shop.example/cart"};
  EXPECT_EQ(IsCookieKept(GetParam().Cookie, keep), GetParam().Kept);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeepList,
                         ::testing::Values(TKeepCase{"SameName", ".example.org", true},
                                           TKeepCase{"OtherCase", ".EXAMPLE.ORG", true},
                                           TKeepCase{"WithoutDot", "example.org", false},
                                           TKeepCase{"SubDomain", "www.example.org", false},
                                           TKeepCase{"Prefix", ".example.or", false},
                                           TKeepCase{"HostAndPath", "Shop.Example/cart", true},
                                           TKeepCase{"HostOfPath", "shop.example", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

constexpr std::string_view CookiesTxt = "# Netscape HTTP Cookie File\n"
                                        ".example.org\tTRUE\t/\tFALSE\t0\ta\t1\n"
                                        "example.org\tFALSE\t/\tFALSE\t0\tb\t2\n"
                                        "a line without tabs\n"
                                        "\n"
                                        ".drop.example\tTRUE\t/\tFALSE\t0\tc\t3";

TEST(CookiesTxt, KeepsCommentsLinesWithoutTabAndKeptCookiesOnly) {
  const TCookiesTxtFilter filtered = FilterCookiesTxt(CookiesTxt, {".EXAMPLE.org"});
  EXPECT_EQ(filtered.Content, "# Netscape HTTP Cookie File\n"
                              ".example.org\tTRUE\t/\tFALSE\t0\ta\t1\n"
                              "a line without tabs\n"
                              "\n");
  EXPECT_EQ(filtered.DroppedLines, 2u);
}

TEST(CookiesTxt, AllLinesSurviveWithAFullKeepList) {
  const std::string whole = "x\ty\n# c\n";
  EXPECT_EQ(FilterCookiesTxt(whole, {"x"}).Content, whole);
}

TEST(CookiesTxt, NamesAreFirstFieldsOfCookieLines) {
  std::vector<std::string> names;
  AddCookiesTxtNames(CookiesTxt, names);
  EXPECT_THAT(names, ElementsAre(".example.org", "example.org", ".drop.example"));
}

TEST(CookieNameList, SortsWithoutRegardToCaseAndDropsDuplicates) {
  std::vector<std::string> names{"b.example", ".a.example", "B.example", "a.example"};
  SortCookieNames(names);
  EXPECT_THAT(names, ElementsAre(".a.example", "a.example", "b.example"));
}

TEST(CookieNameList, TheDialogOffersOnlyWhatTheKeepListLacks) {
  EXPECT_THAT(WithoutKept({"a.example", "b.example", "c.example"}, {"B.EXAMPLE"}),
              ElementsAre("a.example", "c.example"));
}

struct TUrlCase {
  const char* Name;
  const char* Url;
  const char* Expected;
};

class UrlCacheName : public ::testing::TestWithParam<TUrlCase> {};

TEST_P(UrlCacheName, IsTheTextAfterTheFirstAtLessOneTrailingSlash) {
  EXPECT_EQ(UrlCacheCookieName(GetParam().Url), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlCacheName,
    ::testing::Values(TUrlCase{"RootPath", "Cookie:user@example.org/", "example.org"},
                      TUrlCase{"WithPath", "Cookie:user@example.org/shop/", "example.org/shop"},
                      TUrlCase{"NoAt", "http://example.org//", "http://example.org/"},
                      TUrlCase{"TwoAts", "Cookie:u@x@example.org/", "x@example.org"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
