// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Phonebook.h"

#include "TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

struct TPeerCase {
  const char* Label;
  const char* Text;
  const char* Number;
};

class PeerTelephoneNumberTest : public testing::TestWithParam<TPeerCase> {};

TEST_P(PeerTelephoneNumberTest, ReadsTheNumberTheConnectScriptDials) {
  EXPECT_EQ(PeerTelephoneNumber(GetParam().Text), GetParam().Number);
}

INSTANTIATE_TEST_SUITE_P(
    Phonebook, PeerTelephoneNumberTest,
    testing::Values(
        TPeerCase{"ChatOption", "connect \"/usr/sbin/chat -v -f /etc/chatscripts/pap -T *99#\"\n",
                  "*99#"},
        TPeerCase{"ChatOptionJoined", "connect '/usr/sbin/chat -f script -T0191011'\n", "0191011"},
        TPeerCase{"ChatOptionQuotedWithBlanks", "connect \"/usr/sbin/chat -f s -T '030 123 45'\"\n",
                  "03012345"},
        TPeerCase{"DialCommandTone", "connect 'chat \"\" ATDT0301234567 CONNECT \"\"'\n",
                  "0301234567"},
        TPeerCase{"DialCommandPulseLowerCase", "connect 'chat \"\" atdp0301234 CONNECT'\n",
                  "0301234"},
        TPeerCase{"DialCommandNumberAsNextWord", "connect 'chat \"\" ATD \"*99#\" CONNECT'\n",
                  "*99#"},
        TPeerCase{"ChatOptionWinsOverDialCommand",
                  "connect 'chat -T 0800 \"\" ATDT\\\\T CONNECT'\n", "0800"},
        TPeerCase{"ConnectInAComment", "# connect 'chat -T 0800'\nnoauth\n", ""},
        TPeerCase{"ScriptFromFileOnly", "connect \"/usr/sbin/chat -v -f /etc/chatscripts/gprs\"\n",
                  ""},
        TPeerCase{"ConnectWithoutScript", "noauth\nconnect\n", ""}, TPeerCase{"EmptyFile", "", ""},
        TPeerCase{"UnclosedQuote", "connect \"chat -T 0301", "0301"},
        TPeerCase{"OtherOptionsAround",
                  "hide-password\nnoauth\nconnect \"chat -T 555\"  # dial the office\n"
                  "/dev/ttyUSB0\n115200\ndefaultroute\n",
                  "555"}),
    [](const testing::TestParamInfo<TPeerCase>& info) { return std::string(info.param.Label); });

class PhonebookFolder : public testing::Test {
protected:
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(FFolder / name) << text;
  }
  TTempFolder FFolder;
};

TEST_F(PhonebookFolder, ListsPeerFilesInNameOrderWithTheirNumberOrTheirName) {
  Write("t-online", "connect 'chat -T 0191011'\n");
  Write("arcor", "noauth\n");
  Write(".hidden", "connect 'chat -T 1'\n");
  Write("arcor~", "connect 'chat -T 2'\n");
  std::filesystem::create_directory(FFolder / "subfolder");

  EXPECT_EQ(ReadPhonebook(FFolder.Path()),
            (std::vector<TPhonebookEntry>{{"arcor", "arcor"}, {"t-online", "0191011"}}));
}

TEST_F(PhonebookFolder, KeepsTheFirstHundredEntries) {
  for (int i = 0; i < 105; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "peer%03d", i);
    Write(name, "");
  }
  const auto entries = ReadPhonebook(FFolder.Path());
  ASSERT_EQ(entries.size(), MaxPhonebookEntries);
  EXPECT_EQ(entries.front().Name, "peer000");
  EXPECT_EQ(entries.back().Name, "peer099");
}

TEST_F(PhonebookFolder, OversizedFileFallsBackToTheName) {
  Write("huge", "connect 'chat -T 1'\n" + std::string(70 * 1024, '#'));
  EXPECT_EQ(ReadPhonebook(FFolder.Path()), (std::vector<TPhonebookEntry>{{"huge", "huge"}}));
}

TEST(Phonebook, MissingFolderIsEmpty) {
  TTempFolder folder;
  EXPECT_TRUE(ReadPhonebook(folder / "absent").empty());
}

TEST(Phonebook, FolderComesFromTheEnvironmentElseTheSystemPeers) {
  TScopedEnvironment environment;
  environment.Set("QUORVANE_PPP_PEERS", "/tmp/peers-here");
  EXPECT_EQ(PppPeersFolder(), std::filesystem::path("/tmp/peers-here"));
  environment.Set("QUORVANE_PPP_PEERS", "");
  EXPECT_EQ(PppPeersFolder(), std::filesystem::path("/etc/ppp/peers"));
  environment.Unset("QUORVANE_PPP_PEERS");
  EXPECT_EQ(PppPeersFolder(), std::filesystem::path("/etc/ppp/peers"));
}

} // namespace
