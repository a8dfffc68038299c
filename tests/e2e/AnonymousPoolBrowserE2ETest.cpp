// SPDX-License-Identifier: GPL-3.0-or-later
// Chromium through the headless program with the pool on: its HTTP and HTTPS
// requests leave through the upstream the selection picked.
#include "AnonymousPoolFixture.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using namespace pool;
using ::testing::HasSubstr;

TEST_F(AnonymousPoolE2E, ChromiumRequestsLeaveThroughThePickedUpstream) {
  StartWeb(true);
  Publish("page.html", "<html><body><p id=\"x\">through the pool</p></body></html>");
  const TUpstream a = StartTinyproxy("127.0.0.11");
  const TUpstream b = StartTinyproxy("127.0.0.12");
  PreparePool({a.Line(), b.Line()});
  SetMain("AnonymousProxyChangeInterval", "90");
  const TProxy proxy = StartQuorvane();
  ASSERT_TRUE(WaitForUpstreamLine(b.Line(), 5s)) << Program->ReadStdout();

  const std::string http = LoadPageInChromium(proxy, Url(Web.HttpPort, "/page.html"));
  EXPECT_THAT(http, HasSubstr("through the pool"));
  const std::string https = LoadPageInChromium(
      proxy, "https://127.0.0.1:" + std::to_string(*Web.HttpsPort) + "/page.html",
      {"--ignore-certificate-errors"});
  EXPECT_THAT(https, HasSubstr("through the pool"));

  const std::string log = b.Process->ReadStdout() + b.Process->ReadStderr();
  EXPECT_THAT(log,
              HasSubstr("GET http://127.0.0.1:" + std::to_string(Web.HttpPort) + "/page.html"));
  EXPECT_THAT(log, HasSubstr("CONNECT 127.0.0.1:" + std::to_string(*Web.HttpsPort)));
  EXPECT_EQ(a.Process->ReadStdout().find("page.html"), std::string::npos);
}

} // namespace
} // namespace e2e
