// SPDX-License-Identifier: GPL-3.0-or-later
// The four rows against browser files in a temporary home, with GNOME's settings
// faked.
#include "browsers/BrowserSetup.h"

#include "TempFolder.h"
#include "browsers/BrowserTexts.h"
#include "browsers/DesktopProxy.h"
#include "platform/Registry.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class TFakeDesktopProxy : public TDesktopProxy {
public:
  bool Available() override { return Installed; }
  std::optional<std::string> UserValue(std::string_view key) override {
    const auto found = User.find(std::string(key));
    return found == User.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  std::string Value(std::string_view key) override {
    const auto user = UserValue(key);
    return user ? *user : Defaults.at(std::string(key));
  }
  bool Write(std::string_view key, const std::optional<std::string>& value) override {
    if (Broken)
      return false;
    if (value) {
      User[std::string(key)] = *value;
    } else {
      User.erase(std::string(key));
    }
    return true;
  }

  bool Installed = true;
  bool Broken = false; // writes go to memory only
  std::map<std::string, std::string> User;
  std::map<std::string, std::string> Defaults = {
      {"mode", "'none'"},   {"ignore-hosts", "['localhost', '127.0.0.0/8', '::1']"},
      {"http/host", "''"},  {"http/port", "8080"},
      {"https/host", "''"}, {"https/port", "0"}};
};

struct TMessage {
  std::string Text;
  TBrowserMessageKind Kind;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class BrowserSetup : public ::testing::Test {
protected:
  BrowserSetup() : Registry(HiveFolder(Folder)) {}

  static TRegistryLocations HiveFolder(const TTempFolder& folder) {
    fs::create_directories(folder / "registry");
    return TRegistryLocations::InFolder(folder / "registry");
  }

  TBrowserSetup Make() {
    return TBrowserSetup(TBrowserSetupHost{
        .Registry = Registry,
        .Desktop = Desktop,
        .Home = Home,
        .ConfigHome = Home / ".config",
        .PhonebookEntries = [this] { return Phonebook; },
        .BrowserRunning = [this](TBrowserFamily family) { return Running.count(family) != 0; },
        .ShowMessage =
            [this](std::string_view text, TBrowserMessageKind kind) {
              Messages.push_back({std::string(text), kind});
            },
    });
  }

  TRegKey Key(const std::string& path) {
    TRegKey key;
    EXPECT_EQ(Registry.CreateKey(TRootKey::CurrentUser, path, "", key), TRegResult::Ok);
    return key;
  }
  std::string Text(const std::string& path, const std::string& name) {
    TRegValue value;
    if (Registry.QueryValue(Key(path), name, value) != TRegResult::Ok)
      return "(absent)";
    return value.Type == TRegValueType::DWord ? "dword:" + std::to_string(ValueDWord(value))
                                              : ValueText(value);
  }

  TTempFolder Folder;
  fs::path Home = Folder / "home";
  TRegistry Registry;
  TFakeDesktopProxy Desktop;
  std::vector<std::string> Phonebook;
  std::set<TBrowserFamily> Running;
  std::vector<TMessage> Messages;
};

constexpr const char* Lan = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

TEST_F(BrowserSetup, SystemRowSetsLanEntriesAndDesktopAndRestoresTheUsersProxy) {
  const std::string office = std::string(Lan) + "\\Connections\\Office";
  Registry.SetValue(Key(Lan), "ProxyServer", MakeStringValue("proxy.company.example:3128"));
  Registry.SetValue(Key(Lan), "ProxyEnable", MakeDWordValue(1));
  Desktop.User = {
      {"mode", "'manual'"}, {"http/host", "'proxy.company.example'"}, {"http/port", "3128"}};
  Phonebook = {"Office"};
  TBrowserSetup setup = Make();

  ASSERT_TRUE(setup.Install(TBrowserRow::InternetExplorer, 8080));

  EXPECT_EQ(Text(Lan, "ProxyServer"), "http=localhost:8080;https=localhost:8080");
  EXPECT_EQ(Text(Lan, "ProxyEnable"), "dword:1");
  EXPECT_EQ(Text(office, "ProxyServer"), "http=localhost:8080;https=localhost:8080");
  EXPECT_EQ(Desktop.Value("mode"), "'manual'");
  EXPECT_EQ(Desktop.Value("https/host"), "'localhost'");
  EXPECT_EQ(Desktop.Value("https/port"), "8080");
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::InternetExplorer, 8080));
  // A second install must not record the program's own values as the user's.
  ASSERT_TRUE(setup.Install(TBrowserRow::InternetExplorer, 8080));

  ASSERT_TRUE(setup.Remove(TBrowserRow::InternetExplorer, true));

  EXPECT_EQ(Text(Lan, "ProxyServer"), "proxy.company.example:3128");
  EXPECT_EQ(Text(Lan, "ProxyEnable"), "dword:1");
  EXPECT_EQ(Text(Lan, "ProxyOverride"), "(absent)");
  EXPECT_EQ(Text(office, "ProxyServer"), "(absent)");
  EXPECT_EQ(Desktop.User,
            (std::map<std::string, std::string>{{"mode", "'manual'"},
                                                {"http/host", "'proxy.company.example'"},
                                                {"http/port", "3128"}}));
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::InternetExplorer, 8080));
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BrowserSetup, SystemRowIsInstalledOnlyForTheExactPort) {
  struct Case {
    const char* Name;
    const char* Server;
    std::uint32_t Enable;
    bool Installed; // for port 80
  };
  const Case cases[] = {
      {"other port sharing a prefix", "http=localhost:8080;https=localhost:8080", 1, false},
      {"exact port", "http=localhost:80;https=localhost:80", 1, true},
      {"exact port, proxy off", "http=localhost:80", 0, false},
      {"another host", "http=localhost.example:80", 1, false},
  };
  TBrowserSetup setup = Make();
  Desktop.Installed = false;
  for (const Case& c : cases) {
    Registry.SetValue(Key(Lan), "ProxyServer", MakeStringValue(c.Server));
    Registry.SetValue(Key(Lan), "ProxyEnable", MakeDWordValue(c.Enable));
    EXPECT_EQ(setup.IsInstalled(TBrowserRow::InternetExplorer, 80), c.Installed) << c.Name;
  }
}

