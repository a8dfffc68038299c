// SPDX-License-Identifier: GPL-3.0-or-later
// "Online-Update...", its reminder and the merge, with the LiveUpd stand-in as the
// update program in the program's folder and a recording pool.
#include "MainTestSupport.h"
#include "app/UpdateChannels.h"
#include "platform/MessageQueue.h"
#include "pool/ProxyFileUnit.h"

#include <fstream>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using TNewProxy = ProxyListMerge::TNewProxy;

constexpr const char* Reminder =
    "Die letzte Ausführung des Online-Updates liegt mehr als 30 Tage zurück.\r\rMöchten Sie "
    "jetzt nachschauen ob neue Updates verfügbar sind?";
const TDateTime Today = EncodeDateTime(2026, 12, 10, 12, 0, 0);

class MainUpdate : public MainTestBase {
protected:
  void SetUp() override {
    std::filesystem::create_directories(Home.Path() / "runtime");
    std::filesystem::permissions(Home.Path() / "runtime", std::filesystem::perms::owner_all);
    Home.Environment().Set("XDG_RUNTIME_DIR", (Home.Path() / "runtime").string());
    for (const char* name : {"LIVEUPD_PROXIES", "LIVEUPD_RESULT", "LIVEUPD_DATE", "LIVEUPD_LOG",
                             "LIVEUPD_JUNK", "LIVEUPD_PROBE"}) {
      Home.Environment().Unset(name);
    }
    std::filesystem::create_directories(ProgramFolder());
  }

  void InstallUpdateProgram() {
    std::filesystem::create_symlink(LIVEUPD_PATH, ProgramFolder() + "LiveUpd");
  }

  void DeliverList(const std::string& text) {
    std::ofstream(Home.Path() / "list.txt") << text;
    Home.Environment().Set("LIVEUPD_PROXIES", (Home.Path() / "list.txt").string());
  }

  TMain& StartWithPool() {
    Store([](TRegistrySettings& s) {
      s.FirstStart = false;
      s.LastUpdate = Today - 1;
    });
    TMain& main = Start();
    main.DateClock = [] { return Today; };
    main.PoolUpdate = {[this] { return PoolHosts; },
                       [this] {
                         Calls.push_back("StopCheck");
                         return CheckRunning;
                       },
                       [this](const std::vector<TNewProxy>& added) {
                         Calls.push_back("AddAndSave");
                         Added = added;
                       },
                       [this] { Calls.push_back("RebuildList"); },
                       [this] { Calls.push_back("StartCheck"); }};
    return main;
  }

  std::vector<std::string> PoolHosts{"10.0.0.1"};
  bool CheckRunning = true;
  std::vector<std::string> Calls;
  std::vector<TNewProxy> Added;
};

TEST_F(MainUpdate, DeliveredListIsMergedAndTheReportedDateStored) {
  InstallUpdateProgram();
  DeliverList("# new\n10.0.0.1:8000\n10.0.0.9:3128\nfresh.example\n");
  Home.Environment().Set("LIVEUPD_DATE", "46000.25");
  Home.Environment().Set("LIVEUPD_LOG", (Home.Path() / "log").string());
  Home.Environment().Set("LIVEUPD_PROBE", "1");
  TMain& main = StartWithPool();

  const TOnlineUpdateResult result = main.mnuOnlineUpdateExecute();

  EXPECT_TRUE(result.Ran);
  EXPECT_TRUE(result.Updated);
  EXPECT_THAT(result.Added,
              ElementsAre(TNewProxy{"10.0.0.9", 3128}, TNewProxy{"fresh.example", 8080}));
  EXPECT_EQ(Added, result.Added);
  EXPECT_THAT(Calls, ElementsAre("StopCheck", "AddAndSave", "RebuildList", "StartCheck"));
  EXPECT_EQ(Stored()->LastUpdate, 46000.25);
  EXPECT_TRUE(UserInterface.Messages.empty());
  std::ifstream log(Home.Path() / "log");
  const std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_THAT(text, HasSubstr("Language=Deutsch\n"));
  EXPECT_THAT(text, HasSubstr("ProgramFolder=" + ProgramFolder() + "\n"));
  EXPECT_THAT(text, HasSubstr("ProxyHost=\n"));
  EXPECT_THAT(text, HasSubstr("ProxyPort=80\n"));
  EXPECT_THAT(text, HasSubstr("ProductVersion=Quorvane 1.20\n"));
  EXPECT_THAT(text, HasSubstr("IgnoreListName=quorignore.dat\n"));
  EXPECT_THAT(text, HasSubstr("Unattended=0\n"));
  EXPECT_THAT(text, HasSubstr("StartChannelGone=1\n"))
      << "the start channel goes once the settings were asked for";
  EXPECT_THAT(text, HasSubstr("DataFolder=" + main.Settings().DataPath));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("FirstAnswerLength=0\n")))
      << "the stand-in's 100-byte buffer got the stream's length first";
}

