// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/FilterRules.h"

#include <gtest/gtest.h>

namespace {

struct TURLCase {
  std::vector<std::string> Entries;
  const char* URI;
  bool Allowed;
};

TEST(URLAllowed, FirstMatchingEntryDecidesWithItsExceptions) {
  const std::vector<std::string> dialer = {"dialer&&!safe.example&&!help.example"};
  const TURLCase cases[] = {
      {dialer, "http://dialer-download.example/", false},
      {dialer, "http://safe.example/dialer.html", true},
      {dialer, "http://WWW.DIALER.EXAMPLE/", false},
      {dialer, "http://HELP.example/dialer", true},
      {dialer, "http://other.example/", true},
      {{"ads", "ads.example&&!ok"}, "http://ads.example/ok", false},
      {{"x&&!"}, "http://x.example/", false},
      {{"", "y"}, "http://y.example/", false},
      {{}, "http://anything.example/", true},
  };
  for (const TURLCase& c : cases) {
    EXPECT_EQ(URLAllowed(MakeBlockList(c.Entries), c.URI), c.Allowed) << c.URI;
  }
}

TEST(MakeBlockList, EntriesSplitAtFirstDelimiterIntoTermAndExceptions) {
  const TBlockList list = MakeBlockList({"dialer&&!a&&!b", "plain", "x&&!"});
  EXPECT_EQ(list.Blocked, (std::vector<std::string>{"dialer", "plain", "x"}));
  EXPECT_EQ(list.Allowed, (std::vector<std::string>{"a&&!b", "", ""}));
}

struct TExtensionCase {
  const char* Target;
  TFilterSwitches Switches;
  TProxyCounter Counter; // nullptr: passes
};

TEST(BlockedExtension, FirstMatchingRuleWhoseSwitchIsOnDecides) {
  const TFilterSwitches all{true, true, true, true};
  const TFilterSwitches flash{false, true, false, false};
  const TFilterSwitches scripts{false, false, false, true};
  const TExtensionCase cases[] = {
      {"/movie.swf", flash, &TProxyStatistics::BlockedFlash},
      {"/movie.swf", scripts, nullptr},
      {"/control.CAB", all, &TProxyStatistics::BlockedActiveX},
      {"/control.ocx", all, &TProxyStatistics::BlockedActiveX},
      {"/download.exe.html", all, &TProxyStatistics::BlockedExeFiles},
      {"/lib/app.json", scripts, &TProxyStatistics::BlockedJavaScript},
      {"/page.jsp", scripts, &TProxyStatistics::BlockedJavaScript},
      {"/page.JS", scripts, &TProxyStatistics::BlockedJavaScript},
      {"/x.vbs", scripts, &TProxyStatistics::BlockedJavaScript},
      {"/a.swf.exe", all, &TProxyStatistics::BlockedFlash},
      {"/page.html", all, nullptr},
      {"/x.exe", {}, nullptr},
  };
  for (const TExtensionCase& c : cases) {
    EXPECT_EQ(BlockedExtension(c.Switches, c.Target), c.Counter) << c.Target;
  }
}

TEST(BlockedContentType, OnlyTheWholeValueMatches) {
  const TFilterSwitches all{true, true, true, true};
  const std::pair<const char*, TProxyCounter> cases[] = {
      {"application/x-javascript", &TProxyStatistics::BlockedJavaScript},
      {"application/x-vbscript", &TProxyStatistics::BlockedJavaScript},
      {"application/x-shockwave-flash", &TProxyStatistics::BlockedFlash},
      {"application/x-javascript; charset=utf-8", nullptr},
      {"Application/X-Javascript", nullptr},
      {"text/javascript", nullptr},
      {"", nullptr},
  };
  for (const auto& [type, counter] : cases) {
    EXPECT_EQ(BlockedContentType(all, type), counter) << type;
  }
  EXPECT_EQ(BlockedContentType({}, "application/x-javascript"), nullptr);
}

} // namespace
