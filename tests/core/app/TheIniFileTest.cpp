// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TheIniFile.h"

#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "common/IniText.h"
#include "platform/ProgramFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(IniText, ReadsValuesIgnoringCaseBlanksAndQuotes) {
  const TIniText text("; comment=1\n[User Prefs]\nProxy = 127.0.0.1:8080 \r\nQuoted=\"a "
                      "b\"\n;Hidden=1\n[Other]\nProxy=no\n");
  EXPECT_EQ(text.ReadString("user prefs", "PROXY", "d"), "127.0.0.1:8080");
  EXPECT_EQ(text.ReadString("User Prefs", "Quoted", "d"), "a b");
  EXPECT_EQ(text.ReadString("User Prefs", "Hidden", "d"), "d");
  EXPECT_EQ(text.ReadString("Other", "Proxy", "d"), "no");
  EXPECT_EQ(text.ReadString("Missing", "Proxy", "d"), "d");
}

TEST(IniText, WritingChangesOneLineAndKeepsAllOthers) {
  struct WriteCase {
    const char* Name;
    const char* Before;
    const char* Section;
    const char* Key;
    const char* Value;
    const char* After;
  };
  for (const WriteCase& c : std::vector<WriteCase>{
           {"replace keeps key spelling and line ending",
            "; top\r\n[Proxy]\r\nHTTP server = old\r\nOther=1\r\n", "proxy", "http SERVER", "new",
            "; top\r\n[Proxy]\r\nHTTP server =new\r\nOther=1\r\n"},
           {"new key goes after the section's last entry", "[A]\nx=1\n\n[B]\ny=2\n", "A", "z", "3",
            "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
           {"new section is appended", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
           {"empty file", "", "A", "x", "1", "[A]\nx=1\n"},
           {"section at the end without newline", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
       }) {
    TIniText text(c.Before);
    ASSERT_TRUE(text.WriteString(c.Section, c.Key, c.Value)) << c.Name;
    EXPECT_EQ(text.Text(), c.After) << c.Name;
  }
}

TEST(IniText, RefusesNamesAndValuesThatWouldBreakLines) {
  TIniText text("[A]\nx=1\n");
  EXPECT_FALSE(text.WriteString("A", "x", "1\n[Evil]"));
  EXPECT_FALSE(text.WriteString("A", "a=b", "1"));
  EXPECT_FALSE(text.WriteString("A]", "x", "1"));
  EXPECT_FALSE(text.WriteString("A", " ", "1"));
  EXPECT_EQ(text.Text(), "[A]\nx=1\n");
}

class TheIniFileTest : public ::testing::Test {
protected:
  TheIniFileTest() {
    File.SetIniLocation(TIniLocation::loUser);
    File.SetSection("Proxy");
  }
  void OpenFile(const std::string& content, const std::string& name = "opera6.ini") {
    std::ofstream(Folder / name) << content;
    File.SetIniFileName((Folder / name).string());
    File.SetOpen(true);
    ASSERT_EQ(File.ErrorCode(), 0);
  }

  TTempFolder Folder;
  TFakeUserInterface Ui;
  TTheIniFile File{Ui};
};

TEST_F(TheIniFileTest, ResolvesThePathByLocation) {
  File.SetIniFileName("a.ini");
  File.SetDefFilePath(Folder.Path().string());
  EXPECT_EQ(File.DefFilePath(), Folder.Path().string() + "/");
  File.SetIniLocation(TIniLocation::loDefUser);
  File.SetOpen(true);
  EXPECT_EQ(File.FilePath(), (Folder / "a.ini").string());
  // Opening only tried whether the file can be made; it leaves none behind.
  EXPECT_FALSE(std::filesystem::exists(Folder / "a.ini"));

  File.SetIniLocation(TIniLocation::loProgDir);
  File.SetOpen(true);
  EXPECT_EQ(File.FilePath(), ProgramFolder() + "a.ini");
  File.SetIniLocation(TIniLocation::loWinDir);
  File.SetOpen(true);
  EXPECT_EQ(File.FilePath(), "/etc/a.ini");
}

TEST_F(TheIniFileTest, ReadsAndWritesKeepingTheRestOfTheFile) {
  OpenFile("; Opera\r\n[Proxy]\r\nHTTP server=old\r\n\r\n[User Prefs]\r\nX=1\r\n");
  EXPECT_EQ(File.ReadString("HTTP server", "d"), "old");
  File.WriteString("HTTP server", "127.0.0.1:8080");
  EXPECT_EQ(File.ErrorCode(), 0);
  File.WriteString("Use HTTP", "1");
  EXPECT_EQ(ReadFile(File.FilePath()), "; Opera\r\n[Proxy]\r\nHTTP server=127.0.0.1:8080\r\nUse "
                                       "HTTP=1\r\n\r\n[User Prefs]\r\nX=1\r\n");
  // Nothing but the file itself remains in the folder: the write went through a
  // temporary file that was renamed.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 1);
}

TEST_F(TheIniFileTest, WritingKeepsTheFilesMode) {
  OpenFile("[Proxy]\n");
  chmod(File.FilePath().c_str(), 0600);
  File.WriteString("k", "v");
  struct stat info {};
  stat(File.FilePath().c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(TheIniFileTest, MissingKeyAndTheSentinelTextReadAsMissing) {
  OpenFile("[Proxy]\nStored=INIERROR\nEmpty=\n");
  EXPECT_EQ(File.ReadString("Stored", "default"), "default");
  EXPECT_EQ(File.ErrorCode(), IniKeyMissing);
  EXPECT_EQ(File.ReadString("Absent", "default"), "default");
  EXPECT_EQ(File.ErrorCode(), IniKeyMissing);
  EXPECT_EQ(File.ReadString("Empty", "default"), "");
  EXPECT_EQ(File.ErrorCode(), 0);
}

TEST_F(TheIniFileTest, AReadOnlyFileIsMadeWritableOnOpen) {
  std::ofstream(Folder / "ro.ini") << "[Proxy]\nx=1\n";
  chmod((Folder / "ro.ini").c_str(), 0444);
  File.SetIniFileName((Folder / "ro.ini").string());
  File.SetOpen(true);
  EXPECT_TRUE(File.Open());
  EXPECT_EQ(File.ErrorCode(), 0);
  struct stat info {};
  stat((Folder / "ro.ini").c_str(), &info);
  EXPECT_NE(info.st_mode & S_IWUSR, 0u);
}

TEST_F(TheIniFileTest, AReadOnlyFileThatCannotBeChangedReportsWriteProtection) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to hand the file to another user";
  // A file of root's, opened by an ordinary user who may not change its mode.
  std::filesystem::permissions(Folder.Path(), std::filesystem::perms::all);
  const auto path = Folder / "locked.ini";
  std::ofstream(path) << "[Proxy]\n";
  chmod(path.c_str(), 0444);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0)
      _exit(10);
    TFakeUserInterface ui;
    TTheIniFile file(ui);
    file.SetIniLocation(TIniLocation::loUser);
    file.SetIniFileName(path.string());
    file.SetOpen(true);
    const bool reported =
        file.ErrorCode() == IniWriteProtected && !file.Open() && ui.Messages.size() == 1 &&
        ui.Messages[0].Text == "Kann Schreibschutz von " + path.string() + " nicht entfernen!";
    _exit(reported ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(TheIniFileTest, AFolderThatTakesNoFileReportsTheSystemError) {
  File.SetIniFileName((Folder / "no-such-folder" / "a.ini").string());
  File.SetOpen(true);
  EXPECT_FALSE(File.Open());
  EXPECT_EQ(File.ErrorCode(), ENOENT);
}

TEST_F(TheIniFileTest, WithoutFileNameSectionOrOpenFileTheGuardMessageShows) {
  File.ReadString("k", "d");
  OpenFile("[Proxy]\nk=v\n");
  File.SetSection("");
  File.WriteString("k", "x");
  EXPECT_NE(File.ErrorCode(), 0);
  File.SetSection("Proxy");
  File.SetIniFileName("other.ini"); // closes the file
  EXPECT_FALSE(File.Open());
  EXPECT_EQ(File.ReadString("k", "d"), "d");
  ASSERT_EQ(Ui.Messages.size(), 3u);
  for (const auto& message : Ui.Messages)
    EXPECT_EQ(message.Text, "Bitte Dateiname angeben.");
  EXPECT_EQ(ReadFile(Folder / "opera6.ini"), "[Proxy]\nk=v\n");
}

TEST_F(TheIniFileTest, ValuesThatWouldBreakTheFileAreRefused) {
  OpenFile("[Proxy]\nk=v\n");
  File.WriteString("k", "a\nb");
  EXPECT_EQ(File.ErrorCode(), EINVAL);
  EXPECT_EQ(ReadFile(Folder / "opera6.ini"), "[Proxy]\nk=v\n");
}

} // namespace