TEST_F(BrowserSetup, SystemRowRemovalLeavesAProxyThatIsNotOurs) {
  TBrowserSetup setup = Make();
  Registry.SetValue(Key(Lan), "ProxyServer", MakeStringValue("http=proxy.example:3128"));
  Registry.SetValue(Key(Lan), "ProxyEnable", MakeDWordValue(1));
  Desktop.User = {{"mode", "'manual'"}, {"http/host", "'proxy.example'"}};

  setup.Remove(TBrowserRow::InternetExplorer, true);

  EXPECT_EQ(Text(Lan, "ProxyServer"), "http=proxy.example:3128");
  EXPECT_EQ(Text(Lan, "ProxyEnable"), "dword:1");
  EXPECT_EQ(Desktop.Value("mode"), "'manual'");
}

TEST_F(BrowserSetup, SystemRowWithoutRecordClearsOnlyOurProxy) {
  TBrowserSetup setup = Make();
  Registry.SetValue(Key(Lan), "ProxyServer", MakeStringValue("http=localhost:9999"));
  Registry.SetValue(Key(Lan), "ProxyEnable", MakeDWordValue(1));
  Desktop.User = {{"mode", "'manual'"}, {"http/host", "'localhost'"}};

  setup.Remove(TBrowserRow::InternetExplorer, true);

  EXPECT_EQ(Text(Lan, "ProxyServer"), "");
  EXPECT_EQ(Text(Lan, "ProxyEnable"), "dword:0");
  EXPECT_EQ(Desktop.Value("mode"), "'none'");
}

TEST_F(BrowserSetup, DesktopSettingsThatDoNotStickAreReportedAndNotInstalled) {
  Desktop.Broken = true;
  TBrowserSetup setup = Make();

  EXPECT_FALSE(setup.Install(TBrowserRow::InternetExplorer, 8080));

  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, BrowserTexts::DesktopProxyNotSaved);
  EXPECT_EQ(Messages[0].Kind, TBrowserMessageKind::Error);
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::InternetExplorer, 8080));
}

TEST_F(BrowserSetup, MissingDesktopSchemaIsNoFailure) {
  Desktop.Installed = false;
  TBrowserSetup setup = Make();

  EXPECT_TRUE(setup.Install(TBrowserRow::InternetExplorer, 8080));

  EXPECT_TRUE(Messages.empty());
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::InternetExplorer, 8080));
}

