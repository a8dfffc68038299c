// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "app/MainUnit.h"
#include "app/StartFlags.h"
#include "net/URI.h"

#include <algorithm>

const char* const CommandLineUsage =
    "usage: quorvane [--headless | --screenshots DIR | --online-update] [--port N] "
    "[--upstream HOST:PORT]\n"
    "                [--block-url ENTRY]... [--block-js] [--block-exe] [--block-flash] "
    "[--block-activex] [/SWITCH]...\n"
    "       quorvane [--install-proxy LIST] [--remove-proxy LIST] [--browser-status] [--port N]\n"
    "       quorvane --clean [--dry-run] | --cookie-names\n"
    "       quorvane --proxy-list | --import-proxies FILE | --export-proxies FILE\n"
    "       quorvane --download URL | --downloads\n"
    "  --headless          run the proxy without a window\n"
    "  --screenshots DIR   render every page and dialog of the window to DIR/*.png and end\n"
    "  --online-update     run the online update (LiveUpd) once without a window and end\n"
    "  --port N            listen on port N for this run (0: any free port)\n"
    "  --upstream H:P      forward GET, POST and HEAD through the proxy at H:P\n"
    "  --block-url ENTRY   refuse pages containing a term: \"term&&!exception&&!...\"\n"
    "  --block-js          refuse scripts and remove them from HTML pages\n"
    "  --block-exe         refuse executable files\n"
    "  --block-flash       refuse Flash files\n"
    "  --block-activex     refuse ActiveX controls\n"
    "  --install-proxy LIST   point browsers at the proxy and end; LIST is comma-separated\n"
    "                      from ie, mozilla, opera, chromium, or all\n"
    "  --remove-proxy LIST    put those browsers' earlier proxy settings back and end\n"
    "  --browser-status    print each browser row, a tab and its status, and end\n"
    "  --clean             remove the traces the stored cleaner options name, print what\n"
    "                      went per option, and end\n"
    "  --dry-run           with --clean: print what would go, remove nothing\n"
    "  --cookie-names      print the cookie names found now, one per line, and end\n"
    "  --proxy-list        print the anonymous proxy list (enabled, host:port, response\n"
    "                      time, failures) and end\n"
    "  --import-proxies F  add the proxies of text file F (host:port a line) and end\n"
    "  --export-proxies F  write the proxy list to text file F and end\n"
    "  --pool-time-scale N run the proxy pool's rotation and check timers N times faster\n"
    "  --download URL      hand URL to the running program's download manager; without one,\n"
    "                      download it into the default folder, progress on standard error\n"
    "  --downloads         print the stored downloads (URL, file, state, size) and end\n"
    "  /MULTI              allow a further instance\n"
    "  /SILENT             a second instance ends without its message\n"
    "  /USERADMIN          show the administrator's controls\n"
    "  /Deinstall, /DeinstallProxy, /DeinstallPK   undo the set-up and end\n"
    "Other arguments are ignored.\n";

namespace {

std::vector<TBrowserRow> BrowserList(const std::string& option, const std::string& text) {
  std::vector<TBrowserRow> rows;
  const auto add = [&rows](TBrowserRow row) {
    if (std::find(rows.begin(), rows.end(), row) == rows.end())
      rows.push_back(row);
  };
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string name = text.substr(start, comma - start);
    if (name == "ie") {
      add(TBrowserRow::InternetExplorer);
    } else if (name == "mozilla") {
      add(TBrowserRow::Mozilla);
    } else if (name == "opera") {
      add(TBrowserRow::Opera);
    } else if (name == "chromium") {
      add(TBrowserRow::Chromium);
    } else if (name == "all") {
      for (const TBrowserRow row : BrowserRows)
        add(row);
    } else {
      throw ECommandLineError(option + ": expected ie, mozilla, opera, chromium or all, got " +
                              (name.empty() ? std::string("nothing") : name));
    }
    if (comma == std::string::npos)
      return rows;
    start = comma + 1;
  }
}

bool NamesAll(const std::string& list) {
  return ("," + list + ",").find(",all,") != std::string::npos;
}

} // namespace

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
    } else if (argument == "--clean") {
      options.Clean = true;
    } else if (argument == "--dry-run") {
      options.DryRun = true;
    } else if (argument == "--cookie-names") {
      options.CookieNames = true;
    } else if (argument == "--online-update") {
      options.OnlineUpdate = true;
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
    } else if (argument == "--proxy-list") {
      options.ProxyList = true;
    } else if (argument == "--import-proxies") {
      options.ImportProxies = value();
    } else if (argument == "--export-proxies") {
      options.ExportProxies = value();
    } else if (argument == "--pool-time-scale") {
      const std::string& text = value();
      options.PoolTimeScale = ParsePort(text, -1);
      if (options.PoolTimeScale < 1) {
        throw ECommandLineError("--pool-time-scale: not a whole number from 1 to 65535: " + text);
      }
    } else if (argument == "--download") {
      options.DownloadURL = value();
    } else if (argument == "--downloads") {
      options.ListDownloads = true;
    } else if (argument == "--block-url") {
      options.BlockedURLs.push_back(value());
    } else if (argument == "--install-proxy") {
      const std::string& list = value();
      options.InstallProxy = BrowserList(argument, list);
      options.InstallProxyAll = NamesAll(list);
    } else if (argument == "--remove-proxy") {
      const std::string& list = value();
      options.RemoveProxy = BrowserList(argument, list);
      options.RemoveProxyAll = NamesAll(list);
    } else if (argument == "--browser-status") {
      options.BrowserStatus = true;
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
  if (options.DryRun && !options.Clean)
    throw ECommandLineError("--dry-run needs --clean");
  if (options.Clean && options.CookieNames)
    throw ECommandLineError("--clean and --cookie-names cannot be combined");
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
  run.PoolTimeScale = options.PoolTimeScale;
  return run;
}
