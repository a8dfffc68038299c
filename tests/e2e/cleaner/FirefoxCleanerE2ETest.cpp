// SPDX-License-Identifier: GPL-3.0-or-later
// The cleaner on a profile that Firefox ESR wrote through the program: cookies of
// two sites, history and a bookmark; then Firefox starts again on the cleaned
// profile. And the automatic run when a real Firefox process ends.
#include "CleanerE2E.h"

#include <gmock/gmock.h>
#include <thread>

namespace e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* ProfilesIni = "[General]\nStartWithLastProfile=1\nVersion=2\n\n"
                                    "[Profile0]\nName=default\nIsRelative=1\n"
                                    "Path=a1b2c3d4.default\nDefault=1\n";

// Quiet: no request leaves for the vendor's services.
constexpr const char* QuietPrefs[] = {
    "app.update.enabled\", false",
    "app.update.auto\", false",
    "app.normandy.enabled\", false",
    "services.settings.server\", \"http://127.0.0.1:9/\"",
    "browser.region.network.url\", \"\"",
    "browser.region.update.enabled\", false",
    "geo.provider.network.url\", \"\"",
    "network.captive-portal-service.enabled\", false",
    "network.connectivity-service.enabled\", false",
    "media.gmp-manager.url\", \"\"",
    "media.gmp-manager.updateEnabled\", false",
    "extensions.update.enabled\", false",
    "extensions.getAddons.cache.enabled\", false",
    "extensions.systemAddon.update.enabled\", false",
    "extensions.blocklist.enabled\", false",
    "browser.safebrowsing.malware.enabled\", false",
    "browser.safebrowsing.phishing.enabled\", false",
    "browser.safebrowsing.downloads.enabled\", false",
    "browser.safebrowsing.update.enabled\", false",
    "datareporting.policy.dataSubmissionEnabled\", false",
    "datareporting.healthreport.uploadEnabled\", false",
    "toolkit.telemetry.enabled\", false",
    "toolkit.telemetry.unified\", false",
    "toolkit.telemetry.server\", \"\"",
    "dom.push.connection.enabled\", false",
    "browser.search.update\", false",
    "security.OCSP.enabled\", 0",
    "browser.newtabpage.enabled\", false",
    "browser.startup.page\", 0",
    "browser.shell.checkDefaultBrowser\", false",
    "network.dns.disablePrefetch\", true",
    "network.prefetch-next\", false",
    "network.http.speculative-parallel-limit\", 0",
};

class FirefoxCleanerE2E : public TCleanerE2E {
protected:
  std::filesystem::path Profile() { return Home() / ".mozilla" / "firefox" / "a1b2c3d4.default"; }

  void PrepareProfile(std::uint16_t proxyPort) {
    std::filesystem::create_directories(Profile());
    WriteFile(Home() / ".mozilla" / "firefox" / "profiles.ini", ProfilesIni);
    std::string prefs;
    for (const char* pref : QuietPrefs)
      prefs += std::string("user_pref(\"") + pref + ");\n";
    prefs += "user_pref(\"network.proxy.type\", 1);\n"
             "user_pref(\"network.proxy.http\", \"127.0.0.1\");\n"
             "user_pref(\"network.proxy.http_port\", " +
             std::to_string(proxyPort) +
             ");\n"
             "user_pref(\"network.proxy.allow_hijacking_localhost\", true);\n"
             "user_pref(\"network.proxy.no_proxies_on\", \"\");\n";
    WriteFile(Profile() / "user.js", prefs);
  }

  TSpawnOptions Firefox(const std::string& url) {
    return {.Argv = {FindProgram("firefox-esr").string(), "--headless", "--profile",
                     Profile().string(), "--window-size", "800,300", "--screenshot",
                     Folder.UniquePath("shot").string() + ".png", url},
            .SetEnv = {"MOZ_REMOTE_SETTINGS_DEVTOOLS=1"},
            .UnsetEnv = ProxyVariables()};
  }

  std::vector<std::string> CookieHosts() {
    return QueryDatabase(Profile() / "cookies.sqlite",
                         "SELECT host FROM moz_cookies ORDER BY host");
  }
};

