// SPDX-License-Identifier: GPL-3.0-or-later
// Round trips through the quorvane-reg program, run as users and scripts run it.
#include "FakeUserInterface.h"
#include "TempFolder.h"
#include "app/RegistrySettingsUnit.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/wait.h>

namespace {

struct TRun {
  int ExitCode;
  std::string Output;
  std::string Errors;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Quoted(const std::string& argument) {
  std::string quoted = "'";
  for (const char c : argument)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class QuorvaneRegTest : public ::testing::Test {
protected:
  // Runs the program against this test's registry folder (the environment
  // variable is inherited) and answers its questions with input.
  TRun Reg(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::ofstream(Home.Path() / "in") << input;
    std::string command = Quoted(QUORVANE_REG_PATH);
    for (const std::string& argument : arguments)
      command += " " + Quoted(argument);
    command += " <" + Quoted((Home.Path() / "in").string()) + " >" +
               Quoted((Home.Path() / "out").string()) + " 2>" +
               Quoted((Home.Path() / "err").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(Home.Path() / "out"),
            ReadFile(Home.Path() / "err")};
  }

  TTestHome Home;
};

TEST_F(QuorvaneRegTest, AddedValuesOfEachTypeQueryBack) {
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Test", "/v", "Name", "/d", "Grüße \"quoted\""}).ExitCode,
            0);
  EXPECT_EQ(
      Reg({"add", "HKCU\\Software\\Test", "/v", "Hex", "/t", "REG_DWORD", "/d", "0x1F"}).ExitCode,
      0);
  EXPECT_EQ(
      Reg({"add", "hkey_current_user\\software\\test", "/v", "Dec", "/t", "reg_dword", "/d", "31"})
          .ExitCode,
      0);
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Test", "/v", "Bin", "/t", "REG_BINARY", "/d", "00ff10"})
                .ExitCode,
            0);
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Test\\Sub"}).ExitCode, 0);

  const TRun query = Reg({"query", "HKCU\\Software\\Test"});
  EXPECT_EQ(query.ExitCode, 0);
  EXPECT_EQ(query.Output, "\nHKEY_CURRENT_USER\\Software\\Test\n"
                          "    Name    REG_SZ    Grüße \"quoted\"\n"
                          "    Hex    REG_DWORD    0x1f\n"
                          "    Dec    REG_DWORD    0x1f\n"
                          "    Bin    REG_BINARY    00FF10\n"
                          "\nHKEY_CURRENT_USER\\Software\\Test\\Sub\n\n");

  const TRun one = Reg({"query", "HKCU\\Software\\Test", "/v", "name"});
  EXPECT_EQ(one.Output,
            "\nHKEY_CURRENT_USER\\Software\\Test\n    name    REG_SZ    Grüße \"quoted\"\n\n");
}

TEST_F(QuorvaneRegTest, RecursiveQueryShowsEveryKeyWithItsValues) {
  Reg({"add", "HKLM\\A\\B", "/v", "x", "/d", "1"});
  Reg({"add", "HKLM\\A", "/v", "y", "/d", "2"});
  EXPECT_EQ(Reg({"query", "HKLM\\A", "/s"}).Output,
            "\nHKEY_LOCAL_MACHINE\\A\n    y    REG_SZ    2\n"
            "\nHKEY_LOCAL_MACHINE\\A\\B\n    x    REG_SZ    1\n\n");
}

TEST_F(QuorvaneRegTest, OverwritingAsksUnlessForced) {
  Reg({"add", "HKCU\\K", "/v", "V", "/d", "old"});
  const TRun refused = Reg({"add", "HKCU\\K", "/v", "V", "/d", "new"}, "no\n");
  EXPECT_NE(refused.ExitCode, 0);
  EXPECT_NE(refused.Output.find("Value V exists, overwrite (Yes/No)?"), std::string::npos);
  EXPECT_NE(refused.Errors.find("cancelled"), std::string::npos);
  EXPECT_NE(Reg({"query", "HKCU\\K", "/v", "V"}).Output.find("old"), std::string::npos);

  EXPECT_EQ(Reg({"add", "HKCU\\K", "/v", "V", "/d", "new"}, "yes\n").ExitCode, 0);
  EXPECT_NE(Reg({"query", "HKCU\\K", "/v", "V"}).Output.find("new"), std::string::npos);
  EXPECT_EQ(Reg({"add", "HKCU\\K", "/v", "V", "/d", "forced", "/f"}).ExitCode, 0);
  EXPECT_NE(Reg({"query", "HKCU\\K", "/v", "V"}).Output.find("forced"), std::string::npos);
}

