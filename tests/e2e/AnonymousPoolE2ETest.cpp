// SPDX-License-Identifier: GPL-3.0-or-later
// The anonymous upstream pool in the headless program: real upstream proxies
// (tinyproxy, Privoxy) each on its own loopback address, nginx as the check page,
// the address echo and the origin, and scripted proxies that fail the check.
#include "AnonymousPoolFixture.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using namespace pool;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(AnonymousPoolE2E, SelectedUpstreamCarriesRequestsAndRotates) {
  StartWeb();
  const TUpstream a = StartTinyproxy("127.0.0.11");
  const TUpstream b = StartTinyproxy("127.0.0.12");
  const TUpstream c = StartPrivoxy("127.0.0.13");
  PreparePool({a.Line(), b.Line(), c.Line()});
  const TProxy proxy = StartQuorvane();

  // Every entry is new (1 ms): start-up picks the first and rotates once at once.
  ASSERT_TRUE(WaitForUpstreamLine(b.Line(), 5s)) << Program->ReadStdout();
  EXPECT_THAT(Program->ReadStdout(), HasSubstr("Anonymer Proxy: " + a.Line() + "\n"));
  EXPECT_THAT(ViaSeenThrough(proxy), HasSubstr(b.ViaName));
  EXPECT_THAT(Program->ReadStdout(), HasSubstr("Ihre IP-Adresse: 127.0.0.1\n"));

  // One rotation minute later the third takes over, and stays.
  ASSERT_TRUE(WaitForUpstreamLine(c.Line(), 5s)) << Program->ReadStdout();
  EXPECT_THAT(ViaSeenThrough(proxy), HasSubstr(c.ViaName));
  std::this_thread::sleep_for(2500ms);
  EXPECT_THAT(ViaSeenThrough(proxy), HasSubstr(c.ViaName));
}

TEST_F(AnonymousPoolE2E, KilledUpstreamFailsOverAtOnce) {
  StartWeb();
  const TUpstream a = StartTinyproxy("127.0.0.11");
  const TUpstream b = StartTinyproxy("127.0.0.12");
  PreparePool({a.Line(), b.Line()});
  SetMain("AnonymousProxyChangeInterval", "90");
  const TProxy proxy = StartQuorvane();
  ASSERT_TRUE(WaitForUpstreamLine(b.Line(), 5s)) << Program->ReadStdout();

  b.Process->Stop();
  EXPECT_THAT(ViaSeenThrough(proxy), HasSubstr(a.ViaName));
  EXPECT_TRUE(WaitUntil([&] { return LastUpstreamLine() == a.Line(); }, 5s))
      << Program->ReadStdout();
}

TEST_F(AnonymousPoolE2E, WithoutFailoverTheRequestFailsUntilTheNextRotation) {
  StartWeb();
  const TUpstream a = StartTinyproxy("127.0.0.11");
  const TUpstream b = StartTinyproxy("127.0.0.12");
  PreparePool({a.Line(), b.Line()});
  SetMain("AnonymousProxyChangeInterval", "90");
  SetMain("AnonymousProxyFailover", "0");
  const TProxy proxy = StartQuorvane();
  ASSERT_TRUE(WaitForUpstreamLine(b.Line(), 5s)) << Program->ReadStdout();

  b.Process->Stop();
  const TCurlResult r = CurlVia(proxy, {Url(Web.HttpPort, "/via")}, 20s);
  EXPECT_THAT(r.Body, Not(HasSubstr("via=")));
  EXPECT_THAT(r.Body, HasSubstr(b.Address));
}

struct TNoUpstreamCase {
  const char* Name;
  const char* FailClosed;
  bool Served;
};
using e2e::PrintTo;

class AnonymousPoolNoUpstream : public AnonymousPoolE2E,
                                public testing::WithParamInterface<TNoUpstreamCase> {};