// Without a recording pool the controller's own pool takes the delivered list.
TEST_F(MainUpdate, DeliveredListEndsUpInThePoolAndItsFile) {
  InstallUpdateProgram();
  Home.Environment().Set("QUORVANE_WEB_SERVER", "http://127.0.0.1:9");
  std::string dataFolder;
  Store([&](TRegistrySettings& s) {
    s.FirstStart = false;
    s.LastUpdate = Today - 1;
    dataFolder = s.GetDataFolder();
  });
  {
    TProxyFileClass list(dataFolder + "proxies.dat", false);
    list.AddProxy("10.0.0.1", "8000", 100);
    ASSERT_TRUE(list.SaveToFile());
  }
  DeliverList("10.0.0.1:8000\n10.0.0.9:3128\nfresh.example\n");
  TMain& main = Start();
  main.DateClock = [] { return Today; };

  const TOnlineUpdateResult result = main.mnuOnlineUpdateExecute();

  ASSERT_TRUE(result.Updated);
  EXPECT_THAT(result.Added,
              ElementsAre(TNewProxy{"10.0.0.9", 3128}, TNewProxy{"fresh.example", 8080}));
  for (const char* host : {"10.0.0.9", "fresh.example"}) {
    const TProxyEntryPtr entry = main.ProxyPool().Find(host);
    ASSERT_TRUE(entry) << host;
    EXPECT_TRUE(entry->Enabled) << host;
    EXPECT_EQ(entry->ResponseTime, 1) << host;
  }
  EXPECT_EQ(TProxyFileClass(dataFolder + "proxies.dat", false).ExportText(),
            "10.0.0.1:8000\n10.0.0.9:3128\nfresh.example:8080\n")
      << "saved at once, not only at the end";
  EXPECT_FALSE(main.ProxyPool().PassRunning()) << "no check was running, none is started";
}

TEST_F(MainUpdate, CheckingThatWasStoppedAlreadyIsNotStarted) {
  InstallUpdateProgram();
  DeliverList("10.0.0.7\n");
  TMain& main = StartWithPool();
  CheckRunning = false;
  const TOnlineUpdateResult result = main.mnuOnlineUpdateExecute();
  EXPECT_TRUE(result.Ran);
  EXPECT_TRUE(result.Updated);
  EXPECT_THAT(Calls, ElementsAre("StopCheck", "AddAndSave", "RebuildList"));
}

TEST_F(MainUpdate, RestartNeededIsWarnedAbout) {
  InstallUpdateProgram();
  Home.Environment().Set("LIVEUPD_RESULT", "restart");
  TMain& main = StartWithPool();
  main.mnuOnlineUpdateExecute();
  ASSERT_EQ(UserInterface.Messages.size(), 1U);
  EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            "Sie müssen Quorvane beenden und neu starten, damit die Änderungen wirksam werden. "
            "Unter Windows 9x/Me ist ein Neustart von Windows erforderlich.");
  EXPECT_TRUE(Calls.empty()) << "no list delivered, nothing merged";
}

// Without a plausible update the run's time is stored and nothing is merged.
TEST_F(MainUpdate, NoUpdateOrNoReportOrImplausibleDateStoresNow) {
  struct TCase {
    const char* Name;
    const char* Result;
    const char* Date;
    bool Junk;
    bool Merged;
  };
  for (const TCase& c : {TCase{"nothing installed", "nothing", "46000", false, false},
                         TCase{"no report", "silent", "46000", false, false},
                         TCase{"date in the future", "updated", "99999", false, true},
                         TCase{"date before 2000", "updated", "100", false, true},
                         TCase{"short messages first", "nothing", "46000", true, false}}) {
    Main.reset();
    Calls.clear();
    std::filesystem::remove(ProgramFolder() + "LiveUpd");
    InstallUpdateProgram();
    DeliverList("10.0.0.5\n");
    Home.Environment().Set("LIVEUPD_RESULT", c.Result);
    Home.Environment().Set("LIVEUPD_DATE", c.Date);
    if (c.Junk)
      Home.Environment().Set("LIVEUPD_JUNK", "1");
    TMain& main = StartWithPool();
    const TOnlineUpdateResult result = main.mnuOnlineUpdateExecute();
    EXPECT_TRUE(result.Ran) << c.Name;
    EXPECT_EQ(result.Updated, c.Merged) << c.Name;
    EXPECT_EQ(!Calls.empty(), c.Merged) << c.Name;
    const double stored = Stored()->LastUpdate;
    if (c.Merged) {
      EXPECT_NEAR(stored, NowDateTime(), 0.01) << c.Name << ": the report's arrival";
    } else {
      EXPECT_EQ(stored, Today) << c.Name;
    }
    Home.Environment().Unset("LIVEUPD_JUNK");
  }
}

