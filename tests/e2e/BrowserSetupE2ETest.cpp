// SPDX-License-Identifier: GPL-3.0-or-later
// `quorvane --install-proxy` points real browsers at the running program without any
// proxy flag of their own, and `--remove-proxy` puts the user's earlier proxy back.
// The page lives on an origin that only the program reaches (as its upstream), under
// a host name that resolves nowhere: a browser that loads it went through the proxy.
#include "E2ETest.h"
#include "browsers/JsonMembers.h"
#include "common/IniText.h"

#include <csignal>
#include <gmock/gmock.h>
#include <regex>

namespace e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr auto BrowserTimeout = std::chrono::seconds(90);
constexpr const char* PageHost = "http://page.quorvane.example";
constexpr const char* CompanyProxyLines =
    "user_pref(\"network.proxy.http\", \"proxy.company.example\");\n"
    "user_pref(\"network.proxy.http_port\", 3128);\n"
    "user_pref(\"network.proxy.type\", 1);\n";
constexpr const char* CompanyChromiumProxy =
    R"({"mode":"fixed_servers","server":"proxy.company.example:3128"})";
constexpr const char* CompanyDesktopProxy = "[system/proxy]\nmode='manual'\n\n"
                                            "[system/proxy/http]\nhost='proxy.company.example'\n"
                                            "port=3128\n";

// Firefox's background traffic is switched off so the test sees only its own pages.
constexpr const char* QuietUserJs =
    "user_pref(\"app.update.enabled\", false);\n"
    "user_pref(\"app.normandy.enabled\", false);\n"
    "user_pref(\"services.settings.server\", \"http://127.0.0.1:9/\");\n"
    "user_pref(\"network.captive-portal-service.enabled\", false);\n"
    "user_pref(\"network.connectivity-service.enabled\", false);\n"
    "user_pref(\"browser.safebrowsing.update.enabled\", false);\n"
    "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
    "user_pref(\"toolkit.telemetry.enabled\", false);\n"
    "user_pref(\"dom.push.connection.enabled\", false);\n"
    "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
    "user_pref(\"network.http.speculative-parallel-limit\", 0);\n";

std::vector<std::string> ProxyLines(const std::string& prefs) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < prefs.size()) {
    std::size_t end = prefs.find('\n', start);
    if (end == std::string::npos)
      end = prefs.size();
    const std::string line = prefs.substr(start, end - start);
    if (line.find("\"network.proxy.") != std::string::npos)
      lines.push_back(line);
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class BrowserSetupE2E : public TE2ETest {
protected:
  fs::path Home() { return Folder / "user"; }
  fs::path Config() { return Home() / ".config"; }

  // The user's session: a GNOME desktop whose settings live in a key file.
  std::vector<std::string> UserEnvironment(bool gnome = true) {
    std::vector<std::string> environment = {
        "HOME=" + Home().string(),
        "XDG_CONFIG_HOME=" + Config().string(),
        "XDG_DATA_HOME=" + (Home() / ".local" / "share").string(),
        "XDG_CACHE_HOME=" + (Home() / ".cache").string(),
        "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string(),
        "QUORVANE_PPP_PEERS=" + (Home() / "peers").string(),
        "MOZ_REMOTE_SETTINGS_DEVTOOLS=1"};
    if (gnome) {
      environment.push_back("GSETTINGS_BACKEND=keyfile");
      environment.push_back("XDG_CURRENT_DESKTOP=GNOME");
    }
    return environment;
  }

  struct TRun {
    std::optional<TExitStatus> Exit;
    std::string Output;
    std::string Errors;
  };

  TRun Run(std::vector<std::string> argv, bool gnome = true) {
    TSpawnOptions options{.Argv = std::move(argv),
                          .SetEnv = UserEnvironment(gnome),
                          .UnsetEnv = ProxyVariables(),
                          .StdoutPath = Folder.UniquePath("stdout"),
                          .StderrPath = Folder.UniquePath("stderr")};
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                             "XDG_CURRENT_DESKTOP", "GSETTINGS_BACKEND"}) {
      options.UnsetEnv.emplace_back(name);
    }
    TChildProcess& child = Spawn(options);
    TRun run;
    run.Exit = child.WaitExit(BrowserTimeout);
    child.Stop(); // a browser's helpers linger a moment after it returns
    run.Output = ReadFileOrEmpty(options.StdoutPath);
    run.Errors = ReadFileOrEmpty(options.StderrPath);
    return run;
  }

  TRun Quorvane(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {QuorvaneBinary().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
  }

  std::vector<std::string> ChromiumArgv(const std::vector<std::string>& extra) {
    std::vector<std::string> argv = {FindProgram("chromium").string(),
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-features=NetworkTimeServiceQuerying",
                                     "--component-updater=url-source=http://127.0.0.1:9/",
                                     "--gaia-url=http://127.0.0.1:9/"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
  }

  // The GET counter the program stored when it ended (its hives are in the home
  // folder StartProxy gave it).
  int StoredGetCount() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(Folder.Path())) {
      if (!entry.path().filename().string().starts_with("home.") ||
          !fs::exists(entry.path() / "registry")) {
        continue;
      }
      TSpawnOptions options{
          .Argv = {QUORVANE_REG_BINARY, "query",
                   "HKCU\\Software\\Torvimsk Software\\Quorvane\\Statistics"},
          .SetEnv = {"QUORVANE_REGISTRY_DIR=" + (entry.path() / "registry").string()},
          .StdoutPath = Folder.UniquePath("reg-stdout")};
      TChildProcess& reg = Spawn(options);
      reg.WaitExit(std::chrono::seconds(30));
      std::smatch match;
      const std::string query = ReadFileOrEmpty(options.StdoutPath);
      if (std::regex_search(query, match, std::regex("\\sGETFiles\\s+REG_\\w+\\s+(\\d+)")))
        count = std::max(count, std::stoi(match[1].str()));
    }
    return count;
  }

  std::string OriginLog() {
    std::string log;
    for (const auto& entry : fs::directory_iterator(Folder.Path())) {
      if (entry.path().filename().string().starts_with("echo-origin-log"))
        log += ReadFileOrEmpty(entry.path());
    }
    return log;
  }
};

