// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
  std::optional<int> Port;
  std::vector<std::string> BlockedURLs;
  bool BlockJavaScript = false;
  bool BlockExeFiles = false;
  bool BlockFlash = false;
  bool BlockActiveX = false;
  std::string UpstreamHost;
  int UpstreamPort = 0;
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