TEST_F(QuorvaneRegTest, DeleteRemovesAValueOrAWholeKey) {
  Reg({"add", "HKCU\\K\\Sub", "/v", "a", "/d", "1"});
  Reg({"add", "HKCU\\K\\Sub", "/v", "b", "/d", "2"});
  EXPECT_EQ(Reg({"delete", "HKCU\\K\\Sub", "/v", "a", "/f"}).ExitCode, 0);
  EXPECT_EQ(Reg({"query", "HKCU\\K\\Sub"}).Output,
            "\nHKEY_CURRENT_USER\\K\\Sub\n    b    REG_SZ    2\n\n");

  EXPECT_NE(Reg({"delete", "HKCU\\K"}, "n\n").ExitCode, 0);
  EXPECT_EQ(Reg({"query", "HKCU\\K\\Sub"}).ExitCode, 0);
  EXPECT_EQ(Reg({"delete", "HKCU\\K"}, "y\n").ExitCode, 0);
  const TRun gone = Reg({"query", "HKCU\\K\\Sub"});
  EXPECT_EQ(gone.ExitCode, 1);
  EXPECT_EQ(gone.Errors,
            "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST_F(QuorvaneRegTest, BadInputIsRefusedWithAClearErrorAndChangesNothing) {
  struct ErrorCase {
    std::vector<std::string> Arguments;
    const char* Message;
  };
  for (const ErrorCase& c : std::vector<ErrorCase>{
           {{}, "ERROR: no command given"},
           {{"frobnicate", "HKCU\\K"}, "ERROR: Invalid syntax: unknown command frobnicate"},
           {{"query"}, "ERROR: Invalid syntax: query needs one KEY"},
           {{"query", "HKXX\\K"}, "ERROR: Invalid key name: HKXX\\K"},
           {{"query", "HKCU\\K", "/q"}, "ERROR: Invalid syntax: unknown option /q"},
           {{"add", "HKCU\\K", "/v"}, "ERROR: Invalid syntax: /v needs a value"},
           {{"add", "HKCU\\K", "/v", "V", "/t", "REG_DWORD", "/d", "4294967296"},
            "ERROR: Invalid value for REG_DWORD"},
           {{"add", "HKCU\\K", "/v", "V", "/t", "REG_DWORD", "/d", "12x"},
            "ERROR: Invalid value for REG_DWORD"},
           {{"add", "HKCU\\K", "/v", "V", "/t", "REG_BINARY", "/d", "abc"},
            "ERROR: Invalid value for REG_BINARY"},
           {{"add", "HKCU\\K", "/v", "V", "/t", "REG_BINARY", "/d", "zz"},
            "ERROR: Invalid value for REG_BINARY"},
           {{"add", "HKCU\\K", "/v", "V", "/t", "REG_MULTI_SZ", "/d", "a"},
            "ERROR: Invalid type REG_MULTI_SZ"},
           {{"add", "HKCU\\K", "/d", "a"}, "ERROR: Invalid syntax: /t and /d need /v NAME"},
           {{"add", "HKCU\\K\\\\L", "/v", "V", "/d", "a"}, "ERROR: Invalid key or value name."},
           {{"delete", "HKCU\\Missing", "/f"}, "ERROR: The system was unable to find"},
           {{"export", "HKCU\\K"}, "ERROR: Invalid syntax: export needs KEY and FILE"},
       }) {
    const TRun run = Reg(c.Arguments);
    const std::string name = ::testing::PrintToString(c.Arguments);
    EXPECT_EQ(run.ExitCode, 1) << name;
    EXPECT_EQ(run.Errors.rfind(c.Message, 0), 0u) << name << ": " << run.Errors;
  }
  EXPECT_EQ(Reg({"query", "HKCU\\K"}).ExitCode, 1);
}

TEST_F(QuorvaneRegTest, ExportWritesTheRegTextOfTheTree) {
  Reg({"add", "HKCU\\Software\\T", "/v", "Path", "/d", "C:\\x \"y\""});
  Reg({"add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "5"});
  Reg({"add", "HKCU\\Software\\T\\Sub", "/v", "B", "/t", "REG_BINARY", "/d", "01FF"});
  const auto file = Home.Path() / "t.reg";
  EXPECT_EQ(Reg({"export", "HKCU\\Software\\T", file.string()}).ExitCode, 0);
  EXPECT_EQ(ReadFile(file), "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\T]\r\n"
                            "\"Path\"=\"C:\\\\x \\\"y\\\"\"\r\n"
                            "\"N\"=dword:00000005\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\T\\Sub]\r\n"
                            "\"B\"=hex:01,ff\r\n\r\n");

  std::ofstream(file) << "mine";
  EXPECT_NE(Reg({"export", "HKCU\\Software\\T", file.string()}, "no\n").ExitCode, 0);
  EXPECT_EQ(ReadFile(file), "mine");
  EXPECT_EQ(Reg({"export", "HKCU\\Software\\T", file.string(), "/y"}).ExitCode, 0);
  EXPECT_NE(ReadFile(file), "mine");
}

TEST_F(QuorvaneRegTest, SettingsWrittenByTheToolAreWhatTheProgramLoads) {
  const std::string main = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Main";
  Reg({"add", main, "/v", "ProxyPort", "/d", "3128"});
  Reg({"add", main, "/v", "FirstStart", "/d", "0"});
  TRegistry registry(TRegistryLocations::FromEnvironment());
  TFakeUserInterface ui;
  TRegistrySettings settings(registry, ui, (Home.Path() / "program/").string());
  settings.Load();
  EXPECT_EQ(settings.ProxyPort, 3128);
  EXPECT_FALSE(settings.FirstStart);
  settings.ProxyPort = 8118;
  settings.Save();
  EXPECT_NE(Reg({"query", main, "/v", "ProxyPort"}).Output.find("REG_SZ    8118"),
            std::string::npos);
}

} // namespace