TEST_F(BrowserSetupE2E, InstallPointsFirefoxAndChromiumAtTheProxyAndRemovalRestoresTheirProxies) {
  // The user's browsers as they stand: Firefox ESR makes its own profiles on a first
  // run; Chromium its user-data folder. Each then gets the user's company proxy.
  const auto firefox = FindProgram("firefox-esr");
  const TRun firstFirefox = Run({firefox.string(), "--headless", "--screenshot",
                                 (Folder / "first.png").string(), "about:blank"});
  ASSERT_TRUE(firstFirefox.Exit) << firstFirefox.Errors;
  std::vector<fs::path> profiles;
  for (const auto& entry : fs::directory_iterator(Config() / "mozilla" / "firefox")) {
    if (fs::exists(entry.path() / "prefs.js"))
      profiles.push_back(entry.path());
  }
  ASSERT_FALSE(profiles.empty()) << "Firefox made no profile: " << firstFirefox.Errors;
  std::map<fs::path, std::string> earlierPrefs;
  for (const auto& profile : profiles) {
    WriteFile(profile / "user.js", QuietUserJs);
    earlierPrefs[profile] = ReadFileOrEmpty(profile / "prefs.js") + CompanyProxyLines;
    WriteFile(profile / "prefs.js", earlierPrefs[profile]);
  }
  // Headless Chromium keeps a throw-away profile unless it is told the usual folder.
  const std::string userData = "--user-data-dir=" + (Config() / "chromium").string();
  const TRun firstChromium = Run(ChromiumArgv({userData, "--dump-dom", "about:blank"}));
  const fs::path preferences = Config() / "chromium" / "Default" / "Preferences";
  ASSERT_TRUE(fs::exists(preferences)) << firstChromium.Errors;
  const auto withCompanyProxy =
      SetMember(ReadFileOrEmpty(preferences), "proxy", CompanyChromiumProxy);
  ASSERT_TRUE(withCompanyProxy);
  WriteFile(preferences, *withCompanyProxy);
  const fs::path keyfile = Config() / "glib-2.0" / "settings" / "keyfile";
  WriteFile(keyfile, CompanyDesktopProxy);
  fs::create_directories(Home() / "peers");
  WriteFile(Home() / "peers" / "office", "connect \"/usr/sbin/chat -T 0301234\"\n");

  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy({"--upstream", "127.0.0.1:" + std::to_string(origin)});
  const std::string port = std::to_string(proxy.Port);

  const TRun install = Quorvane({"--install-proxy", "all", "--port", port});
  ASSERT_TRUE(install.Exit && install.Exit->Exited && install.Exit->Code == 0) << install.Errors;
  const std::string officeKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                "Settings\\Connections\\office";
  EXPECT_THAT(
      Run({QUORVANE_REG_BINARY, "query", officeKey}).Output,
      HasSubstr("ProxyServer    REG_SZ    http=localhost:" + port + ";https=localhost:" + port))
      << "the dial-up entry of the peers folder";
  const TRun status = Quorvane({"--browser-status", "--port", port});
  EXPECT_EQ(status.Output, "Microsoft Internet Explorer\tinstalliert\n"
                           "Firefox/Mozilla/Netscape 6/7\tinstalliert\n"
                           "Opera 7 oder neuer\tnicht installiert\n"
                           "Chromium\tinstalliert\n")
      << status.Errors;

  // Firefox without --profile: it picks its default profile from profiles.ini.
  const TRun firefoxRun =
      Run({firefox.string(), "--headless", "--screenshot", (Folder / "firefox.png").string(),
           std::string(PageHost) + "/via-page?firefox"});
  EXPECT_TRUE(firefoxRun.Exit) << "Firefox did not finish";
  // Chromium on a fresh folder follows the desktop's proxy (GNOME through GSettings).
  const TRun gnomeRun =
      Run(ChromiumArgv({"--user-data-dir=" + (Home() / "chromium-fresh").string(), "--dump-dom",
                        std::string(PageHost) + "/via-page?gnome"}));
  // Chromium on the user's own folder, with no desktop to ask: its Preferences decide.
  const TRun preferencesRun =
      Run(ChromiumArgv({userData, "--dump-dom", std::string(PageHost) + "/via-page?preferences"}),
          false);

  const std::string via = std::string("received via: ") + ExpectedVia;
  EXPECT_THAT(gnomeRun.Output, HasSubstr(via)) << gnomeRun.Errors;
  EXPECT_THAT(preferencesRun.Output, HasSubstr(via)) << preferencesRun.Errors;
  const std::string log = OriginLog();
  for (const char* page : {"firefox", "gnome", "preferences"}) {
    EXPECT_THAT(log, HasSubstr(std::string("GET ") + PageHost + "/via-page?" + page))
        << "the " << page << " page did not pass through the program";
  }

  // Its counters rose: three pages at least went through it.
  ASSERT_TRUE(proxy.Process->Stop(SIGTERM).Exited);
  EXPECT_GE(StoredGetCount(), 3);

  const TRun remove = Quorvane({"--remove-proxy", "all"});
  ASSERT_TRUE(remove.Exit && remove.Exit->Exited && remove.Exit->Code == 0) << remove.Errors;

  for (const auto& profile : profiles) {
    // Firefox rewrote prefs.js when it ended; the user's own proxy lines are back as
    // they were, and none of ours is left.
    EXPECT_EQ(ProxyLines(ReadFileOrEmpty(profile / "prefs.js")), ProxyLines(earlierPrefs[profile]))
        << profile;
  }
  EXPECT_EQ(MemberText(ReadFileOrEmpty(preferences), "proxy"), CompanyChromiumProxy);
  EXPECT_THAT(Run({QUORVANE_REG_BINARY, "query", officeKey}).Output, Not(HasSubstr("localhost")));
  // GLib writes the key file its own way; the values are what must come back
  // (the reader drops the quotes of GVariant strings).
  const TIniText desktop(ReadFileOrEmpty(keyfile));
  EXPECT_EQ(desktop.ReadString("system/proxy", "mode", "(default)"), "manual");
  EXPECT_EQ(desktop.ReadString("system/proxy/http", "host", "(default)"), "proxy.company.example");
  EXPECT_EQ(desktop.ReadString("system/proxy/http", "port", "(default)"), "3128");
  EXPECT_EQ(desktop.ReadString("system/proxy/https", "host", "(default)"), "(default)");
  const TRun after = Quorvane({"--browser-status", "--port", port});
  EXPECT_THAT(after.Output, Not(HasSubstr("\tinstalliert")));
}