TEST_F(FirefoxCleanerE2E, CleanKeepsTheKeptSiteAndTheBookmarkAndFirefoxStartsAgain) {
  const std::uint16_t port = StartSites();
  PrepareProfile(port);
  ASSERT_TRUE(RunToEnd(Firefox("http://keep.example/start"), "firefox"));
  ASSERT_THAT(CookieHosts(), ElementsAre("drop.example", "keep.example"))
      << "the origin saw: " << OriginLog();
  const std::filesystem::path places = Profile() / "places.sqlite";
  // The user's bookmark of the second site.
  ExecuteOnDatabase(places,
                    "INSERT INTO moz_bookmarks(type, fk, parent, position, title, guid, "
                    "dateAdded, lastModified) VALUES (1, (SELECT id FROM moz_places WHERE url = "
                    "'http://drop.example/page'), (SELECT id FROM moz_bookmarks WHERE guid = "
                    "'unfiled_____'), 0, 'kept page', 'quorvanebm01', 1, 1);"
                    "UPDATE moz_places SET foreign_count = foreign_count + 1 WHERE url = "
                    "'http://drop.example/page';");
  ASSERT_THAT(QueryDatabase(places, "SELECT count(*) > 0 FROM moz_historyvisits"),
              ElementsAre("1"));
  SetOptions({"NSCookies", "NSHistory", "NSCache"});
  KeepCookies({"keep.example"});

  const std::string dryRun = RunProgram({"--clean", "--dry-run"});
  EXPECT_THAT(dryRun, HasSubstr("dry run: nothing was removed"));
  EXPECT_THAT(dryRun, HasSubstr("NSCookies: 1 items"));
  EXPECT_THAT(CookieHosts(), ElementsAre("drop.example", "keep.example"));

  const std::string output = RunProgram({"--clean"});
  EXPECT_THAT(output, HasSubstr("NSCookies: 1 items"));
  EXPECT_THAT(output, HasSubstr("NSHistory: "));
  EXPECT_THAT(CookieHosts(), ElementsAre("keep.example"));
  EXPECT_THAT(QueryDatabase(places, "SELECT count(*) FROM moz_historyvisits"), ElementsAre("0"));
  EXPECT_THAT(QueryDatabase(places, "SELECT p.url FROM moz_bookmarks b JOIN moz_places p ON "
                                    "p.id = b.fk WHERE b.guid = 'quorvanebm01'"),
              ElementsAre("http://drop.example/page"));
  EXPECT_THAT(QueryDatabase(places, "SELECT count(*) FROM moz_places WHERE url = "
                                    "'http://keep.example/start'"),
              ElementsAre("0"));
  for (const char* kept : {"key4.db", "cert9.db", "places.sqlite", "cookies.sqlite"})
    EXPECT_TRUE(std::filesystem::exists(Profile() / kept)) << kept;
  EXPECT_EQ(RunProgram({"--cookie-names"}), "keep.example\n");

  ASSERT_TRUE(RunToEnd(Firefox("http://keep.example/again"), "firefox on the cleaned profile"));
  EXPECT_THAT(OriginLog(), HasSubstr("keep.example\t/again\tk=1\n"))
      << "the kept cookie did not come back";
  EXPECT_THAT(QueryDatabase(places, "SELECT count(*) FROM moz_bookmarks WHERE guid = "
                                    "'quorvanebm01'"),
              ElementsAre("1"));
}

TEST_F(FirefoxCleanerE2E, AutoKillCleansAfterTheRealBrowserHasEnded) {
  SetOptions({"AutoKill", "NSCookies"});
  const std::uint16_t port = StartSites();
  PrepareProfile(port);
  // The page lingers, so the browser lives past several ticks of the watcher: a
  // browser gone between two ticks is never seen (the watcher looks once a second).
  ASSERT_TRUE(RunToEnd(Firefox("http://keep.example/start?linger"), "firefox"));
  // The monitor saw the browser while it ran; once it has gone, its cookies go.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::vector<std::string> left = CookieHosts();
  while (!left.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    left = CookieHosts();
  }
  EXPECT_THAT(left, ElementsAre()) << "the automatic run did not clean the profile";
  EXPECT_THAT(OriginLog(), HasSubstr("drop.example\t/page"));
}

} // namespace
} // namespace e2e
