// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a desktop installs it: the tree of `make install`, and the Debian
// package built from it, unpacked and run from a scratch folder. One installation
// and one package serve the whole suite; building them is the slow part.
#include "E2ETest.h"
#include "app/AutoStrt.h"
#include "app/HeadlessUnit.h"

#include <csignal>
#include <gmock/gmock.h>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

namespace e2e {
namespace {

using ::testing::HasSubstr;

constexpr auto CommandTimeout = std::chrono::minutes(4);
constexpr auto RunTimeout = std::chrono::seconds(15);

struct TCommandResult {
  std::optional<TExitStatus> Exit;
  std::string Out;
  std::string Err;
  bool Succeeded() const { return Exit && Exit->Exited && Exit->Code == 0; }
  std::string Describe() const {
    return (Exit ? Exit->Describe() : std::string("did not end in time")) + "\nstdout:\n" + Out +
           "\nstderr:\n" + Err;
  }
};

// A program named without a folder, looked up on PATH as a shell would.
std::string OnPath(const std::string& program) {
  if (program.find('/') != std::string::npos)
    return program;
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate.string();
  }
  return program;
}

// Runs a command to its end (bounded), output kept in files below folder.
TCommandResult RunCommand(const std::filesystem::path& folder, std::vector<std::string> argv,
                          std::vector<std::string> environment = {},
                          std::chrono::milliseconds timeout = CommandTimeout) {
  static unsigned counter = 0;
  const std::string stem = "command-" + std::to_string(++counter);
  argv[0] = OnPath(argv[0]);
  TChildProcess child({.Argv = std::move(argv),
                       .SetEnv = std::move(environment),
                       .StdoutPath = folder / (stem + ".out"),
                       .StderrPath = folder / (stem + ".err")});
  TCommandResult result;
  result.Exit = child.WaitExit(timeout);
  if (!result.Exit)
    child.Stop(SIGKILL);
  result.Out = child.ReadStdout();
  result.Err = child.ReadStderr();
  return result;
}

// The switches a usage text names: "--name" options and "/NAME" switches; what
// comes before the word "usage" (the complaint that brought it up) is left out.
std::set<std::string> SwitchesOf(std::string usage) {
  const std::size_t start = std::min(usage.find("usage"), usage.find("Usage"));
  usage = start == std::string::npos ? std::string() : usage.substr(start);
  std::set<std::string> switches;
  const std::regex pattern(R"((?:^|[\s\[|])(--[a-z][a-z-]*|/[A-Za-z]+))");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    switches.insert((*it)[1].str());
  }
  return switches;
}

// A man page writes "-" as "\-".
std::string RoffText(const std::string& text) {
  std::string roff;
  for (const char c : text) {
    if (c == '-')
      roff += "\\-";
    else
      roff += c;
  }
  return roff;
}