TEST_F(BrowserSetup, KdeSettingsAreSetAndPutBackWhereTheFileExists) {
  const fs::path kioslaverc = Home / ".config" / "kioslaverc";
  const std::string before = "[Proxy Settings]\nProxyType=0\nNoProxyFor=intranet\n\n[Other]\nx=1\n";
  WriteAll(kioslaverc, before);
  TBrowserSetup setup = Make();

  setup.Install(TBrowserRow::InternetExplorer, 8080);
  EXPECT_EQ(ReadAll(kioslaverc),
            "[Proxy Settings]\nProxyType=1\nNoProxyFor=intranet\n"
            "httpProxy=http://localhost:8080\nhttpsProxy=http://localhost:8080\n"
            "\n[Other]\nx=1\n");
  setup.Remove(TBrowserRow::InternetExplorer, true);

  EXPECT_EQ(ReadAll(kioslaverc), before);
}

TEST_F(BrowserSetup, DialUpEntrySeenFirstWhenItConnectsGetsTheProxy) {
  Desktop.Installed = false;
  TBrowserSetup setup = Make();
  const std::string entry = std::string(Lan) + "\\Connections\\NewISP";

  EXPECT_FALSE(setup.DialUpConnected("NewISP", 8080, {})) << "system row not installed yet";
  setup.Install(TBrowserRow::InternetExplorer, 8080);
  EXPECT_FALSE(setup.DialUpConnected("NewISP", 8080, {"NewISP"})) << "a known entry";
  EXPECT_EQ(Text(entry, "ProxyServer"), "(absent)");
  EXPECT_TRUE(setup.DialUpConnected("NewISP", 8080, {"Office"}));
  EXPECT_EQ(Text(entry, "ProxyServer"), "http=localhost:8080;https=localhost:8080");

  setup.Remove(TBrowserRow::InternetExplorer, true);
  EXPECT_EQ(Text(entry, "ProxyServer"), "(absent)") << "the entry left the phonebook";
}

// --- Mozilla ---

struct TProfile {
  fs::path Folder;
  fs::path Prefs;
};

TProfile MakeProfile(const fs::path& root, const std::string& name, const std::string& prefs) {
  WriteAll(root / "profiles.ini", "[Install123]\nDefault=" + name +
                                      "\n\n[Profile0]\nName=default\nIsRelative=1\nPath=" + name +
                                      "\nDefault=1\n\n[General]\nStartWithLastProfile=1\n");
  WriteAll(root / name / "prefs.js", prefs);
  return {root / name, root / name / "prefs.js"};
}

constexpr const char* FreshPrefs = "// Mozilla User Preferences\n\n"
                                   "user_pref(\"browser.startup.page\", 0);\n"
                                   "user_pref(\"network.proxy.http\", \"proxy.company.example\");\n"
                                   "user_pref(\"network.proxy.http_port\", 3128);\n"
                                   "user_pref(\"network.proxy.type\", 1);\n";

TEST_F(BrowserSetup, MozillaRowServesEveryRootAndPutsTheUsersLinesBack) {
  // An old SeaMonkey folder beside today's Firefox under XDG_CONFIG_HOME.
  const TProfile old = MakeProfile(Home / ".mozilla" / "seamonkey", "s.default", "");
  const TProfile firefox =
      MakeProfile(Home / ".config" / "mozilla" / "firefox", "f.default-esr", FreshPrefs);
  ::chmod(firefox.Prefs.c_str(), 0600);
  TBrowserSetup setup = Make();

  ASSERT_TRUE(setup.Install(TBrowserRow::Mozilla, 8080));

  EXPECT_EQ(ReadAll(firefox.Prefs),
            "// Mozilla User Preferences\n\n"
            "user_pref(\"browser.startup.page\", 0);\n"
            "user_pref(\"network.proxy.http\", \"localhost\");\n"
            "user_pref(\"network.proxy.http_port\", 8080);\n"
            "user_pref(\"network.proxy.type\", 1);\n"
            "user_pref(\"network.proxy.share_proxy_settings\", \"false\");\n"
            "user_pref(\"network.proxy.ssl\", \"localhost\");\n"
            "user_pref(\"network.proxy.ssl_port\", 8080);\n");
  EXPECT_EQ(ReadAll(firefox.Folder / "prefs.js.quorvane"), FreshPrefs);
  EXPECT_NE(ReadAll(old.Prefs).find("network.proxy.ssl_port\", 8080"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(firefox.Prefs.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Mozilla, 8080));
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Mozilla, 8081));

  ASSERT_TRUE(setup.Remove(TBrowserRow::Mozilla, true));

  EXPECT_EQ(ReadAll(firefox.Prefs), FreshPrefs);
  EXPECT_EQ(ReadAll(old.Prefs), "");
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Mozilla, 8080));
}

