// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "app/DateTime.h"
#include "app/RegistrySettingsUnit.h"
#include "platform/Registry.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

constexpr const char* Root = "Software\\Torvimsk Software\\Quorvane";

class RegistrySettingsTest : public ::testing::Test {
protected:
  RegistrySettingsTest() { std::filesystem::create_directories(ProgramDir); }

  void Store(const std::string& section, std::string_view name, std::string_view text) {
    TRegKey key;
    ASSERT_EQ(
        Registry.CreateKey(TRootKey::CurrentUser, std::string(Root) + "\\" + section, "", key),
        TRegResult::Ok);
    ASSERT_EQ(Registry.SetValue(key, name, MakeStringValue(text)), TRegResult::Ok);
  }
  std::string Stored(TRootKey root, const std::string& path, std::string_view name) {
    TRegKey key;
    TRegValue value;
    if (Registry.OpenKey(root, path, key) != TRegResult::Ok ||
        Registry.QueryValue(key, name, value) != TRegResult::Ok) {
      return "<missing>";
    }
    return ValueText(value);
  }
  Names StoredNames(const std::string& section) {
    TRegKey key;
    Names names;
    if (Registry.OpenKey(TRootKey::CurrentUser, std::string(Root) + "\\" + section, key) ==
        TRegResult::Ok) {
      Registry.EnumValueNames(key, names);
    }
    return names;
  }
  std::unique_ptr<TRegistrySettings> Loaded() {
    auto settings = std::make_unique<TRegistrySettings>(Registry, Ui, ProgramFolder());
    settings->Load();
    return settings;
  }
  std::string ProgramFolder() const { return ProgramDir.string() + "/"; }

  TTestHome Home;
  std::filesystem::path ProgramDir = Home.Path() / "program";
  TRegistry Registry{TRegistryLocations::FromEnvironment()};
  TFakeUserInterface Ui;
};

