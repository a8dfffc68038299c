// SPDX-License-Identifier: GPL-3.0-or-later
// The cleaner on a profile that Chromium wrote through the program: cookies of two
// sites and history; then Chromium starts again on the cleaned profile.
#include "CleanerE2E.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ChromiumCleanerE2E : public TCleanerE2E {
protected:
  std::filesystem::path UserData() { return ConfigHome() / "chromium"; }
  std::filesystem::path Profile() { return UserData() / "Default"; }

  // Loads url through the program; returns the DOM Chromium dumps.
  std::string Load(std::uint16_t port, const std::string& url) {
    const auto dom = Folder.UniquePath("dom");
    const bool ended = RunToEnd(
        {.Argv = {FindProgram("chromium").string(), "--headless", "--no-sandbox", "--disable-gpu",
                  "--disable-quic", "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--user-data-dir=" + UserData().string(),
                  "--disable-features=NetworkTimeServiceQuerying",
                  "--component-updater=url-source=http://127.0.0.1:9/",
                  "--gaia-url=http://127.0.0.1:9/",
                  "--proxy-server=http://127.0.0.1:" + std::to_string(port), "--dump-dom", url},
         .UnsetEnv = ProxyVariables(),
         .StdoutPath = dom},
        "chromium");
    return ended ? ReadFileOrEmpty(dom) : std::string();
  }

  std::vector<std::string> CookieHosts() {
    return QueryDatabase(Profile() / "Cookies", "SELECT host_key FROM cookies ORDER BY host_key");
  }
};

TEST_F(ChromiumCleanerE2E, CleanKeepsTheKeptSiteAndChromiumStartsAgain) {
  const std::uint16_t port = StartSites();
  ASSERT_THAT(Load(port, "http://keep.example/start"), HasSubstr("page of drop.example"));
  ASSERT_THAT(CookieHosts(), ElementsAre("drop.example", "keep.example"))
      << "the origin saw: " << OriginLog();
  const std::filesystem::path history = Profile() / "History";
  ASSERT_THAT(QueryDatabase(history, "SELECT count(*) > 0 FROM urls"), ElementsAre("1"));
  SetOptions({"ChromiumCookies", "ChromiumHistory", "ChromiumCache"});
  KeepCookies({"keep.example"});

  const std::string output = RunProgram({"--clean"});
  EXPECT_THAT(output, HasSubstr("ChromiumCookies: 1 items"));
  EXPECT_THAT(CookieHosts(), ElementsAre("keep.example"));
  EXPECT_THAT(QueryDatabase(history, "SELECT (SELECT count(*) FROM urls) + "
                                     "(SELECT count(*) FROM visits)"),
              ElementsAre("0"));
  EXPECT_TRUE(std::filesystem::exists(Profile() / "Preferences"));
  EXPECT_EQ(RunProgram({"--cookie-names"}), "keep.example\n");

  const std::string again = Load(port, "http://keep.example/again");
  EXPECT_THAT(again, HasSubstr("page of keep.example"));
  EXPECT_THAT(again, HasSubstr("cookies: k=1<")) << "the kept cookie did not come back";
}

} // namespace
} // namespace e2e