TEST_F(BrowserSetup, MozillaPrefsAlreadySetAreNotRewrittenButCopied) {
  TBrowserSetup setup = Make();
  const TProfile profile = MakeProfile(Home / ".mozilla" / "firefox", "p", "");
  setup.Install(TBrowserRow::Mozilla, 8080);
  const std::string installed = ReadAll(profile.Prefs);
  WriteAll(profile.Prefs, installed + "// written by hand\n");
  fs::remove(profile.Folder / "prefs.js.quorvane");
  const auto before = fs::last_write_time(profile.Prefs);

  setup.Install(TBrowserRow::Mozilla, 8080);

  EXPECT_EQ(fs::last_write_time(profile.Prefs), before);
  EXPECT_EQ(ReadAll(profile.Folder / "prefs.js.quorvane"), installed + "// written by hand\n");
}

TEST_F(BrowserSetup, MozillaRemovalWithoutRecordDropsOnlyTheTypeOfOurProxy) {
  struct Case {
    const char* Name;
    const char* Before;
    const char* After;
  };
  const Case cases[] = {
      {"ours on another port",
       "user_pref(\"network.proxy.http\", "
       "\"localhost\");\r\nuser_pref(\"network.proxy.http_port\", "
       "3128);\r\nuser_pref(\"network.proxy.type\", 1);\r\n",
       "user_pref(\"network.proxy.http\", "
       "\"localhost\");\r\nuser_pref(\"network.proxy.http_port\", "
       "3128);\r\n"},
      {"the user's own", FreshPrefs, FreshPrefs},
  };
  for (const Case& c : cases) {
    const TProfile profile = MakeProfile(Home / ".mozilla" / "firefox", "p", c.Before);
    Make().Remove(TBrowserRow::Mozilla, true);
    EXPECT_EQ(ReadAll(profile.Prefs), c.After) << c.Name;
  }
}

TEST_F(BrowserSetup, MozillaProfileInUseIsSkippedAndReadsNotInstalled) {
  const TProfile used = MakeProfile(Home / ".mozilla" / "firefox", "p", FreshPrefs);
  fs::create_symlink("127.0.0.1:+" + std::to_string(::getpid()), used.Folder / "lock");
  Running = {TBrowserFamily::Mozilla};
  TBrowserSetup setup = Make();

  setup.Install(TBrowserRow::Mozilla, 8080);

  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, BrowserTexts::CloseMozilla);
  EXPECT_EQ(ReadAll(used.Prefs), FreshPrefs);
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Mozilla, 8080));

  // A lock left by a browser that ended no longer counts.
  fs::remove(used.Folder / "lock");
  fs::create_symlink("127.0.0.1:+999999999", used.Folder / "lock");
  setup.Install(TBrowserRow::Mozilla, 8080);
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Mozilla, 8080));
}

TEST_F(BrowserSetup, MozillaParentLockHeldByAnotherProcessCounts) {
  const TProfile used = MakeProfile(Home / ".mozilla" / "firefox", "p", FreshPrefs);
  const fs::path parentLock = used.Folder / ".parentlock";
  WriteAll(parentLock, "");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(parentLock.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLK, &lock);
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);

  Make().Install(TBrowserRow::Mozilla, 8080);
  EXPECT_EQ(ReadAll(used.Prefs), FreshPrefs);

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  Make().Install(TBrowserRow::Mozilla, 8080);
  EXPECT_NE(ReadAll(used.Prefs), FreshPrefs);
}

