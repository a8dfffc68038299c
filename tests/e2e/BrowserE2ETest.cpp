// SPDX-License-Identifier: GPL-3.0-or-later
// A real browser pointed at the running program loads a page from a loopback origin.
#include "E2ETest.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr auto BrowserTimeout = std::chrono::seconds(90);

class BrowserE2E : public TE2ETest {
protected:
  // Headless Chromium through the proxy (at proxyHost, "[::1]" for IPv6); returns the
  // DOM it dumps after loading `url`.
  std::string LoadPageInChromium(const TProxy& proxy, const std::string& url,
                                 const std::vector<std::string>& extraArgs = {},
                                 const std::string& proxyHost = "127.0.0.1") {
    const auto chromium = FindProgram("chromium");
    const auto profile = Folder.UniquePath("chromium-profile");
    const auto home = Folder / "chromium-home";
    std::filesystem::create_directories(profile);
    std::filesystem::create_directories(home);
    const auto dom = Folder.UniquePath("dom");
    const auto log = Folder.UniquePath("chromium-log");
    TSpawnOptions options{
        .Argv = {chromium.string(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--user-data-dir=" + profile.string(),
                 "--disable-features=NetworkTimeServiceQuerying",
                 "--component-updater=url-source=http://127.0.0.1:9/",
                 "--gaia-url=http://127.0.0.1:9/",
                 "--proxy-server=http://" + proxyHost + ":" + std::to_string(proxy.Port),
                 // Without this Chromium would fetch loopback pages around the proxy.
                 "--proxy-bypass-list=<-loopback>", "--dump-dom"},
        .SetEnv = {"HOME=" + home.string()},
        .UnsetEnv = ProxyVariables(),
        .StdoutPath = dom,
        .StderrPath = log,
    };
    options.Argv.insert(options.Argv.end(), extraArgs.begin(), extraArgs.end());
    options.Argv.push_back(url);
    TChildProcess& browser = Spawn(options);
    const auto exit = browser.WaitExit(BrowserTimeout);
    if (!exit) {
      browser.Stop(SIGKILL);
      ADD_FAILURE() << "chromium did not finish within " << BrowserTimeout.count()
                    << " s; its log: " << ReadFileOrEmpty(log);
      return {};
    }
    browser.Stop(); // its helper processes linger a moment after it returns
    EXPECT_TRUE(exit->Exited && exit->Code == 0)
        << "chromium " << exit->Describe() << "; its log: " << ReadFileOrEmpty(log);
    return ReadFileOrEmpty(dom);
  }
};

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
