// SPDX-License-Identifier: GPL-3.0-or-later
// The window actions of the controller: the blocked-page list editor, the access
// and cookie dialogs, autostart, the command-line passes and the single instance.
#include "MainTestSupport.h"
#include "app/CookiesAllowedUnit.h"
#include "app/OnlyOne.h"
#include "app/StartFlags.h"

#include <fstream>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using TAnswer = TFakeUserInterface::TLineAndListAnswer;

constexpr const char* ExistsOrInvalid = "Dieser Eintrag existiert bereits oder ist ungültig.";

class MainUrlEditor : public MainTestBase {
protected:
  void SetUp() override {
    Store([](TRegistrySettings& s) {
      s.BlockSites = true;
      s.BlockedURLList = {"dialer&&!help.example", "ads"};
    });
    Start();
  }
  const std::vector<std::string>& List() { return Main->Settings().BlockedURLList; }
};

TEST_F(MainUrlEditor, NewAppendsTermWithExceptionsAndAppliesAndStores) {
  UserInterface.LineAndListAnswers.push_back({"track", "safe.example&&!ok.example"});
  Main->NewUrlBtnClick();

  EXPECT_THAT(UserInterface.DialogCaptions, ElementsAre("Seite (URL) hinzufügen"));
  EXPECT_THAT(List(),
              ElementsAre("dialer&&!help.example", "ads", "track&&!safe.example&&!ok.example"));
  ASSERT_EQ(View.BlockedURLLists.size(), 1u);
  EXPECT_EQ(View.BlockedURLLists[0], List()) << "the view is handed the new list";
  EXPECT_THAT(Main->ProxyServer().BlockedURLS(), ElementsAre("dialer", "ads", "track"));
  EXPECT_THAT(Stored()->BlockedURLList,
              ElementsAre("dialer&&!help.example", "ads", "track&&!safe.example&&!ok.example"));
}

struct TRefusedCase {
  const char* Name;
  TAnswer Answer;
};
std::ostream& operator<<(std::ostream& out, const TRefusedCase& c) {
  return out << c.Name;
}

class MainUrlEditorRefuses : public MainUrlEditor,
                             public ::testing::WithParamInterface<TRefusedCase> {};

