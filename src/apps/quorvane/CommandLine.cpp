// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "app/MainUnit.h"
#include "app/StartFlags.h"
#include "net/URI.h"

const char* const CommandLineUsage =
    "usage: quorvane [--headless | --screenshots DIR] [--port N] [--upstream HOST:PORT] "
    "[--block-url ENTRY]...\n"
    "                [--block-js] [--block-exe] [--block-flash] [--block-activex] [/SWITCH]...\n"
    "       quorvane --download URL | --downloads\n"
    "  --headless          run the proxy without a window\n"
    "  --screenshots DIR   render every page and dialog of the window to DIR/*.png and end\n"
    "  --port N            listen on port N for this run (0: any free port)\n"
    "  --upstream H:P      forward GET, POST and HEAD through the proxy at H:P\n"
    "  --block-url ENTRY   refuse pages containing a term: \"term&&!exception&&!...\"\n"
    "  --block-js          refuse scripts and remove them from HTML pages\n"
    "  --block-exe         refuse executable files\n"
    "  --block-flash       refuse Flash files\n"
    "  --block-activex     refuse ActiveX controls\n"
    "  --download URL      hand URL to the running program's download manager; without one,\n"
    "                      download it into the default folder, progress on standard error\n"
    "  --downloads         print the stored downloads (URL, file, state, size) and end\n"
    "  /MULTI              allow a further instance\n"
    "  /SILENT             a second instance ends without its message\n"
    "  /USERADMIN          show the administrator's controls\n"
    "  /Deinstall, /DeinstallProxy, /DeinstallPK   undo the set-up and end\n"
    "Other arguments are ignored.\n";

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 == arguments.size()) {
        throw ECommandLineError(argument + " needs a value");
      }
      return arguments[++i];
    };
    if (argument == "--headless") {
      options.Headless = true;
    } else if (argument == "--screenshots") {
      options.ScreenshotFolder = value();
    } else if (argument == "--port") {
      const std::string& text = value();
      const int port = text == "0" ? 0 : ParsePort(text, -1);
      if (port < 0) {
        throw ECommandLineError("--port: not a port number: " + text);
      }
      options.Port = port;
    } else if (argument == "--upstream") {
      const std::string& text = value();
      const std::size_t colon = text.rfind(':');
      options.UpstreamPort =
          colon == std::string::npos ? -1 : ParsePort(text.substr(colon + 1), -1);
      if (colon == 0 || options.UpstreamPort < 0) {
        throw ECommandLineError("--upstream: expected HOST:PORT, got " + text);
      }
      options.UpstreamHost = text.substr(0, colon);
    } else if (argument == "--download") {
      options.DownloadURL = value();
    } else if (argument == "--downloads") {
      options.ListDownloads = true;
    } else if (argument == "--block-url") {
      options.BlockedURLs.push_back(value());
    } else if (argument == "--block-js") {
      options.BlockJavaScript = true;
    } else if (argument == "--block-exe") {
      options.BlockExeFiles = true;
    } else if (argument == "--block-flash") {
      options.BlockFlash = true;
    } else if (argument == "--block-activex") {
      options.BlockActiveX = true;
    } else if (argument.starts_with("--")) {
      throw ECommandLineError("unknown option: " + argument);
    } else {
      options.Switches.push_back(argument);
      if (!CarriesSwitch(argument))
        options.Ignored.push_back(argument);
    }
  }
  return options;
}

TRunOptions RunOptionsOf(const TCommandLine& options) {
  TRunOptions run;
  run.Port = options.Port;
  run.UpstreamHost = options.UpstreamHost;
  run.UpstreamPort = options.UpstreamPort;
  run.BlockedURLs = options.BlockedURLs;
  run.BlockJavaScript = options.BlockJavaScript;
  run.BlockExeFiles = options.BlockExeFiles;
  run.BlockFlash = options.BlockFlash;
  run.BlockActiveX = options.BlockActiveX;
  return run;
}