class PackageE2E : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Scratch = std::make_unique<TTempFolder>();
    const std::filesystem::path build = QUORVANE_BUILD_DIR;
    Install =
        RunCommand(Scratch->Path(), {"cmake", "--install", build.string(), "--prefix", "/usr"},
                   {"DESTDIR=" + (Scratch->Path() / "installed").string()});
    Package = RunCommand(Scratch->Path(),
                         {"cpack", "-G", "DEB", "--config", (build / "CPackConfig.cmake").string(),
                          "-B", (Scratch->Path() / "package").string()});
    for (const auto& entry : std::filesystem::directory_iterator(Scratch->Path() / "package")) {
      if (entry.path().extension() == ".deb")
        Deb = entry.path();
    }
    if (!Deb.empty()) {
      Unpacked = RunCommand(Scratch->Path(),
                            {"dpkg", "-x", Deb.string(), (Scratch->Path() / "unpacked").string()});
    }
  }
  static void TearDownTestSuite() { Scratch.reset(); }

  void SetUp() override {
    ASSERT_TRUE(Install.Succeeded()) << Install.Describe();
    ASSERT_TRUE(Package.Succeeded()) << Package.Describe();
    ASSERT_FALSE(Deb.empty()) << Package.Describe();
    ASSERT_TRUE(Unpacked.Succeeded()) << Unpacked.Describe();
  }

  static std::filesystem::path Installed() { return Scratch->Path() / "installed/usr"; }
  static std::filesystem::path UnpackedUsr() { return Scratch->Path() / "unpacked/usr"; }

  // A fresh home for one run of the programs.
  std::vector<std::string> FreshHome(const std::string& name) {
    const std::filesystem::path home = Scratch->Path() / ("home-" + name);
    for (const char* sub : {"config", "data", "runtime", "registry"})
      std::filesystem::create_directories(home / sub);
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    return {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_DATA_HOME=" + (home / "data").string(),
            "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (home / "registry").string()};
  }

  static inline std::unique_ptr<TTempFolder> Scratch;
  static inline TCommandResult Install;
  static inline TCommandResult Package;
  static inline TCommandResult Unpacked;
  static inline std::filesystem::path Deb;
};

TEST_F(PackageE2E, InstallPutsEveryFileInItsStandardPlace) {
  for (const char* path :
       {"bin/quorvane", "bin/quorvane-reg", "share/applications/quorvane.desktop",
        "share/icons/hicolor/scalable/apps/quorvane.svg",
        "share/icons/hicolor/16x16/apps/quorvane.png",
        "share/icons/hicolor/48x48/apps/quorvane.png",
        "share/icons/hicolor/256x256/apps/quorvane.png", "share/man/man1/quorvane.1.gz",
        "share/man/man1/quorvane-reg.1.gz", "lib/systemd/user/quorvane.service",
        "share/doc/quorvane/copyright", "share/doc/quorvane/changelog.gz",
        "share/doc/quorvane/help/index.html", "share/doc/quorvane/help/muell.html",
        "share/doc/quorvane/help/hilfe.css"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(Installed() / path)) << path;
  }
}

TEST_F(PackageE2E, MenuEntryAndAutostartEntryValidate) {
  const TCommandResult menu =
      RunCommand(Scratch->Path(), {"desktop-file-validate",
                                   (Installed() / "share/applications/quorvane.desktop").string()});
  EXPECT_TRUE(menu.Succeeded()) << menu.Describe();
  EXPECT_EQ(menu.Out + menu.Err, "");

  // The entry the autostart check box writes starts the installed program.
  const std::filesystem::path autostart = Scratch->Path() / "autostart";
  std::ostringstream errors;
  THeadlessUserInterface userInterface(errors);
  const TAutoStart entry(autostart, "/usr/bin/quorvane");
  ASSERT_TRUE(entry.Add(userInterface)) << errors.str();
  const TCommandResult validated =
      RunCommand(Scratch->Path(), {"desktop-file-validate", entry.EntryPath().string()});
  EXPECT_TRUE(validated.Succeeded()) << validated.Describe();
  EXPECT_EQ(validated.Out + validated.Err, "");
  EXPECT_THAT(ReadFileOrEmpty(entry.EntryPath()), HasSubstr("\nExec=/usr/bin/quorvane\n"));
}

TEST_F(PackageE2E, UserUnitRunsTheInstalledProgramHeadless) {
  const std::string unit = ReadFileOrEmpty(Installed() / "lib/systemd/user/quorvane.service");
  EXPECT_THAT(unit, HasSubstr("\nExecStart=/usr/bin/quorvane --headless\n"));
  EXPECT_THAT(unit, HasSubstr("\nWantedBy=default.target\n"));
}

