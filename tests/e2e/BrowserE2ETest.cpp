// SPDX-License-Identifier: GPL-3.0-or-later
// A real browser pointed at the running program loads a page from a loopback origin.
#include "E2ETest.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class BrowserE2E : public TE2ETest {};

TEST_F(BrowserE2E, ChromiumLoadsPageThroughProxyAndRunsItsScript) {
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();

  const std::string dom = LoadPageInChromium(proxy, Url(origin, "/via-page"));

  EXPECT_THAT(dom, HasSubstr("origin page text"));
  EXPECT_THAT(dom, HasSubstr(std::string("received via: ") + ExpectedVia))
      << "the page did not come through the proxy";
  EXPECT_THAT(dom, HasSubstr("<p id=\"added\">added by script</p>")) << "its script did not run";
}

TEST_F(BrowserE2E, ChromiumGetsPageWithoutScriptsWhenScriptsAreBlocked) {
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy({"--block-js"});

  const std::string dom = LoadPageInChromium(proxy, Url(origin, "/via-page"));

  EXPECT_THAT(dom, HasSubstr("origin page text"));
  EXPECT_THAT(dom, HasSubstr(std::string("received via: ") + ExpectedVia));
  EXPECT_THAT(dom, Not(HasSubstr("<p id=\"added\">")));
  EXPECT_THAT(dom, Not(HasSubstr("<script")));
}

// The browser reaches an HTTPS site through a CONNECT tunnel; the certificate is our
// own, so the browser is told to accept it. Nothing in a tunnel names the proxy, so
// a first load through a port where no proxy listens shows that the page cannot
// arrive any other way.
TEST_F(BrowserE2E, ChromiumLoadsHttpsPageThroughTunnel) {
  Publish("secure.html", "<!DOCTYPE html><html><body><p>secure page text</p></body></html>");
  const TNginx origin = StartNginx(true);
  const std::string url = "https://localhost:" + std::to_string(*origin.HttpsPort) + "/secure.html";
  const TProxy noProxy{FreePort(), nullptr};
  const std::string withoutProxy =
      LoadPageInChromium(noProxy, url, {"--ignore-certificate-errors"});
  ASSERT_THAT(withoutProxy, Not(HasSubstr("secure page text")))
      << "the browser went around the proxy";
  const TProxy proxy = StartProxy();

  const std::string dom = LoadPageInChromium(proxy, url, {"--ignore-certificate-errors"});

  EXPECT_THAT(dom, HasSubstr("<p>secure page text</p>"));
}

// Both sides on IPv6: the browser reaches the proxy at [::1] and the page comes from an
// origin that listens on ::1 only. The origin sees the proxy's HTTP/1.0 request line,
// which a browser going around the proxy would not send.
TEST_F(BrowserE2E, ChromiumLoadsPageFromIPv6OnlyOriginThroughProxyOnIPv6) {
  Publish("six.html", "<!DOCTYPE html><html><body><p>page over IPv6</p></body></html>");
  const TNginx origin = StartNginx(false, "::1");
  const TProxy proxy = StartProxy();

  const std::string dom = LoadPageInChromium(
      proxy, "http://[::1]:" + std::to_string(origin.HttpPort) + "/six.html", {}, "[::1]");

  EXPECT_THAT(dom, HasSubstr("<p>page over IPv6</p>"));
  EXPECT_THAT(ReadFileOrEmpty(origin.AccessLog), HasSubstr("\"GET /six.html HTTP/1.0\" 200"));
}

} // namespace
} // namespace e2e
