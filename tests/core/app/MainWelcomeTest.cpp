// SPDX-License-Identifier: GPL-3.0-or-later
// The first-start wizard's logic: the answers it opens with, the firewall text and
// its closing steps, alone and within the controller's start-up.
#include "LoopbackSockets.h"
#include "MainTestSupport.h"
#include "app/WelcomeDlgUnit.h"
#include "browsers/BrowserTexts.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

#include <fstream>
#include <gmock/gmock.h>
#include <iterator>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Records what the closing steps did outside the settings, in order.
struct TRecordedActions {
  bool HelperPresent = true;
  std::vector<std::string> Calls;
  TWelcomeActions Actions() {
    return {[this] { return HelperPresent; },
            [this](bool on) { Calls.push_back(std::string("DM ") + (on ? "on" : "off")); },
            [this](bool on) { Calls.push_back(std::string("PK ") + (on ? "on" : "off")); },
            [this](TWelcomeBrowser browser, int port) {
              Calls.push_back("browser " + std::to_string(static_cast<int>(browser)) + " port " +
                              std::to_string(port));
            }};
  }
};

TEST(WelcomeClosingSteps, TableOfAnswersAndAddOnPresence) {
  struct TCase {
    const char* Name;
    bool HelperPresent;
    bool DownloadManager;
    bool PopupKiller;
    std::array<bool, 3> Browsers;
    std::vector<std::string> Calls;
  };
  const TCase cases[] = {
      {"add-on there, nothing ticked", true, true, true, {}, {"DM on", "PK on"}},
      {"add-on there, features off, two browsers",
       true,
       false,
       false,
       {true, false, true},
       {"DM off", "PK off", "browser 0 port 3128", "browser 2 port 3128"}},
      // The browsers are set up without the add-on too; only its features are skipped.
      {"add-on missing, all browsers",
       false,
       true,
       true,
       {true, true, true},
       {"browser 0 port 3128", "browser 1 port 3128", "browser 2 port 3128"}},
      {"add-on missing, nothing ticked", false, true, true, {}, {}},
  };
  for (const TCase& c : cases) {
    TRecordedActions recorded;
    recorded.HelperPresent = c.HelperPresent;
    TWelcomeAnswers answers;
    answers.ConnectionType = 2;
    answers.ProxyPort = 3128;
    answers.DownloadManager = c.DownloadManager;
    answers.PopupKiller = c.PopupKiller;
    answers.BlockBrowserName = true;
    answers.BlockJS = true;
    answers.Browsers = c.Browsers;
    TSettingsValues settings;
    settings.BlockFlash = true;
    ApplyWelcomeAnswers(answers, settings, recorded.Actions());
    EXPECT_EQ(recorded.Calls, c.Calls) << c.Name;
    // The program's own settings are written whatever the add-on.
    EXPECT_EQ(settings.ConnectionType, 2) << c.Name;
    EXPECT_EQ(settings.ProxyPort, 3128) << c.Name;
    EXPECT_TRUE(settings.BlockBrowserName) << c.Name;
    EXPECT_TRUE(settings.BlockJS) << c.Name;
    EXPECT_FALSE(settings.BlockFlash) << c.Name << ": the answer replaces the stored flag";
    EXPECT_FALSE(settings.BlockReferer) << c.Name;
  }
}

TEST(WelcomeClosingSteps, UnwiredActionsDoNothing) {
  TWelcomeAnswers answers;
  answers.Browsers = {true, true, true};
  answers.ProxyPort = 9000;
  TSettingsValues settings;
  ApplyWelcomeAnswers(answers, settings, {});
  EXPECT_EQ(settings.ProxyPort, 9000);
}

