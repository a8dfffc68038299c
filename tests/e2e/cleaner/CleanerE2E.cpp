// SPDX-License-Identifier: GPL-3.0-or-later
#include "CleanerE2E.h"

#include <sqlite3.h>

namespace e2e {

std::vector<std::string> TCleanerE2E::Environment() {
  for (const char* sub : {".config", ".local/share", ".cache", "runtime", "registry"})
    std::filesystem::create_directories(Home() / sub);
  std::filesystem::permissions(Home() / "runtime", std::filesystem::perms::owner_all);
  return {"HOME=" + Home().string(),
          "XDG_CONFIG_HOME=" + ConfigHome().string(),
          "XDG_DATA_HOME=" + (Home() / ".local/share").string(),
          "XDG_CACHE_HOME=" + (Home() / ".cache").string(),
          "XDG_RUNTIME_DIR=" + (Home() / "runtime").string(),
          "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string(),
          "QT_QPA_PLATFORM=offscreen"};
}

std::uint16_t TCleanerE2E::StartSites() {
  const std::uint16_t origin = FreePort();
  TChildProcess& server =
      Spawn({.Argv = {"/usr/bin/python3", QUORVANE_E2E_COOKIE_ORIGIN, "--port",
                      std::to_string(origin), "--log", (Folder / "origin.log").string()},
             .StderrPath = Folder / "origin.stderr"});
  EXPECT_TRUE(WaitForPort(origin, std::chrono::seconds(10), [&] { return server.Running(); }))
      << ReadFileOrEmpty(Folder / "origin.stderr");
  const std::uint16_t port = FreePort();
  TChildProcess& program = StartProgram(
      {"--port", std::to_string(port), "--upstream", "127.0.0.1:" + std::to_string(origin)}, port);
  EXPECT_TRUE(WaitForPort(port, std::chrono::seconds(10), [&] { return program.Running(); }))
      << program.ReadStderr();
  return port;
}

TChildProcess& TCleanerE2E::StartProgram(const std::vector<std::string>& args, std::uint16_t port) {
  TSpawnOptions options{.Argv = {QuorvaneBinary().string(), "--headless"},
                        .SetEnv = Environment(),
                        .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                        .StdoutPath = Folder.UniquePath("program-" + std::to_string(port)),
                        .StderrPath = Folder.UniquePath("program-err")};
  options.Argv.insert(options.Argv.end(), args.begin(), args.end());
  return Spawn(options);
}

bool TCleanerE2E::RunToEnd(TSpawnOptions options, const std::string& what) {
  std::vector<std::string> environment = Environment();
  options.SetEnv.insert(options.SetEnv.begin(), environment.begin(), environment.end());
  if (options.StdoutPath.empty())
    options.StdoutPath = Folder.UniquePath(what + "-out");
  if (options.StderrPath.empty())
    options.StderrPath = Folder.UniquePath(what + "-err");
  TChildProcess& child = Spawn(options);
  const auto exit = child.WaitExit(CleanerBrowserTimeout);
  if (!exit) {
    child.Stop(SIGKILL);
    ADD_FAILURE() << what << " did not end in time; its errors: " << child.ReadStderr();
    return false;
  }
  // A browser's helpers linger a moment after it returns.
  child.Stop();
  if (!exit->Exited || exit->Code != 0) {
    ADD_FAILURE() << what << " " << exit->Describe() << "; its errors: " << child.ReadStderr();
    return false;
  }
  return true;
}

void TCleanerE2E::SetOptions(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    RunToEnd({.Argv = {QUORVANE_REG_BINARY, "add", DestroyerKey, "/v", name, "/d", "1", "/f"}},
             "quorvane-reg");
  }
}

void TCleanerE2E::KeepCookies(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    RunToEnd(
        {.Argv = {QUORVANE_REG_BINARY, "add", std::string(DestroyerKey) + "\\DontDeleteCookies",
                  "/v", std::to_string(i), "/d", names[i], "/f"}},
        "quorvane-reg");
  }
}

std::string TCleanerE2E::RunProgram(const std::vector<std::string>& args) {
  TSpawnOptions options{.Argv = {QuorvaneBinary().string()}};
  options.Argv.insert(options.Argv.end(), args.begin(), args.end());
  const auto output = Folder.UniquePath("program-output");
  options.StdoutPath = output;
  RunToEnd(options, "quorvane");
  return ReadFileOrEmpty(output);
}

std::vector<std::string> QueryDatabase(const std::filesystem::path& file, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* database = nullptr;
  if (sqlite3_open_v2(file.c_str(), &database, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(database);
    ADD_FAILURE() << "cannot open " << file;
    return rows;
  }
  // The cleaner may be writing it at this moment.
  sqlite3_busy_timeout(database, 5000);
  char* error = nullptr;
  sqlite3_exec(
      database, sql.c_str(),
      [](void* out, int count, char** values, char**) {
        std::string row;
        for (int i = 0; i < count; ++i)
          row += (i > 0 ? "|" : "") + std::string(values[i] != nullptr ? values[i] : "NULL");
        static_cast<std::vector<std::string>*>(out)->push_back(row);
        return 0;
      },
      &rows, &error);
  if (error != nullptr) {
    ADD_FAILURE() << file << ": " << error;
    sqlite3_free(error);
  }
  sqlite3_close(database);
  return rows;
}

void ExecuteOnDatabase(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &database, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_busy_timeout(database, 5000);
  char* error = nullptr;
  const int code = sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(database);
  ASSERT_EQ(code, SQLITE_OK) << message;
}

} // namespace e2e