// The uninstall switches remove the settings silently and end at once.
TEST_F(BrowserSetupE2E, DeinstallSwitchesRemoveTheBrowserProxies) {
  const fs::path preferences = Config() / "chromium" / "Default" / "Preferences";
  const fs::path prefs = Config() / "mozilla" / "firefox" / "p.default-esr" / "prefs.js";
  fs::create_directories(prefs.parent_path());
  WriteFile(Config() / "mozilla" / "firefox" / "profiles.ini",
            "[Profile0]\nName=default-esr\nIsRelative=1\nPath=p.default-esr\n");
  for (const char* deinstall : {"/DeinstallProxy", "/Deinstall"}) {
    fs::create_directories(preferences.parent_path());
    WriteFile(preferences, "{\"a\":1}");
    WriteFile(prefs, CompanyProxyLines);
    ASSERT_EQ(Quorvane({"--install-proxy", "mozilla,chromium"}).Exit->Code, 0);
    ASSERT_NE(ReadFileOrEmpty(preferences), "{\"a\":1}");

    const TRun run = Quorvane({deinstall});

    ASSERT_TRUE(run.Exit && run.Exit->Exited && run.Exit->Code == 0) << deinstall;
    EXPECT_EQ(run.Errors.find("Fehler"), std::string::npos) << deinstall << ": " << run.Errors;
    EXPECT_EQ(ReadFileOrEmpty(preferences), "{\"a\":1}") << deinstall;
    EXPECT_EQ(ReadFileOrEmpty(prefs), CompanyProxyLines) << deinstall;
  }
}

} // namespace
} // namespace e2e
