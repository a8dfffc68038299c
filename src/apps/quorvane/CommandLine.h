// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/BrowserSetup.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct TRunOptions;

class ECommandLineError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What the command line asks of this run. Nothing here is stored.
struct TCommandLine {
  bool Headless = false;
  // --screenshots DIR: render the window's pages and dialogs there, then end.
  std::string ScreenshotFolder;
  // --clean [--dry-run]: "Jetzt vernichten" with the stored options, then end.
  bool Clean = false;
  bool DryRun = false;
  // --cookie-names: the names the keep-list dialog would offer, then end.
  bool CookieNames = false;
  // --online-update: run the online update once, then end.
  bool OnlineUpdate = false;
  std::optional<int> Port;
  std::vector<std::string> BlockedURLs;
  bool BlockJavaScript = false;
  bool BlockExeFiles = false;
  bool BlockFlash = false;
  bool BlockActiveX = false;
  std::string UpstreamHost;
  int UpstreamPort = 0;
  // --install-proxy LIST, --remove-proxy LIST: the browser rows named, in list order.
  std::vector<TBrowserRow> InstallProxy;
  std::vector<TBrowserRow> RemoveProxy;
  // The list said "all": rows whose browser is not on this machine are left out quietly.
  bool InstallProxyAll = false;
  bool RemoveProxyAll = false;
  bool BrowserStatus = false;
  // The pool's commands, run on the stored list before anything else.
  bool ProxyList = false;
  std::string ImportProxies;
  std::string ExportProxies;
  // The pool's timers run this many times faster (tests).
  int PoolTimeScale = 1;
  // --download URL: hand the URL to the running program, or fetch it in the foreground.
  std::string DownloadURL;
  // --downloads: print the stored download list and end.
  bool ListDownloads = false;
  // Every argument that is not a "--" option, in order: the program's own switches
  // ("/MULTI", "/SILENT", "/Deinstall", ...) count wherever they stand in one.
  std::vector<std::string> Switches;
  // Those of Switches that carry no switch (a file a launcher passed, say).
  std::vector<std::string> Ignored;
};

// Raises ECommandLineError with a readable message for an unknown "--" option and
// for bad values.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
extern const char* const CommandLineUsage;

// The values the controller applies for this run only.
TRunOptions RunOptionsOf(const TCommandLine& options);