TEST(WelcomeInitialAnswers, FromTheSettingsWithFeaturesTickedAndNoBrowser) {
  struct TCase {
    int Stored;
    bool DSLAvailable;
    int Shown;
  };
  // 3 is FRITZ!web DSL: without its software it cannot be chosen and falls back to LAN.
  for (const TCase c : {TCase{0, false, 0}, TCase{1, false, 1}, TCase{2, false, 2},
                        TCase{3, false, 0}, TCase{3, true, 3}}) {
    TSettingsValues settings;
    settings.ConnectionType = c.Stored;
    settings.ProxyPort = 8118;
    settings.BlockReferer = true;
    settings.BlockActiveX = true;
    const TWelcomeAnswers answers = InitialWelcomeAnswers(settings, c.DSLAvailable);
    EXPECT_EQ(answers.ConnectionType, c.Shown) << c.Stored;
    EXPECT_EQ(answers.ProxyPort, 8118);
    EXPECT_TRUE(answers.DownloadManager);
    EXPECT_TRUE(answers.PopupKiller);
    EXPECT_TRUE(answers.BlockReferer);
    EXPECT_TRUE(answers.BlockActiveX);
    EXPECT_FALSE(answers.BlockJS);
    EXPECT_EQ(answers.Browsers, (std::array<bool, 3>{}));
  }
}

TEST(WelcomeTexts, CaptionAndFirewallTextNameTheProductAndPort) {
  EXPECT_EQ(WelcomeCaption(), "Quorvane - Einrichtungsassistent");
  const std::string text = WelcomeFirewallText(3128);
  EXPECT_THAT(text, ::testing::StartsWith("Sollten Sie eine Firewall-Software verwenden, dann "
                                          "müssen Sie den Zugriff auf das Internet durch Quorvane "
                                          "korrekt konfigurieren, ansonsten funktioniert Quorvane "
                                          "nicht korrekt.\r\n\r\nNotwendig ist\r\n"));
  EXPECT_THAT(text, HasSubstr("auf dem lokalen Rechner für den Port 3128.\r\n"));
  EXPECT_EQ(text.find("%"), std::string::npos);
  EXPECT_THAT(text, ::testing::EndsWith("Auf \"Zurück\", um Änderungen vorzunehmen.\r\n"));
}

class MainWelcome : public MainTestBase {
protected:
  TMain& StartWith(TRunOptions run) {
    Registry = std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
    Main = std::make_unique<TMain>(
        *Registry, UserInterface, View, ProgramFolder(), TStartFlags{}, std::move(run),
        TAutoStart(Home.Path() / "autostart", "/opt/quorvane/quorvane"), [this] { return Now; });
    Main->WelcomeActions = Recorded.Actions();
    Main->FormCreate();
    return *Main;
  }
  TRecordedActions Recorded;
};

TEST_F(MainWelcome, FirstStartAppliesTheWizardBeforeTheServerStarts) {
  std::uint16_t port = 0;
  ::close(loopback::Listen(port));
  Store([](TRegistrySettings& s) { s.BlockJS = true; });
  UserInterface.WelcomeEdits.push_back([port](TWelcomeAnswers& answers) {
    answers.ConnectionType = 1;
    answers.ProxyPort = port;
    answers.BlockJS = false;
    answers.BlockFlash = true;
    answers.PopupKiller = false;
    answers.Browsers[1] = true;
  });

  TMain& main = StartWith({});

  ASSERT_EQ(UserInterface.WelcomeShown.size(), 1U);
  EXPECT_TRUE(UserInterface.WelcomeShown[0].first.BlockJS) << "opened with the stored flag";
  EXPECT_TRUE(UserInterface.WelcomeShown[0].second.HelperPresent)
      << "the add-on's presence is passed on";
  EXPECT_EQ(UserInterface.WelcomeShown[0].second.DSLAvailable, main.DSLConnectionAvailable());
  EXPECT_THAT(Recorded.Calls,
              ElementsAre("DM on", "PK off", "browser 1 port " + std::to_string(port)));
  // What it wrote takes effect: the server listens on the new port and blocks Flash.
  EXPECT_EQ(main.ProxyServer().ListeningPort(), port);
  EXPECT_TRUE(main.ProxyServer().BlockFlash());
  EXPECT_FALSE(main.ProxyServer().BlockJavaScript());
  EXPECT_TRUE(main.ShowAfterStart());
  const auto stored = Stored();
  EXPECT_FALSE(stored->FirstStart);
  EXPECT_EQ(stored->ConnectionType, 1);
  EXPECT_EQ(stored->ProxyPort, port);
  EXPECT_TRUE(stored->BlockFlash);

  Main.reset();
  Recorded.Calls.clear();
  StartWith(EphemeralPort());
  EXPECT_EQ(UserInterface.WelcomeShown.size(), 1U) << "the next start has no wizard";
  EXPECT_TRUE(Recorded.Calls.empty());
}

