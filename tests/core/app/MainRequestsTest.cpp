// SPDX-License-Identifier: GPL-3.0-or-later
// The request events on real requests through the server: header rewriting, the
// cookie step, counters and the recent pages.
#include "LoopbackSockets.h"
#include "MainTestSupport.h"
#include "ScriptedOrigin.h"
#include "app/MainTexts.h"

#include <gmock/gmock.h>
#include <thread>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* OriginReply = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok";

struct TRewriteCase {
  const char* Name;
  const char* Method;
  bool BlockBrowserName;
  bool BlockReferer;
  bool BlockCookies;
  const char* RequestHeaders;       // each line ends with CRLF
  std::vector<std::string> Present; // lines the origin must see
  std::vector<std::string> Absent;  // texts the origin must not see
  std::uint32_t BlockedCookies;
};

std::ostream& operator<<(std::ostream& out, const TRewriteCase& c) {
  return out << c.Name;
}

const std::string BlockedReferer =
    "Referer: blocked_by_Quorvane_1.20_http://www.quorvane.example/\r\n";

class MainRewrite : public MainTestBase, public ::testing::WithParamInterface<TRewriteCase> {};

TEST_P(MainRewrite, OriginSeesRewrittenHeaders) {
  const TRewriteCase& c = GetParam();
  Store([&](TRegistrySettings& s) {
    s.BlockBrowserName = c.BlockBrowserName;
    s.BlockReferer = c.BlockReferer;
    s.BlockCookies = c.BlockCookies;
    s.DomainCookiesAllowedList = {"quorvane.example"};
  });
  TScriptedOrigin origin(OriginReply);
  TMain& main = Start();
  const std::string url = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/page";
  std::string request = std::string(c.Method) + " " + url + " HTTP/1.0\r\n" + c.RequestHeaders;
  if (std::string(c.Method) == "POST")
    request += "Content-Length: 3\r\n";
  request += "\r\n";
  if (std::string(c.Method) == "POST")
    request += "a=b";

  const std::string reply = loopback::Exchange(main.ProxyServer().ListeningPort(), request);
  ASSERT_THAT(reply, HasSubstr("200 OK"));

  const std::string seen = origin.FirstRequest();
  for (const std::string& line : c.Present)
    EXPECT_THAT(seen, HasSubstr(line));
  for (const std::string& text : c.Absent)
    EXPECT_THAT(seen, Not(HasSubstr(text)));
  const TStatisticsTexts texts = main.StatisticsTexts();
  EXPECT_EQ(texts.lCookies, std::to_string(c.BlockedCookies));
  const std::string& count = std::string(c.Method) == "GET"    ? texts.lGET
                             : std::string(c.Method) == "POST" ? texts.lPOST
                                                               : texts.lHEAD;
  EXPECT_EQ(count, "1");
  EXPECT_THAT(main.LastCalledSites(), ElementsAre(url));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainRewrite,
    ::testing::Values(
        TRewriteCase{"AllOnGet",
                     "GET",
                     true,
                     true,
                     true,
                     "Host: shop.example\r\nUser-Agent: Browser/9\r\nReferer: "
                     "http://a.example/\r\nCookie: id=1\r\n",
                     {"User-Agent: Quorvane 1.20\r\n", BlockedReferer},
                     {"Browser/9", "a.example", "Cookie:"},
                     1},
        TRewriteCase{"RefererAddedWhenMissing",
                     "GET",
                     false,
                     true,
                     false,
                     "Host: shop.example\r\n",
                     {BlockedReferer},
                     {},
                     0},
        TRewriteCase{"UserAgentAddedWhenMissing",
                     "GET",
                     true,
                     false,
                     false,
                     "Host: shop.example\r\n",
                     {"User-Agent: Quorvane 1.20\r\n"},
                     {"Referer:"},
                     0},
        TRewriteCase{
            "AllOffPassesUnchanged",
            "GET",
            false,
            false,
            false,
            "Host: shop.example\r\nUser-Agent: Browser/9\r\nReferer: http://a.example/\r\nCookie: "
            "id=1\r\n",
            {"User-Agent: Browser/9\r\n", "Referer: http://a.example/\r\n", "Cookie: id=1\r\n"},
            {},
            0},
        TRewriteCase{"AllowedDomainKeepsCookie",
                     "GET",
                     false,
                     false,
                     true,
                     "Host: www.quorvane.example:8080\r\nCookie: id=1\r\n",
                     {"Cookie: id=1\r\n"},
                     {},
                     0},
        TRewriteCase{"HostCaseCountsForAllowedDomain",
                     "GET",
                     false,
                     false,
                     true,
                     "Host: WWW.QUORVANE.EXAMPLE\r\nCookie: id=1\r\n",
                     {},
                     {"Cookie:"},
                     1},
        TRewriteCase{"EmptyHostKeepsCookie",
                     "GET",
                     false,
                     false,
                     true,
                     "Cookie: id=1\r\n",
                     {"Cookie: id=1\r\n"},
                     {},
                     0},
        TRewriteCase{"SetCookieAloneIsStripped",
                     "GET",
                     false,
                     false,
                     true,
                     "Host: shop.example\r\nSet-Cookie: x=2\r\n",
                     {},
                     {"Set-Cookie:"},
                     1},
        TRewriteCase{
            "NoCookieNotCounted", "GET", false, false, true, "Host: shop.example\r\n", {}, {}, 0},
        TRewriteCase{"PostRewritten",
                     "POST",
                     true,
                     true,
                     true,
                     "Host: shop.example\r\nUser-Agent: Browser/9\r\nCookie: id=1\r\n",
                     {"User-Agent: Quorvane 1.20\r\n", BlockedReferer},
                     {"Browser/9", "Cookie:"},
                     1},
        TRewriteCase{"HeadRewritten",
                     "HEAD",
                     true,
                     true,
                     true,
                     "Host: shop.example\r\nUser-Agent: Browser/9\r\nCookie: id=1\r\n",
                     {"User-Agent: Quorvane 1.20\r\n", BlockedReferer},
                     {"Browser/9", "Cookie:"},
                     1}),
    [](const auto& info) { return std::string(info.param.Name); });