TEST_P(AnonymousPoolNoUpstream, GoesDirectOrIsRefused) {
  StartWeb();
  // Listed, but nobody listens there.
  PreparePool({"127.0.0.11:" + std::to_string(FreePort())});
  SetMain("AnonymousProxyFailClosed", GetParam().FailClosed);
  const TProxy proxy = StartQuorvane();
  ASSERT_THAT(LastUpstreamLine(), HasSubstr("127.0.0.11:")) << Program->ReadStdout();

  const TCurlResult r = CurlVia(proxy, {Url(Web.HttpPort, "/via")}, 20s);
  if (GetParam().Served) {
    EXPECT_EQ(r.Status, 200) << r.Describe();
    EXPECT_EQ(r.Body, std::string("via=") + ExpectedVia + " upstream=\n");
  } else {
    EXPECT_NE(r.Status, 200) << r.Describe();
    EXPECT_THAT(r.Body, HasSubstr("Kein anonymer Proxy-Server erreichbar"));
  }
  // The dead proxy was marked failed: no proxy in use any more.
  EXPECT_TRUE(WaitForUpstreamLine("keiner", 5s)) << Program->ReadStdout();
}

INSTANTIATE_TEST_SUITE_P(Cases, AnonymousPoolNoUpstream,
                         testing::Values(TNoUpstreamCase{"Direct", "0", true},
                                         TNoUpstreamCase{"FailClosed", "1", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AnonymousPoolE2E, HttpsGoesThroughTheUpstream) {
  StartWeb(true);
  Publish("page.html", "<p>secret</p>");
  const TUpstream a = StartTinyproxy("127.0.0.11");
  PreparePool({a.Line()});
  const TProxy proxy = StartQuorvane();
  ASSERT_TRUE(WaitForUpstreamLine(a.Line(), 5s)) << Program->ReadStdout();

  const TCurlResult r = CurlVia(
      proxy, {"-k", "https://127.0.0.1:" + std::to_string(*Web.HttpsPort) + "/page.html"}, 20s);
  EXPECT_EQ(r.Status, 200) << r.Describe();
  EXPECT_EQ(r.Body, "<p>secret</p>");
  EXPECT_THAT(a.Process->ReadStdout() + a.Process->ReadStderr(),
              HasSubstr("CONNECT 127.0.0.1:" + std::to_string(*Web.HttpsPort)));
}

TEST_F(AnonymousPoolE2E, ChecksFailBadProxiesWithinTheirLimits) {
  StartWeb();
  const TUpstream good = StartTinyproxy("127.0.0.11");
  std::vector<std::string> lines = {good.Line()};
  std::vector<std::string> specs;
  const std::vector<std::string> modes = {"nomarker", "silent", "trickle", "redirects",
                                          "noconnect"};
  for (std::size_t i = 0; i < modes.size(); ++i) {
    const std::string line = "127.0.0." + std::to_string(21 + i) + ":" + std::to_string(FreePort());
    specs.push_back(modes[i] + ":" + line);
    lines.push_back(line);
  }
  std::vector<std::string> argv = {"/usr/bin/python3", QUORVANE_E2E_BAD_PROXY_SCRIPT};
  argv.insert(argv.end(), specs.begin(), specs.end());
  TChildProcess& bad = Spawn({.Argv = argv, .StdoutPath = Folder / "bad.out"});
  ASSERT_TRUE(WaitUntil([&] { return bad.ReadStdout() == "ready\n"; }, StartTimeout));
  PreparePool(lines);
  SetMain("AnonymousProxyCheckInterval", "30");
  SetMain("AnonymousProxyParallelChecks", "1");
  const auto start = std::chrono::steady_clock::now();
  StartQuorvane();

  // The pass ends when its slowest check gave up; the list is saved then.
  const auto listed = [&] { return RunTool({QuorvaneBinary().string(), "--proxy-list"}, "list"); };
  std::string list;
  ASSERT_TRUE(WaitUntil(
      [&] {
        list = listed();
        std::size_t failed = 0;
        for (std::size_t at = list.find(" 0ms 2x"); at != std::string::npos;
             at = list.find(" 0ms 2x", at + 1)) {
          ++failed;
        }
        return failed == 4;
      },
      60s))
      << list;
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 45s);
  EXPECT_THAT(list, Not(HasSubstr(good.Line() + " 0ms")));
  EXPECT_THAT(list, HasSubstr("1 " + lines[1] + " 0ms 2x")); // nomarker
  EXPECT_THAT(list, HasSubstr("1 " + lines[2] + " 0ms 2x")); // silent
  EXPECT_THAT(list, HasSubstr("1 " + lines[3] + " 0ms 2x")); // trickle
  EXPECT_THAT(list, HasSubstr("1 " + lines[4] + " 0ms 2x")); // redirects
  EXPECT_THAT(list, Not(HasSubstr(lines[5] + " 0ms")));      // noconnect passes the page
}

} // namespace
} // namespace e2e