TEST_F(PackageE2E, ManPagesNameEverySwitchOfTheUsage) {
  const TCommandResult usage =
      RunCommand(Scratch->Path(), {(Installed() / "bin/quorvane").string(), "--no-such-option"});
  const TCommandResult regUsage =
      RunCommand(Scratch->Path(), {(Installed() / "bin/quorvane-reg").string()});
  struct TPage {
    const char* File;
    std::string Usage;
  };
  for (const TPage& page : {TPage{"quorvane.1.gz", usage.Err},
                            TPage{"quorvane-reg.1.gz", regUsage.Out + regUsage.Err}}) {
    const TCommandResult text = RunCommand(
        Scratch->Path(), {"gzip", "-dc", (Installed() / "share/man/man1" / page.File).string()});
    ASSERT_TRUE(text.Succeeded()) << text.Describe();
    const std::set<std::string> switches = SwitchesOf(page.Usage);
    EXPECT_GE(switches.size(), 5U) << page.Usage;
    for (const std::string& option : switches) {
      EXPECT_THAT(text.Out, HasSubstr(RoffText(option))) << page.File << " lacks " << option;
    }
  }
}

TEST_F(PackageE2E, LintianReportsNoErrors) {
  const TCommandResult lintian =
      RunCommand(Scratch->Path(), {"lintian", "--fail-on", "error", Deb.string()});
  EXPECT_TRUE(lintian.Succeeded()) << lintian.Describe();
  std::cout << "lintian: " << lintian.Out << lintian.Err;
}

TEST_F(PackageE2E, PackageDeclaresTheLibrariesItLinks) {
  const TCommandResult depends =
      RunCommand(Scratch->Path(), {"dpkg-deb", "-f", Deb.string(), "Depends"});
  ASSERT_TRUE(depends.Succeeded()) << depends.Describe();
  for (const char* library :
       {"libc6", "libqt6core6", "libqt6widgets6", "libsqlite3-0", "libcurl4", "libssl3"}) {
    EXPECT_THAT(depends.Out, HasSubstr(library));
  }
}

TEST_F(PackageE2E, PackageBinariesAreStripped) {
  for (const char* program : {"bin/quorvane", "bin/quorvane-reg"}) {
    const TCommandResult sections =
        RunCommand(Scratch->Path(), {"readelf", "-S", (UnpackedUsr() / program).string()});
    ASSERT_TRUE(sections.Succeeded()) << sections.Describe();
    EXPECT_THAT(sections.Out, ::testing::Not(HasSubstr(".symtab"))) << program;
    EXPECT_THAT(sections.Out, ::testing::Not(HasSubstr(".debug_info"))) << program;
  }
}

TEST_F(PackageE2E, UnpackedProgramsRunFromTheScratchFolder) {
  const std::vector<std::string> home = FreshHome("unpacked");
  const std::uint16_t port = FreePort();
  TChildProcess proxy({.Argv = {(UnpackedUsr() / "bin/quorvane").string(), "--headless", "--port",
                                std::to_string(port)},
                       .SetEnv = home,
                       .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                       .StdoutPath = Scratch->Path() / "unpacked.out",
                       .StderrPath = Scratch->Path() / "unpacked.err"});
  ASSERT_TRUE(WaitForPort(port, RunTimeout, [&] { return proxy.Running(); })) << proxy.ReadStderr();
  const TExitStatus stopped = proxy.Stop(SIGTERM, RunTimeout);
  EXPECT_TRUE(stopped.Exited && stopped.Code == 0) << stopped.Describe();
  EXPECT_THAT(proxy.ReadStdout(), HasSubstr("Proxy-Server am Port " + std::to_string(port)));

  const TCommandResult reg =
      RunCommand(Scratch->Path(),
                 {(UnpackedUsr() / "bin/quorvane-reg").string(), "query",
                  "HKCU\\Software\\Torvimsk Software\\Quorvane\\Main", "/v", "FirstStart"},
                 home);
  EXPECT_TRUE(reg.Succeeded()) << reg.Describe();
  EXPECT_THAT(reg.Out, HasSubstr("FirstStart"));
}

} // namespace
} // namespace e2e