class MainRequests : public MainTestBase {};

TEST_F(MainRequests, ConnectCountsAsGetAndListsTarget) {
  TScriptedOrigin origin(OriginReply);
  TMain& main = Start();
  const std::string target = "127.0.0.1:" + std::to_string(origin.Port());
  const int browser = loopback::Connect(main.ProxyServer().ListeningPort());
  loopback::SendAll(browser, "CONNECT " + target + " HTTP/1.0\r\n\r\n");
  loopback::ReceiveExactly(browser, std::string("HTTP/1.0 200 Connection established\r\n").size());
  ::close(browser);

  EXPECT_TRUE(ProcessEventsUntil([&] { return main.StatisticsTexts().lGET == "1"; }));
  EXPECT_THAT(main.LastCalledSites(), ElementsAre(target));
}

struct TRecentCase {
  const char* Name;
  bool Save;
  int Max;
  std::vector<std::string> Expected;
};

std::ostream& operator<<(std::ostream& out, const TRecentCase& c) {
  return out << c.Name;
}

class MainRecent : public MainTestBase, public ::testing::WithParamInterface<TRecentCase> {};

TEST_P(MainRecent, KeepsNewestFirstUpToMaximum) {
  const TRecentCase& c = GetParam();
  TMain& main = Start();
  Apply([&](TSettingsValues& s) {
    s.SaveLastCalledSites = c.Save;
    s.MaxLastCalledSites = c.Max;
  });
  for (const char* page : {"a", "b", "c", "d", "e"})
    main.RequestEvents().AddLastCalledSite(page);
  EXPECT_EQ(main.LastCalledSites(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MainRecent,
                         ::testing::Values(TRecentCase{"MaxThree", true, 3, {"e", "d", "c"}},
                                           TRecentCase{"MaxZero", true, 0, {}},
                                           TRecentCase{"SwitchedOff", false, 100, {}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainRecent, LoweredMaximumDropsEveryOlderPageWithTheNextOne) {
  TMain& main = Start();
  for (const char* page : {"a", "b", "c", "d"})
    main.RequestEvents().AddLastCalledSite(page);
  Apply([](TSettingsValues& s) { s.MaxLastCalledSites = 2; });
  main.RequestEvents().AddLastCalledSite("e");
  EXPECT_THAT(main.LastCalledSites(), ElementsAre("e", "d"));
}

TEST_F(MainRecent, SwitchingOffKeepsListedPages) {
  TMain& main = Start();
  main.RequestEvents().AddLastCalledSite("kept");
  Apply([](TSettingsValues& s) { s.SaveLastCalledSites = false; });
  main.RequestEvents().AddLastCalledSite("dropped");
  EXPECT_THAT(main.LastCalledSites(), ElementsAre("kept"));
}

TEST_F(MainRequests, ConcurrentRequestsAreAllCountedAndRefreshesCoalesced) {
  constexpr int Threads = 8;
  constexpr int PerThread = 25;
  Store([](TRegistrySettings& s) { s.MaxLastCalledSites = 50; });
  TScriptedOrigin origin(OriginReply);
  TMain& main = Start();
  const std::uint16_t port = main.ProxyServer().ListeningPort();
  const std::string url = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/";

  std::vector<std::thread> browsers;
  std::atomic<int> ok{0};
  for (int t = 0; t < Threads; ++t) {
    browsers.emplace_back([&, t] {
      for (int i = 0; i < PerThread; ++i) {
        const std::string reply = loopback::Exchange(
            port, "GET " + url + std::to_string(t) + "-" + std::to_string(i) + " HTTP/1.0\r\n\r\n");
        if (reply.find("200 OK") != std::string::npos)
          ++ok;
      }
    });
  }
  // The main thread keeps its event loop running meanwhile, as the program does.
  ProcessEventsUntil([&] { return ok.load() == Threads * PerThread; }, std::chrono::seconds(60));
  for (auto& browser : browsers)
    browser.join();
  ASSERT_EQ(ok.load(), Threads * PerThread);

  const std::string all = std::to_string(Threads * PerThread);
  EXPECT_TRUE(ProcessEventsUntil([&] { return View.LastStatistics.lGET == all; }))
      << "the last refresh shows every request";
  EXPECT_EQ(main.LastCalledSites().size(), 50u);
  EXPECT_LT(View.StatisticsShown, Threads * PerThread / 4) << "refreshes were not coalesced";
  main.FormDestroy();
  EXPECT_EQ(Stored()->Statistics.GETFiles, static_cast<std::uint32_t>(Threads * PerThread));
}

TEST_F(MainRequests, BlockedPageCountedFromServerStatistics) {
  Store([](TRegistrySettings& s) {
    s.BlockSites = true;
    s.BlockedURLList = {"forbidden"};
  });
  TMain& main = Start();
  const std::string reply = loopback::Exchange(main.ProxyServer().ListeningPort(),
                                               "GET http://forbidden.example/ HTTP/1.0\r\n\r\n");
  EXPECT_THAT(reply, HasSubstr("401"));
  EXPECT_EQ(main.StatisticsTexts().lWerbungen, "1");
}

struct TResetCase {
  const char* Name;
  TModalResult Answer;
  bool Cleared;
};

std::ostream& operator<<(std::ostream& out, const TResetCase& c) {
  return out << c.Name;
}

class MainReset : public MainTestBase, public ::testing::WithParamInterface<TResetCase> {};

TEST_P(MainReset, ClearsEveryCounterUnlessAnsweredNo) {
  Store([](TRegistrySettings& s) {
    s.Statistics.GETFiles = 5;
    s.Statistics.Bytes = 900;
    s.Statistics.TotalDownloads = 3;
    s.Statistics.TotalBytesInDownloads = 70;
  });
  TMain& main = Start();
  UserInterface.MessageResults.push_back(GetParam().Answer);

  main.ClearStatBtnClick();

  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            "Möchten Sie die Statistik wirklich auf 0 zurücksetzen?");
  EXPECT_EQ(UserInterface.Messages[0].Caption, "Bestätigung");
  EXPECT_EQ(UserInterface.Messages[0].Buttons, TMsgButtons::YesNo);
  const TStatisticsTexts texts = main.StatisticsTexts();
  if (GetParam().Cleared) {
    EXPECT_EQ(texts.lGET, "0");
    EXPECT_EQ(texts.lBytes, "0 Byte");
    EXPECT_EQ(texts.lTotalDownloads, "0");
    EXPECT_EQ(texts.lTotalBytesInDownloads, "0 Byte");
    EXPECT_EQ(View.LastStatistics.lGET, "0");
  } else {
    EXPECT_EQ(texts.lGET, "5");
    EXPECT_EQ(texts.lTotalDownloads, "3");
  }
  main.FormDestroy();
  EXPECT_EQ(Stored()->Statistics.TotalDownloads, GetParam().Cleared ? 0u : 3u);
}

INSTANTIATE_TEST_SUITE_P(Answers, MainReset,
                         ::testing::Values(TResetCase{"Yes", TModalResult::Yes, true},
                                           TResetCase{"No", TModalResult::No, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