TEST_F(BrowserSetup, MissingFoldersAreReportedUnlessSilent) {
  struct Case {
    const char* Name;
    TBrowserRow Row;
    bool Install;
    bool Silent;
    std::string_view Message; // empty: none
  };
  const Case cases[] = {
      {"mozilla install", TBrowserRow::Mozilla, true, false, BrowserTexts::NoMozillaFolder},
      {"mozilla remove", TBrowserRow::Mozilla, false, false, BrowserTexts::NoMozillaFolder},
      {"mozilla silent remove", TBrowserRow::Mozilla, false, true, {}},
      {"opera install", TBrowserRow::Opera, true, false, BrowserTexts::NoOperaFolder},
      {"opera silent remove", TBrowserRow::Opera, false, true, {}},
      {"chromium install", TBrowserRow::Chromium, true, false, BrowserTexts::NoChromiumFolder},
      {"chromium silent remove", TBrowserRow::Chromium, false, true, {}},
  };
  for (const Case& c : cases) {
    Messages.clear();
    TBrowserSetup setup = Make();
    if (c.Install) {
      EXPECT_FALSE(setup.Install(c.Row, 8080)) << c.Name;
    } else {
      setup.Remove(c.Row, c.Silent);
    }
    if (c.Message.empty()) {
      EXPECT_TRUE(Messages.empty()) << c.Name;
    } else {
      ASSERT_EQ(Messages.size(), 1u) << c.Name;
      EXPECT_EQ(Messages[0].Text, c.Message) << c.Name;
      EXPECT_EQ(Messages[0].Kind, TBrowserMessageKind::Error) << c.Name;
    }
    EXPECT_FALSE(setup.IsInstalled(c.Row, 8080)) << c.Name;
    EXPECT_FALSE(setup.Present(c.Row)) << c.Name;
    EXPECT_TRUE(Messages.empty() || !c.Message.empty()) << c.Name;
  }
  fs::create_directories(Home / ".opera");
  Make().Install(TBrowserRow::Opera, 8080);
  EXPECT_EQ(Messages.back().Text, BrowserTexts::NoOperaIni);
}

// --- Opera ---

TEST_F(BrowserSetup, OperaRowWritesItsKeysAndRestoresThem) {
  const fs::path ini = Home / ".opera" / "opera6.ini";
  const std::string before = "; Opera Preferences version 2.0\r\n\r\n[Proxy]\r\n"
                             "; HTTP Server=commented\r\nHTTP Server=proxy.example:3128\r\n"
                             "Use HTTP=1\r\n\r\n[User Prefs]\r\nx=1\r\n";
  WriteAll(ini, before);
  TBrowserSetup setup = Make();

  setup.Install(TBrowserRow::Opera, 8080);
  EXPECT_EQ(ReadAll(ini), "; Opera Preferences version 2.0\r\n\r\n[Proxy]\r\n"
                          "; HTTP Server=commented\r\nHTTP Server=localhost:8080\r\nUse HTTP=1\r\n"
                          "Use Automatic Proxy Configuration=0\r\nUse HTTPS=1\r\n"
                          "HTTPS Server=localhost:8080\r\n\r\n[User Prefs]\r\nx=1\r\n");
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Opera, 8080));
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Opera, 80));

  setup.Remove(TBrowserRow::Opera, true);
  EXPECT_EQ(ReadAll(ini), before);
}

TEST_F(BrowserSetup, OperaRemovalWithoutRecordKeepsUseHttpsAndShowsItsMessageEvenSilent) {
  const fs::path ini = Home / ".opera" / "opera6.ini";
  WriteAll(ini,
           "[Proxy]\nUse HTTP=1\nHTTP Server=localhost:1\nUse HTTPS=1\nHTTPS Server=localhost:1\n");
  Running = {TBrowserFamily::Opera};

  Make().Remove(TBrowserRow::Opera, true);

  EXPECT_EQ(ReadAll(ini), "[Proxy]\nUse HTTP=0\nHTTP Server=\nUse HTTPS=1\nHTTPS Server=\n"
                          "Use Automatic Proxy Configuration=0\n");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, BrowserTexts::CloseOpera);
}

// --- Chromium ---