TEST_F(RegistrySettingsTest, FreshAccountGetsEveryDefault) {
  const TDateTime before = NowDateTime();
  const auto s = Loaded();
  const std::string home = (Home.Path() / "home").string();

  EXPECT_GE(s->LastUpdate, before - 1.0 / 86400);
  EXPECT_LE(s->LastUpdate, NowDateTime() + 1.0 / 86400);
  EXPECT_EQ(s->ConnectionType, 0);
  EXPECT_EQ(s->UserProxyServer, "");
  EXPECT_EQ(s->UserProxyPort, 80);
  EXPECT_TRUE(s->FirstStart);
  EXPECT_EQ(s->DataPath, home + "/.local/share/Quorvane");
  EXPECT_EQ(s->ProxyPort, 8080);
  EXPECT_EQ(s->ProxyAuthType, 1);
  EXPECT_EQ(s->ProxyAuthIP, "");
  EXPECT_TRUE(s->SaveLastCalledSites);
  EXPECT_EQ(s->MaxLastCalledSites, 100);
  EXPECT_TRUE(s->BlockSites);
  EXPECT_FALSE(s->UseAnonymousProxyServers);
  EXPECT_EQ(s->AnonymousProxyChangeInterval, 1);
  EXPECT_EQ(s->AnonymousProxyCheckInterval, 60);
  EXPECT_TRUE(s->AnonymousProxyForHTTPS);
  EXPECT_TRUE(s->AnonymousProxyFailover);
  EXPECT_FALSE(s->AnonymousProxyFailClosed);
  EXPECT_FALSE(s->AnonymousProxyParallelChecks);
  EXPECT_TRUE(s->DMNoQuorvane);
  EXPECT_EQ(s->DefaultDMDirectory, home + "/Documents/Quorvane/Downloads");
  EXPECT_TRUE(s->DontRequestDMFileName);
  EXPECT_TRUE(s->DMInfoWindow);
  EXPECT_EQ(s->DMInfoWindowTimeout, 3);
  EXPECT_TRUE(s->DMShowMessageOnSuccess);
  EXPECT_FALSE(s->DMDrossel);
  EXPECT_EQ(s->DMMaxDownload, 768);
  EXPECT_EQ(s->DMDrosselPercent, 100);

  EXPECT_TRUE(s->BlockActiveX);
  EXPECT_TRUE(s->BlockBrowserName);
  EXPECT_FALSE(s->BlockCookies);
  EXPECT_FALSE(s->BlockExeFiles);
  EXPECT_FALSE(s->BlockFlash);
  EXPECT_TRUE(s->BlockReferer);
  EXPECT_FALSE(s->BlockJS);
  EXPECT_EQ(
      s->BlockedURLList,
      Names{"dialer&&!dialer-protection.example&&!dialer-help.example&&!dialer-info.example"});
  EXPECT_EQ(s->DomainCookiesAllowedList, Names{"quorvane.example"});
  EXPECT_FALSE(s->AutoKill);
  EXPECT_FALSE(s->TOnlineHistory);
  EXPECT_TRUE(s->DontDeleteCookiesList.empty());
  EXPECT_EQ(s->Statistics.Bytes, 0);
  EXPECT_EQ(s->Statistics.TotalDownloads, 0u);

  // Main holds every value with its default, for users who inspect it; the
  // other keys were created, empty, by reading them.
  const std::string main = std::string(Root) + "\\Main";
  EXPECT_EQ(StoredNames("Main").size(), 28u);
  EXPECT_EQ(Stored(TRootKey::CurrentUser, main, "ProxyPort"), "8080");
  EXPECT_EQ(Stored(TRootKey::CurrentUser, main, "FirstStart"), "1");
  EXPECT_EQ(Stored(TRootKey::CurrentUser, main, "DataPath"), home + "/.local/share/Quorvane");
  for (const char* section : {"BrowserSecurity", "Destroyer", "Statistics"}) {
    TRegKey key;
    EXPECT_EQ(Registry.OpenKey(TRootKey::CurrentUser, std::string(Root) + "\\" + section, key),
              TRegResult::Ok)
        << section;
    EXPECT_TRUE(StoredNames(section).empty()) << section;
  }
  EXPECT_TRUE(std::filesystem::is_directory(s->DataPath));
  EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(RegistrySettingsTest, LoadWritesTheVersionAndInstallMarkers) {
  Loaded();
  EXPECT_EQ(Stored(TRootKey::CurrentUser, "Software\\Torvimsk Software", "Quorvane"), "1.20");
  EXPECT_EQ(Stored(TRootKey::LocalMachine, "Software\\Quorvane", "InstallPath"), ProgramFolder());
}

TEST_F(RegistrySettingsTest, StoredValuesAreCheckedAndCorrected) {
  struct ValueCase {
    const char* Name;
    const char* Stored;
    int TRegistrySettings::*Member;
    int Expected;
  };
  for (const ValueCase& c : std::vector<ValueCase>{
           {"ProxyPort", "3128", &TRegistrySettings::ProxyPort, 3128},
           {"ProxyPort", "0", &TRegistrySettings::ProxyPort, 8080},
           {"ProxyPort", "-5", &TRegistrySettings::ProxyPort, 8080},
           {"ProxyPort", "port", &TRegistrySettings::ProxyPort, 8080},
           {"ProxyPort", "65536", &TRegistrySettings::ProxyPort, 8080},
           // A damaged access mode reads as this machine only, never as everyone.
           {"ProxyAuthType", "0", &TRegistrySettings::ProxyAuthType, 0},
           {"ProxyAuthType", "2", &TRegistrySettings::ProxyAuthType, 2},
           {"ProxyAuthType", "3", &TRegistrySettings::ProxyAuthType, 1},
           {"ProxyAuthType", "-1", &TRegistrySettings::ProxyAuthType, 1},
           {"ProxyAuthType", "mode", &TRegistrySettings::ProxyAuthType, 1},
           {"AnonymousProxyChangeInterval", "0", &TRegistrySettings::AnonymousProxyChangeInterval,
            1},
           {"AnonymousProxyChangeInterval", "90", &TRegistrySettings::AnonymousProxyChangeInterval,
            90},
           {"AnonymousProxyChangeInterval", "91", &TRegistrySettings::AnonymousProxyChangeInterval,
            1},
           {"AnonymousProxyCheckInterval", "29", &TRegistrySettings::AnonymousProxyCheckInterval,
            60},
           {"AnonymousProxyCheckInterval", "30", &TRegistrySettings::AnonymousProxyCheckInterval,
            30},
           {"AnonymousProxyCheckInterval", "1800", &TRegistrySettings::AnonymousProxyCheckInterval,
            1800},
           {"AnonymousProxyCheckInterval", "1801", &TRegistrySettings::AnonymousProxyCheckInterval,
            60},
           {"MaxLastCalledSites", "-1", &TRegistrySettings::MaxLastCalledSites, 1},
           {"MaxLastCalledSites", "0", &TRegistrySettings::MaxLastCalledSites, 0},
           {"DMMaxDownload", "8192", &TRegistrySettings::DMMaxDownload, 8192},
           {"DMMaxDownload", "8193", &TRegistrySettings::DMMaxDownload, 768},
           {"DMMaxDownload", "0", &TRegistrySettings::DMMaxDownload, 768},
           {"DMDrosselPercent", "1", &TRegistrySettings::DMDrosselPercent, 1},
           {"DMDrosselPercent", "101", &TRegistrySettings::DMDrosselPercent, 100},
           {"DMInfoWindowTimeout", "90", &TRegistrySettings::DMInfoWindowTimeout, 90},
           {"DMInfoWindowTimeout", "0", &TRegistrySettings::DMInfoWindowTimeout, 3},
       }) {
    Store("Main", c.Name, c.Stored);
    EXPECT_EQ(Loaded().get()->*c.Member, c.Expected) << c.Name << "=" << c.Stored;
    // Loading corrects the value in memory only.
    EXPECT_EQ(Stored(TRootKey::CurrentUser, std::string(Root) + "\\Main", c.Name), c.Stored);
  }
}

TEST_F(RegistrySettingsTest, FlagsStoredAsTwoOrAsWordsReadAsFalseOrDefault) {
  Store("Main", "BlockSites", "2");
  Store("Main", "FirstStart", "nein");
  Store("BrowserSecurity", "BlockActiveX", "true");
  Store("BrowserSecurity", "BlockJS", "1");
  const auto s = Loaded();
  EXPECT_FALSE(s->BlockSites);
  EXPECT_TRUE(s->FirstStart);
  EXPECT_TRUE(s->BlockActiveX);
  EXPECT_TRUE(s->BlockJS);
}

TEST_F(RegistrySettingsTest, SavedSettingsLoadBackUnchanged) {
  auto s = Loaded();
  s->LastUpdate = EncodeDateTime(2026, 1, 2, 12, 0, 0);
  s->ConnectionType = 3;
  s->UserProxyServer = "proxy.example";
  s->FirstStart = false;
  s->DataPath = (Home.Path() / "data").string();
  s->ProxyPort = 3128;
  s->ProxyAuthType = 2;
  s->ProxyAuthIP = "192.168.1.5";
  s->DefaultDMDirectory = "/srv/downloads";
  s->DMDrossel = true;
  s->BlockCookies = true;
  s->BlockActiveX = false;
  s->TOnlineHistory = true;
  s->BlockedURLList = {"a", "b&&!c"};
  s->DomainCookiesAllowedList = {"x.example"};
  s->DontDeleteCookiesList = {"keep.example"};
  s->Statistics.Bytes = 5000000000;
  s->Statistics.BlockedURLs = 4000000000u;
  s->Statistics.TotalBytesInDownloads = 7;
  s->Save();

  const auto r = Loaded();
  EXPECT_DOUBLE_EQ(r->LastUpdate, EncodeDateTime(2026, 1, 2, 12, 0, 0));
  EXPECT_EQ(Stored(TRootKey::CurrentUser, std::string(Root) + "\\Main", "LastUpdate"),
            "46024.50000");
  EXPECT_EQ(r->ConnectionType, 3);
  EXPECT_EQ(r->UserProxyServer, "proxy.example");
  EXPECT_FALSE(r->FirstStart);
  EXPECT_EQ(r->DataPath, (Home.Path() / "data").string());
  EXPECT_EQ(r->ProxyPort, 3128);
  EXPECT_EQ(r->ProxyAuthType, 2);
  EXPECT_EQ(r->ProxyAuthIP, "192.168.1.5");
  EXPECT_EQ(r->DefaultDMDirectory, "/srv/downloads");
  EXPECT_TRUE(r->DMDrossel);
  EXPECT_TRUE(r->BlockCookies);
  EXPECT_FALSE(r->BlockActiveX);
  EXPECT_TRUE(r->TOnlineHistory);
  EXPECT_EQ(r->BlockedURLList, (Names{"a", "b&&!c"}));
  EXPECT_EQ(r->DomainCookiesAllowedList, Names{"x.example"});
  EXPECT_EQ(r->DontDeleteCookiesList, Names{"keep.example"});
  EXPECT_EQ(r->Statistics.Bytes, 5000000000);
  EXPECT_EQ(r->Statistics.BlockedURLs, 4000000000u);
  EXPECT_EQ(r->Statistics.TotalBytesInDownloads, 7);
}

TEST_F(RegistrySettingsTest, SaveWritesMainValuesInItsOrderAndFlagsAsOneAndZero) {
  Loaded()->Save();
  EXPECT_EQ(StoredNames("Main"), (Names{"LastUpdate",
                                        "UserProxyServer",
                                        "UserProxyPort",
                                        "ConnectionType",
                                        "FirstStart",
                                        "DataPath",
                                        "ProxyPort",
                                        "ProxyAuthType",
                                        "ProxyAuthIP",
                                        "saveLastCalledSites",
                                        "MaxLastCalledSites",
                                        "BlockSites",
                                        "UseAnonymousProxyServers",
                                        "AnonymousProxyChangeInterval",
                                        "AnonymousProxyCheckInterval",
                                        "AnonymousProxyForHTTPS",
                                        "AnonymousProxyFailover",
                                        "AnonymousProxyFailClosed",
                                        "AnonymousProxyParallelChecks",
                                        "DMNoQuorvane",
                                        "DefaultDMDirectory",
                                        "DontRequestDMFileName",
                                        "DMInfoWindow",
                                        "DMInfoWindowTimeout",
                                        "DMShowMessageOnSuccess",
                                        "DMDrossel",
                                        "DMMaxDownload",
                                        "DMDrosselPercent"}));
  EXPECT_EQ(Stored(TRootKey::CurrentUser, std::string(Root) + "\\Main", "FirstStart"), "1");
  EXPECT_EQ(Stored(TRootKey::CurrentUser, std::string(Root) + "\\Main", "DMDrossel"), "0");
  EXPECT_EQ(StoredNames("Statistics").size(), 12u);
  // The 27 cleaner flags of old, then thumbnails and Chromium's four.
  EXPECT_EQ(StoredNames("Destroyer").size(), 32u);
  EXPECT_EQ(StoredNames("Destroyer").front(), "AutoKill");
  EXPECT_EQ(StoredNames("Destroyer")[26], "TOnlineHistory");
  EXPECT_EQ(StoredNames("Destroyer").back(), "ChromiumAutoComplete");
  EXPECT_EQ(StoredNames("BrowserSecurity\\BlockedURLs"), Names{"0"});
}

TEST_F(RegistrySettingsTest, AListSavedShorterKeepsOnlyItsEntries) {
  auto s = Loaded();
  s->BlockedURLList = {"1", "2", "3", "4", "5"};
  s->SaveBrowserSecurity();
  s->BlockedURLList = {"x", "y"};
  s->SaveBrowserSecurity();
  EXPECT_EQ(StoredNames("BrowserSecurity\\BlockedURLs"), (Names{"0", "1"}));
  EXPECT_EQ(Loaded()->BlockedURLList, (Names{"x", "y"}));
}

TEST_F(RegistrySettingsTest, AnEmptySavedListLoadsItsDefaultAgain) {
  auto s = Loaded();
  s->DomainCookiesAllowedList.clear();
  s->SaveBrowserSecurity();
  EXPECT_EQ(Loaded()->DomainCookiesAllowedList, Names{"quorvane.example"});
}

TEST_F(RegistrySettingsTest, PartialSavesWriteOnlyTheirGroup) {
  auto s = Loaded();
  s->Statistics.GETFiles = 12;
  s->SaveStatistics();
  s->AutoKill = true;
  s->SaveDestroyer();
  EXPECT_TRUE(StoredNames("BrowserSecurity").empty());
  const auto r = Loaded();
  EXPECT_EQ(r->Statistics.GETFiles, 12u);
  EXPECT_TRUE(r->AutoKill);
}

TEST_F(RegistrySettingsTest, TheProxyListIsCopiedIntoANewDataFolderButNeverOverwritten) {
  std::ofstream(ProgramDir / "proxies.dat") << "program list";
  const auto dataFolder = Home.Path() / "data";
  Store("Main", "DataPath", dataFolder.string());
  Loaded();
  std::ifstream copied(dataFolder / "proxies.dat");
  std::string content;
  std::getline(copied, content);
  EXPECT_EQ(content, "program list");

  std::ofstream(dataFolder / "proxies.dat") << "user list";
  Loaded();
  std::ifstream kept(dataFolder / "proxies.dat");
  std::getline(kept, content);
  EXPECT_EQ(content, "user list");
}

TEST_F(RegistrySettingsTest, DataFolderIsTheProgramFolderWhenDataPathIsEmpty) {
  std::ofstream(ProgramDir / "proxies.dat") << "list";
  Store("Main", "DataPath", "");
  const auto s = Loaded();
  EXPECT_EQ(s->DataPath, "");
  EXPECT_EQ(s->GetDataFolder(), ProgramFolder());
  s->DataPath = (Home.Path() / "new" / "folder").string();
  EXPECT_EQ(s->GetDataFolder(), s->DataPath + "/");
  EXPECT_TRUE(std::filesystem::is_directory(s->DataPath));
}

} // namespace
