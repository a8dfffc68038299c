// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class ECommandLineError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What the command line asks of this run. Nothing here is stored.
struct TCommandLine {
  bool Headless = false;
  std::optional<int> Port;
  std::vector<std::string> BlockedURLs;
  bool BlockJavaScript = false;
  bool BlockExeFiles = false;
  bool BlockFlash = false;
  bool BlockActiveX = false;
  std::string UpstreamHost;
  int UpstreamPort = 0;
  // The program's own switches ("/MULTI", "/SILENT", "/Deinstall", ...), in order.
  std::vector<std::string> Switches;
};

// Raises ECommandLineError with a readable message for unknown options and bad values.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
extern const char* const CommandLineUsage;