TEST_P(MainUrlEditorRefuses, DuplicateNewEntryShowsErrorAndChangesNothing) {
  UserInterface.LineAndListAnswers.push_back(GetParam().Answer);
  Main->NewUrlBtnClick();
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, ExistsOrInvalid);
  EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Error);
  EXPECT_THAT(List(), ElementsAre("dialer&&!help.example", "ads"));
  EXPECT_TRUE(View.BlockedURLLists.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MainUrlEditorRefuses,
                         ::testing::Values(TRefusedCase{"TermAlreadyEntry", {"ads", "x.example"}},
                                           TRefusedCase{"WholeEntryExists",
                                                        {"dialer", "help.example"}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainUrlEditor, EmptyTermOrCancelChangesNothingSilently) {
  UserInterface.LineAndListAnswers.push_back({"", "x"});
  Main->NewUrlBtnClick();
  Main->NewUrlBtnClick(); // no answer left: cancelled
  EXPECT_TRUE(UserInterface.Messages.empty());
  EXPECT_EQ(List().size(), 2u);
}

TEST_F(MainUrlEditor, EditSplitsEntryAndReplacesItInPlace) {
  struct TCapture : TFakeUserInterface {
    std::string Line, List;
    bool InputLineAndListDialog(std::string_view caption, std::string_view prompt,
                                std::string_view listPrompt, std::string& line,
                                std::string& list) override {
      Line = line;
      List = list;
      return TFakeUserInterface::InputLineAndListDialog(caption, prompt, listPrompt, line, list);
    }
  };
  TCapture capture;
  capture.LineAndListAnswers.push_back({"dialers", ""});
  Main.reset();
  Registry = std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
  Main = std::make_unique<TMain>(*Registry, capture, View, ProgramFolder(), TStartFlags{},
                                 EphemeralPort());
  Main->FormCreate();

  Main->EditUrlBtnClick(0);

  EXPECT_EQ(capture.Line, "dialer");
  EXPECT_EQ(capture.List, "help.example");
  EXPECT_THAT(capture.DialogCaptions, ElementsAre("Seite (URL) ändern"));
  EXPECT_THAT(List(), ElementsAre("dialers", "ads"));
  EXPECT_THAT(Main->ProxyServer().BlockedURLS(), ElementsAre("dialers", "ads"));
}

TEST_F(MainUrlEditor, EditWithEmptyTermShowsError) {
  UserInterface.LineAndListAnswers.push_back({"", "x"});
  Main->EditUrlBtnClick(1);
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, ExistsOrInvalid);
  EXPECT_THAT(List(), ElementsAre("dialer&&!help.example", "ads"));
}

TEST_F(MainUrlEditor, DeleteRemovesWithoutQuestionAndIgnoresBadIndex) {
  Main->DelUrlBtnClick(7);
  EXPECT_EQ(List().size(), 2u);
  Main->DelUrlBtnClick(0);
  EXPECT_THAT(List(), ElementsAre("ads"));
  EXPECT_TRUE(UserInterface.Messages.empty());
  EXPECT_THAT(Main->ProxyServer().BlockedURLS(), ElementsAre("ads"));
}

TEST_F(MainUrlEditor, Add2BlockedAppendsRecentPageUnlessListed) {
  UserInterface.ListAnswers = {"http://ads.example/x", "ads", ""};
  Main->Add2BlockedURLsClick("http://ads.example/x");
  EXPECT_THAT(UserInterface.DialogCaptions,
              ElementsAre("Seite in zu blockierende Inhalte aufnehmen"));
  EXPECT_THAT(List(), ElementsAre("dialer&&!help.example", "ads", "http://ads.example/x"));

  Main->Add2BlockedURLsClick("ads");
  Main->Add2BlockedURLsClick("x");
  ASSERT_EQ(UserInterface.Messages.size(), 2u) << "a listed and an empty entry are both refused";
  EXPECT_EQ(UserInterface.Messages[1].Text, ExistsOrInvalid);
  EXPECT_EQ(List().size(), 3u);
}

class MainDialogs : public MainTestBase {};

TEST_F(MainDialogs, ProxyAccessStoresAndAppliesOnOk) {
  TMain& main = Start();
  UserInterface.ProxyAccessAnswers.push_back({TAuthType::atThisIP, "192.168.1."});
  main.ProxyAccessBtnClick();

  ASSERT_EQ(UserInterface.ProxyAccessShown.size(), 1u);
  EXPECT_EQ(UserInterface.ProxyAccessShown[0].first, TAuthType::atThisPC);
  EXPECT_EQ(UserInterface.ProxyAccessShown[0].second, "192.168.168.255")
      << "the edit keeps its stored text";
  EXPECT_EQ(main.ProxyServer().ProxyAuthType(), TAuthType::atThisIP);
  EXPECT_EQ(main.ProxyServer().ProxyAuthIP(), "192.168.1.");
  EXPECT_EQ(Stored()->ProxyAuthType, 2);
  EXPECT_EQ(Stored()->ProxyAuthIP, "192.168.1.");

  // Reopened, the dialog shows the stored prefix; another mode drops it.
  UserInterface.ProxyAccessAnswers.push_back({TAuthType::atAll, "ignored"});
  main.ProxyAccessBtnClick();
  EXPECT_EQ(UserInterface.ProxyAccessShown[1].second, "192.168.1.");
  EXPECT_EQ(main.ProxyServer().ProxyAuthType(), TAuthType::atAll);
  EXPECT_EQ(Stored()->ProxyAuthIP, "");
}

TEST_F(MainDialogs, ProxyAccessCancelChangesNothing) {
  TMain& main = Start();
  main.ProxyAccessBtnClick();
  EXPECT_EQ(main.ProxyServer().ProxyAuthType(), TAuthType::atThisPC);
  EXPECT_EQ(Stored()->ProxyAuthType, 1);
}

TEST_F(MainDialogs, CookiesDialogReplacesAllowedListOnOkOnly) {
  Store([](TRegistrySettings& s) {
    s.BlockCookies = true;
    s.DomainCookiesAllowedList = {"quorvane.example"};
  });
  TMain& main = Start();
  EXPECT_FALSE(main.RequestEvents().IsCookieBlocked("www.quorvane.example"));
  EXPECT_FALSE(main.RequestEvents().IsCookieBlocked(""));

  main.CookiesBtnClick(); // cancelled
  EXPECT_FALSE(main.RequestEvents().IsCookieBlocked("www.quorvane.example"));

  UserInterface.CookiesAllowedAnswers.push_back({"bank"});
  main.CookiesBtnClick();
  EXPECT_THAT(UserInterface.CookiesAllowedShown[1], ElementsAre("quorvane.example"));
  EXPECT_TRUE(main.RequestEvents().IsCookieBlocked("www.quorvane.example"));
  EXPECT_FALSE(main.RequestEvents().IsCookieBlocked("mybank.example:443"))
      << "an entry matches anywhere in the host";
  EXPECT_THAT(Stored()->DomainCookiesAllowedList, ElementsAre("bank"));
}

TEST(CookiesAllowedEdit, AddLowerCasesAndRefusesDuplicates) {
  TFakeUserInterface userInterface;
  std::vector<std::string> domains = {"quorvane.example"};
  EXPECT_TRUE(AddCookiesAllowedDomain(domains, "Bank.EXAMPLE", userInterface));
  EXPECT_FALSE(AddCookiesAllowedDomain(domains, "QUORVANE.example", userInterface));
  EXPECT_FALSE(AddCookiesAllowedDomain(domains, "", userInterface));
  EXPECT_THAT(domains, ElementsAre("quorvane.example", "bank.example"));
  ASSERT_EQ(userInterface.Messages.size(), 1u);
  EXPECT_EQ(userInterface.Messages[0].Text, "Die Domain existiert bereits.");
  EXPECT_EQ(userInterface.Messages[0].Caption, "Fehler");

  EXPECT_TRUE(ChangeCookiesAllowedDomain(domains, 1, "Quorvane.example"));
  EXPECT_FALSE(ChangeCookiesAllowedDomain(domains, 0, ""));
  EXPECT_FALSE(ChangeCookiesAllowedDomain(domains, 5, "x"));
  EXPECT_THAT(domains, ElementsAre("quorvane.example", "quorvane.example"))
      << "no duplicate test on change";
}

class MainAutoStart : public MainTestBase {};

TEST_F(MainAutoStart, CheckBoxAddsAndRemovesEntry) {
  TMain& main = Start();
  EXPECT_FALSE(main.AutoStartEntryExists());
  main.AutoStartChkBoxClick(true);
  EXPECT_TRUE(main.AutoStartEntryExists());
  std::ifstream entry(Home.Path() / "autostart" / "quorvane.desktop");
  std::string text((std::istreambuf_iterator<char>(entry)), {});
  EXPECT_THAT(text, HasSubstr("\nExec=/opt/quorvane/quorvane\n"));

  main.AutoStartChkBoxClick(false);
  EXPECT_FALSE(main.AutoStartEntryExists());
  EXPECT_TRUE(UserInterface.Messages.empty());
}

TEST_F(MainAutoStart, EntryOfAnotherProgramDoesNotCount) {
  const TAutoStart other(Home.Path() / "autostart", "/usr/bin/other");
  ASSERT_TRUE(other.Add(UserInterface));
  EXPECT_FALSE(TAutoStart(Home.Path() / "autostart", "/opt/quorvane/quorvane").Exists());
  EXPECT_TRUE(TAutoStart(Home.Path() / "autostart", "/USR/BIN/OTHER").Exists())
      << "compared upper-cased";
}

TEST_F(MainAutoStart, UnwritableFolderReportsCodeFive) {
  // A file where the folder should be: the folder cannot be opened.
  std::ofstream(Home.Path() / "blocked") << "x";
  const TAutoStart autoStart(Home.Path() / "blocked" / "autostart", "/opt/quorvane/quorvane");
  EXPECT_FALSE(autoStart.Add(UserInterface));
  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Caption, "Quorvane");
  EXPECT_EQ(UserInterface.Messages[0].Kind, TMsgKind::Error);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            "Wert konnte nicht in die Registrierung eingefügt werden. Fehlercode: 5.\r\n\r\nDas "
            "Ändern des "
            "Autostarteintrages ist nur als Nutzer mit Admin-Rechten möglich. Unter Windows Vista "
            "muss Quorvane "
            "als Admin gestartet werden.");
}