// The wizard's closing steps as the controller wires them: the add-on stand-in in the
// program's folder registers its features, and the ticked browser is set up.
class MainWelcomeWired : public MainTestBase {
protected:
  void SetUp() override {
    const std::filesystem::path config = Home.Path() / "home" / ".config";
    std::filesystem::create_directories(Prefs().parent_path());
    std::ofstream(config / "mozilla" / "firefox" / "profiles.ini")
        << "[Profile0]\nName=default\nIsRelative=1\nPath=p.default-esr\n";
    std::ofstream(Prefs()) << "user_pref(\"browser.startup.page\", 0);\n";
  }
  std::filesystem::path Prefs() const {
    return Home.Path() / "home" / ".config" / "mozilla" / "firefox" / "p.default-esr" / "prefs.js";
  }
  std::string PrefsText() const {
    std::ifstream in(Prefs(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Runs the first start with Mozilla ticked, the download manager on and the popup
  // killer off, on a free port.
  TMain& FirstStart() {
    ::close(loopback::Listen(Port));
    UserInterface.WelcomeEdits.push_back([this](TWelcomeAnswers& answers) {
      answers.ProxyPort = Port;
      answers.DownloadManager = true;
      answers.PopupKiller = false;
      answers.Browsers[static_cast<int>(TWelcomeBrowser::Mozilla)] = true;
    });
    return Start({});
  }
  std::uint16_t Port = 0;
};

TEST_F(MainWelcomeWired, AddOnPresentRegistersItsFeaturesAndSetsUpTheTickedBrowser) {
  TMain& main = FirstStart();
  ASSERT_EQ(UserInterface.WelcomeShown.size(), 1U);
  EXPECT_TRUE(UserInterface.WelcomeShown[0].second.HelperPresent);
  EXPECT_TRUE(main.AddOn().IsHelperRegistered());
  EXPECT_TRUE(IsDownloadManagerEnabled(*Registry, main.AddOn()));
  EXPECT_FALSE(IsPopupKillerEnabled(*Registry, main.AddOn()));
  EXPECT_NE(
      PrefsText().find("user_pref(\"network.proxy.http_port\", " + std::to_string(Port) + ");"),
      std::string::npos);
  EXPECT_EQ(main.BrowserStatus()[1], BrowserTexts::Installed) << "start-up reads it back";
}

TEST_F(MainWelcomeWired, AddOnMissingStillSetsUpTheTickedBrowser) {
  std::filesystem::remove(ProgramFolder() + "qhelper.so");
  TMain& main = FirstStart();
  ASSERT_EQ(UserInterface.WelcomeShown.size(), 1U);
  EXPECT_FALSE(UserInterface.WelcomeShown[0].second.HelperPresent);
  EXPECT_FALSE(main.AddOn().IsHelperRegistered());
  EXPECT_FALSE(IsDownloadManagerEnabled(*Registry, main.AddOn()));
  EXPECT_NE(
      PrefsText().find("user_pref(\"network.proxy.http_port\", " + std::to_string(Port) + ");"),
      std::string::npos);
}

} // namespace
