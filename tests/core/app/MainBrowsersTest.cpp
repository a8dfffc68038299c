// SPDX-License-Identifier: GPL-3.0-or-later
// The browser list of the setup tab: statuses at start-up and the install button.
#include "MainTestSupport.h"
#include "browsers/BrowserTexts.h"

#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class MainBrowsers : public MainTestBase {
protected:
  void SetUp() override {
    const fs::path config = Home.Path() / "home" / ".config";
    WriteAll(config / "mozilla" / "firefox" / "profiles.ini",
             "[Profile0]\nName=default\nIsRelative=1\nPath=p.default-esr\n");
    WriteAll(Prefs(), FirefoxPrefs);
    WriteAll(Preferences(), ChromiumPreferences);
    Store([](TRegistrySettings& settings) { settings.ProxyPort = 3129; });
  }
  fs::path Prefs() const {
    return Home.Path() / "home" / ".config" / "mozilla" / "firefox" / "p.default-esr" / "prefs.js";
  }
  fs::path Preferences() const {
    return Home.Path() / "home" / ".config" / "chromium" / "Default" / "Preferences";
  }

  static constexpr const char* FirefoxPrefs = "user_pref(\"browser.startup.page\", 0);\n";
  static constexpr const char* ChromiumPreferences = "{\"x\":1}";
  // Mozilla and Chromium ticked; the system row stays out of it, since GIO's settings
  // back-end depends on the machine.
  const std::vector<bool> Ticked = {false, true, false, true};
};

TEST_F(MainBrowsers, ButtonInstallsTickedRowsThenRemovesThemAndRereadsEveryStatus) {
  TMain& main = Start();
  const std::string installed(BrowserTexts::Installed);
  const std::string notInstalled(BrowserTexts::NotInstalled);
  ASSERT_EQ(main.BrowserStatus().size(), 4u);
  EXPECT_EQ(main.BrowserStatus()[1], notInstalled);
  EXPECT_EQ(main.BrowserStatus()[3], notInstalled);

  main.ProxySaveSettingsBtnClick(Ticked);

  EXPECT_EQ(main.BrowserStatus()[1], installed);
  EXPECT_EQ(main.BrowserStatus()[3], installed);
  EXPECT_NE(ReadAll(Prefs()).find("user_pref(\"network.proxy.http_port\", 3129);"),
            std::string::npos);
  EXPECT_NE(ReadAll(Preferences()).find("http=localhost:3129;https=localhost:3129"),
            std::string::npos);
  EXPECT_EQ(main.BrowserStatus()[2], notInstalled) << "Opera was not ticked";

  main.ProxySaveSettingsBtnClick(Ticked);

  EXPECT_EQ(main.BrowserStatus()[1], notInstalled);
  EXPECT_EQ(main.BrowserStatus()[3], notInstalled);
  EXPECT_EQ(ReadAll(Prefs()), FirefoxPrefs);
  EXPECT_EQ(ReadAll(Preferences()), ChromiumPreferences);
}

TEST_F(MainBrowsers, StatusAtStartFollowsTheStoredPort) {
  WriteAll(
      Preferences(),
      R"({"proxy":{"mode":"fixed_servers","server":"http=localhost:3129;https=localhost:3129"}})");
  EXPECT_EQ(Start().BrowserStatus()[3], BrowserTexts::Installed);
  Main.reset();
  Store([](TRegistrySettings& settings) { settings.ProxyPort = 312; });
  EXPECT_EQ(Start().BrowserStatus()[3], BrowserTexts::NotInstalled);
}

TEST_F(MainBrowsers, MissingBrowserFolderIsReportedByMessageBox) {
  TMain& main = Start();

  main.ProxySaveSettingsBtnClick({false, false, true, false});

  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, BrowserTexts::NoOperaFolder);
  EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Error);
}

} // namespace