struct TPassCase {
  const char* Name;
  std::vector<std::string> Arguments;
  TStartFlags Expected;
};
std::ostream& operator<<(std::ostream& out, const TPassCase& c) {
  return out << c.Name;
}

class CommandLinePasses : public ::testing::TestWithParam<TPassCase> {};

TEST_P(CommandLinePasses, SetFlags) {
  const TStartFlags flags = ScanCommandLine(GetParam().Arguments);
  const TStartFlags& expected = GetParam().Expected;
  EXPECT_EQ(flags.TerminateAtStart, expected.TerminateAtStart);
  EXPECT_EQ(flags.MultiInstance, expected.MultiInstance);
  EXPECT_EQ(flags.UserAdmin, expected.UserAdmin);
  EXPECT_EQ(flags.Silent, expected.Silent);
  EXPECT_EQ(flags.RemoveBrowserProxies, expected.RemoveBrowserProxies);
  EXPECT_EQ(flags.DeinstallAddOn, expected.DeinstallAddOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLinePasses,
    ::testing::Values(
        TPassCase{"None", {}, {}},
        TPassCase{"Deinstall", {"/Deinstall", "/MULTI"}, {true, false, false, false, true, true}},
        TPassCase{"DeinstallProxy", {"/DeinstallProxy"}, {true, false, false, false, true, false}},
        TPassCase{
            "DeinstallPK", {"/SILENT", "/DeinstallPK"}, {true, false, false, false, false, true}},
        TPassCase{"DeinstallStopsTheScan",
                  {"/Deinstall", "/DeinstallProxy"},
                  {true, false, false, false, true, true}},
        TPassCase{"DeinstallPKIsCaseSensitive", {"/DEINSTALLPK"}, {}},
        TPassCase{"UninstallIsCaseSensitive", {"/deinstall"}, {}},
        TPassCase{"LaterPassesIgnoreCase", {"/multi", "/UserAdmin"}, {false, true, true, false}},
        TPassCase{"SwitchAnywhereInArgument", {"x/silentx"}, {false, false, false, true}}),
    [](const auto& info) { return std::string(info.param.Name); });

class MainSecondInstance : public MainTestBase {};

TEST_F(MainSecondInstance, AsksFirstToRestoreShowsMessageAndEnds) {
  TOnlyOne first(Home.Path() / "runtime");
  ASSERT_TRUE(first.Acquire());
  TMain& main = Start();
  const int restoresAtStart = View.Restores;
  ASSERT_TRUE(first.Listen([&main] { main.RestoreRequested(); }));

  TOnlyOne second(Home.Path() / "runtime");
  TFakeUserInterface secondUser;
  TStartFlags flags;
  std::thread secondInstance([&] { flags = InitializeProgram({}, second, secondUser); });
  EXPECT_TRUE(ProcessEventsUntil([&] { return View.Restores == restoresAtStart + 1; }));
  secondInstance.join();

  EXPECT_TRUE(flags.TerminateAtStart);
  ASSERT_EQ(secondUser.Messages.size(), 1u);
  EXPECT_EQ(secondUser.Messages[0].Text,
            "Quorvane läuft bereits! Nutzen Sie die vorhandene Instanz.");
  EXPECT_EQ(secondUser.Messages[0].Caption, "Fehler");
}

TEST_F(MainSecondInstance, SilentEndsQuietlyAndMultiRuns) {
  TOnlyOne first(Home.Path() / "runtime");
  ASSERT_TRUE(first.Acquire());

  TOnlyOne silent(Home.Path() / "runtime");
  TFakeUserInterface user;
  EXPECT_TRUE(InitializeProgram({"/SILENT"}, silent, user).TerminateAtStart);
  EXPECT_TRUE(user.Messages.empty());

  TOnlyOne multi(Home.Path() / "runtime");
  EXPECT_FALSE(InitializeProgram({"/MULTI"}, multi, user).TerminateAtStart);
  EXPECT_TRUE(user.Messages.empty());
}

TEST_F(MainSecondInstance, LockIsFreeAgainOnceFirstEnds) {
  auto first = std::make_unique<TOnlyOne>(Home.Path() / "runtime");
  ASSERT_TRUE(first->Acquire());
  EXPECT_FALSE(TOnlyOne(Home.Path() / "runtime").Acquire());
  first.reset();
  EXPECT_TRUE(TOnlyOne(Home.Path() / "runtime").Acquire());
  struct stat folder {};
  ASSERT_EQ(::stat((Home.Path() / "runtime").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

} // namespace
