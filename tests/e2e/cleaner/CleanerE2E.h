// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "E2ETest.h"

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

constexpr auto CleanerBrowserTimeout = std::chrono::seconds(90);
constexpr const char* DestroyerKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Destroyer";

// The cleaner's end-to-end set-up, shared by the browser suites: one home for the
// browser, the program and its hives; the two-site origin behind the program's
// --upstream; quorvane-reg to store options and quorvane --clean to run.
class TCleanerE2E : public TE2ETest {
protected:
  std::filesystem::path Home() { return Folder / "home"; }
  std::filesystem::path ConfigHome() { return Home() / ".config"; }
  std::vector<std::string> Environment();

  // The origin and the program in front of it; returns the program's port.
  std::uint16_t StartSites();
  // Headless program runs with extra arguments (the proxy keeps running).
  TChildProcess& StartProgram(const std::vector<std::string>& args, std::uint16_t port);
  // What the origin saw: "HOST\tPATH\tCOOKIES" lines.
  std::string OriginLog() { return ReadFileOrEmpty(Folder / "origin.log"); }

  // Cleaner options ("1") and the keep-list, through quorvane-reg.
  void SetOptions(const std::vector<std::string>& names);
  void KeepCookies(const std::vector<std::string>& names);
  // `quorvane ARGS` run to its end; returns its output, expects exit code 0.
  std::string RunProgram(const std::vector<std::string>& args);

  // Runs a child with the home's environment until it ends; false (with a failure)
  // when it overruns the timeout or exits with an error.
  bool RunToEnd(TSpawnOptions options, const std::string& what);
};

// The rows of a query on a browser database, joined by "|" (sqlite3's own output).
std::vector<std::string> QueryDatabase(const std::filesystem::path& file, const std::string& sql);
// Runs sql on a browser database, as another program editing it would.
void ExecuteOnDatabase(const std::filesystem::path& file, const std::string& sql);

} // namespace e2e
