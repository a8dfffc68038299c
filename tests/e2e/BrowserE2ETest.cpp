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
  // Headless Chromium through the proxy; returns the DOM it dumps after loading `url`.
  std::string LoadPageInChromium(const TProxy& proxy, const std::string& url) {
    const auto chromium = FindProgram("chromium");
    const auto profile = Folder / "chromium-profile";
    const auto home = Folder / "chromium-home";
    std::filesystem::create_directories(profile);
    std::filesystem::create_directories(home);
    const auto dom = Folder / "dom.html";
    const auto log = Folder / "chromium.log";
    TChildProcess& browser = Spawn(TSpawnOptions{
        .Argv = {chromium.string(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--user-data-dir=" + profile.string(),
                 "--disable-features=NetworkTimeServiceQuerying",
                 "--component-updater=url-source=http://127.0.0.1:9/",
                 "--gaia-url=http://127.0.0.1:9/",
                 "--proxy-server=http://127.0.0.1:" + std::to_string(proxy.Port),
                 // Without this Chromium would fetch loopback pages around the proxy.
                 "--proxy-bypass-list=<-loopback>", "--dump-dom", url},
        .SetEnv = {"HOME=" + home.string()},
        .UnsetEnv = ProxyVariables(),
        .StdoutPath = dom,
        .StderrPath = log,
    });
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

} // namespace
} // namespace e2e