TEST_F(MainUpdate, MissingUpdateProgramIsReportedAndChangesNothing) {
  TMain& main = StartWithPool();
  EXPECT_FALSE(main.mnuOnlineUpdateExecute().Ran);
  ASSERT_EQ(UserInterface.Messages.size(), 1U);
  EXPECT_EQ(UserInterface.Messages[0].Text, "Fehler beim Ausführen: No such file or directory");
  EXPECT_EQ(UserInterface.Messages[0].Caption, "Fehler");
  EXPECT_EQ(Stored()->LastUpdate, Today - 1);
}

TEST_F(MainUpdate, StartChannelInUseIsReportedAndChangesNothing) {
  InstallUpdateProgram();
  TMessageQueueServer other(std::string(UpdateChannels::StartChannelName),
                            [](std::span<const std::uint8_t>, std::span<std::uint8_t>) {});
  TMain& main = StartWithPool();
  EXPECT_FALSE(main.mnuOnlineUpdateExecute().Ran);
  ASSERT_EQ(UserInterface.Messages.size(), 1U);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            "Kann Prozesskommunikation nicht erstellen, die Ausführung ist daher nicht möglich.");
  EXPECT_EQ(Stored()->LastUpdate, Today - 1);
}

TEST_F(MainUpdate, UnreadableDeliveredListAddsNothing) {
  InstallUpdateProgram();
  DeliverList("10.0.0.5\n");
  TMain& main = StartWithPool();
  // The list named in update.lst is a folder: it cannot be read.
  const std::string data = main.Settings().DataPath + "/";
  main.mnuOnlineUpdateExecute();
  ASSERT_FALSE(Calls.empty());
  Calls.clear();
  std::filesystem::remove(data + "QuorVane.LST");
  std::filesystem::create_directory(data + "QuorVane.LST");
  Home.Environment().Unset("LIVEUPD_PROXIES");
  EXPECT_TRUE(main.mnuOnlineUpdateExecute().Added.empty());
  EXPECT_TRUE(Calls.empty()) << "checking is not even stopped";
}

TEST_F(MainUpdate, ReminderAsksAfterMoreThanThirtyWholeDays) {
  struct TCase {
    double DaysAgo;
    bool Asks;
  };
  for (const TCase c : {TCase{30.0, false}, TCase{30.9, false}, TCase{31.0, true}}) {
    Main.reset();
    UserInterface.Messages.clear();
    Store([&](TRegistrySettings& s) {
      s.FirstStart = false;
      s.LastUpdate = Today - c.DaysAgo;
    });
    TMain& main = Start();
    main.DateClock = [] { return Today; };
    UserInterface.MessageResults = {TModalResult::No};
    main.FormShow();
    ASSERT_EQ(UserInterface.Messages.size(), c.Asks ? 1U : 0U) << c.DaysAgo;
    if (!c.Asks) {
      EXPECT_EQ(Stored()->LastUpdate, Today - c.DaysAgo);
      continue;
    }
    EXPECT_EQ(UserInterface.Messages[0].Text, Reminder);
    EXPECT_EQ(UserInterface.Messages[0].Caption, "Quorvane");
    EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Confirmation);
    EXPECT_EQ(UserInterface.Messages[0].Buttons, TMsgButtons::YesNoDefaultNo);
    EXPECT_EQ(Stored()->LastUpdate, Today) << "No: reminded again in 30 days";
  }
}

TEST_F(MainUpdate, ReminderAnsweredYesRunsTheUpdate) {
  Store([](TRegistrySettings& s) {
    s.FirstStart = false;
    s.LastUpdate = Today - 40;
  });
  TMain& main = Start();
  main.DateClock = [] { return Today; };
  UserInterface.MessageResults = {TModalResult::Yes};
  main.FormShow();
  ASSERT_EQ(UserInterface.Messages.size(), 2U);
  EXPECT_THAT(UserInterface.Messages[1].Text, HasSubstr("Fehler beim Ausführen"))
      << "Yes started the update program (missing here)";
  EXPECT_EQ(Stored()->LastUpdate, Today - 40);
}

} // namespace