TEST_F(BrowserSetup, ChromiumRowEditsEveryListedProfileAndRestoresThemByteForByte) {
  const fs::path data = Home / ".config" / "chromium";
  WriteAll(data / "Local State",
           R"({"profile":{"info_cache":{"Default":{},"Profile 1":{},"Gone":{}}}})");
  const std::string first = "{\"browser\":{\"x\":[1,2]},\"unknown\":\"v\"}";
  const std::string second = "{\"proxy\":{\"mode\":\"system\"},\"z\":0}";
  WriteAll(data / "Default" / "Preferences", first);
  WriteAll(data / "Profile 1" / "Preferences", second);
  TBrowserSetup setup = Make();

  EXPECT_TRUE(setup.Present(TBrowserRow::Chromium));
  ASSERT_TRUE(setup.Install(TBrowserRow::Chromium, 8080));

  const std::string proxy =
      R"("proxy":{"mode":"fixed_servers","server":"http=localhost:8080;https=localhost:8080"})";
  EXPECT_EQ(ReadAll(data / "Default" / "Preferences"),
            "{\"browser\":{\"x\":[1,2]},\"unknown\":\"v\"," + proxy + "}");
  EXPECT_EQ(ReadAll(data / "Profile 1" / "Preferences"), "{" + proxy + ",\"z\":0}");
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Chromium, 8080));
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Chromium, 808));

  ASSERT_TRUE(setup.Remove(TBrowserRow::Chromium, true));

  EXPECT_EQ(ReadAll(data / "Default" / "Preferences"), first);
  EXPECT_EQ(ReadAll(data / "Profile 1" / "Preferences"), second);
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Chromium, 8080));
}

TEST_F(BrowserSetup, ChromiumInUseIsSkippedWithItsMessage) {
  const fs::path data = Home / ".config" / "chromium";
  WriteAll(data / "Default" / "Preferences", "{}");
  fs::create_symlink("host-" + std::to_string(::getpid()), data / "SingletonLock");
  TBrowserSetup setup = Make();

  setup.Install(TBrowserRow::Chromium, 8080);

  EXPECT_EQ(ReadAll(data / "Default" / "Preferences"), "{}");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, BrowserTexts::CloseChromium);
  EXPECT_FALSE(setup.IsInstalled(TBrowserRow::Chromium, 8080));
}

TEST_F(BrowserSetup, RemovalLeavesProxiesThatDoNotPointAtThisMachine) {
  const fs::path opera = Home / ".opera" / "opera6.ini";
  const fs::path chromium = Home / ".config" / "chromium" / "Default" / "Preferences";
  const std::string operaIni = "[Proxy]\nUse HTTP=1\nHTTP Server=proxy.example:3128\n";
  const std::string preferences =
      R"({"proxy":{"mode":"fixed_servers","server":"http=proxy.example:3128"}})";
  WriteAll(opera, operaIni);
  WriteAll(chromium, preferences);
  TBrowserSetup setup = Make();

  setup.Remove(TBrowserRow::Opera, true);
  setup.Remove(TBrowserRow::Chromium, true);

  EXPECT_EQ(ReadAll(opera), operaIni);
  EXPECT_EQ(ReadAll(chromium), preferences);
}

TEST_F(BrowserSetup, RewrittenFilesKeepTheirMode) {
  const fs::path opera = Home / ".opera" / "opera6.ini";
  const fs::path chromium = Home / ".config" / "chromium" / "Default" / "Preferences";
  WriteAll(opera, "[Proxy]\n");
  WriteAll(chromium, "{}");
  ::chmod(opera.c_str(), 0640);
  ::chmod(chromium.c_str(), 0600);
  TBrowserSetup setup = Make();

  setup.Install(TBrowserRow::Opera, 8080);
  setup.Install(TBrowserRow::Chromium, 8080);

  struct stat info {};
  ASSERT_EQ(::stat(opera.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_EQ(::stat(chromium.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Opera, 8080));
  EXPECT_TRUE(setup.IsInstalled(TBrowserRow::Chromium, 8080));
}

TEST_F(BrowserSetup, RemoveAllTakesEveryRowSilently) {
  Desktop.Installed = false;
  const TProfile profile = MakeProfile(Home / ".mozilla" / "firefox", "p", FreshPrefs);
  WriteAll(Home / ".config" / "chromium" / "Default" / "Preferences", "{}");
  TBrowserSetup setup = Make();
  for (const TBrowserRow row : BrowserRows)
    setup.Install(row, 8080);
  Messages.clear();

  EXPECT_TRUE(setup.RemoveAllBrowserProxies());

  for (const TBrowserRow row : BrowserRows)
    EXPECT_FALSE(setup.IsInstalled(row, 8080)) << BrowserRowText(row);
  EXPECT_EQ(ReadAll(profile.Prefs), FreshPrefs);
  EXPECT_TRUE(Messages.empty());
}

} // namespace
