// SPDX-License-Identifier: GPL-3.0-or-later
#include "E2ETest.h"

#include <csignal>
#include <stdexcept>
#include <sys/stat.h>

#ifndef QUORVANE_BINARY
#error "QUORVANE_BINARY must name the program under test"
#endif
#ifndef QUORVANE_E2E_ORIGIN_SCRIPT
#error "QUORVANE_E2E_ORIGIN_SCRIPT must name origin/echo_origin.py"
#endif

namespace e2e {
namespace {

constexpr auto StartTimeout = std::chrono::seconds(15);
constexpr int StartAttempts = 3;

} // namespace

std::filesystem::path QuorvaneBinary() {
  const std::filesystem::path binary = QUORVANE_BINARY;
  if (!std::filesystem::exists(binary)) {
    throw std::runtime_error("the program under test is missing: " + binary.string() +
                             " (build the quorvane target)");
  }
  return binary;
}

void TE2ETest::TearDown() {
  while (!FChildren.empty()) {
    FChildren.back()->Stop();
    FChildren.pop_back();
  }
}

std::filesystem::path TE2ETest::WebRoot() {
  const auto root = Folder / "www";
  std::filesystem::create_directories(root);
  return root;
}

void TE2ETest::Publish(const std::string& name, std::string_view bytes) {
  WriteFile(WebRoot() / name, bytes);
}

TChildProcess& TE2ETest::Spawn(const TSpawnOptions& options) {
  FChildren.push_back(std::make_unique<TChildProcess>(options));
  return *FChildren.back();
}

std::uint16_t TE2ETest::StartListening(const std::string& what,
                                       const std::function<TChildProcess&(std::uint16_t)>& launch,
                                       const std::string& ip) {
  std::string failures;
  for (int attempt = 0; attempt < StartAttempts; ++attempt) {
    const std::uint16_t port = FreePort();
    TChildProcess& child = launch(port);
    if (WaitForPort(
            port, StartTimeout, [&] { return child.Running(); }, ip)) {
      return port;
    }
    const TExitStatus exit = child.Stop();
    failures += "\n  port " + std::to_string(port) + ": " + exit.Describe() +
                "; stdout: " + child.ReadStdout() + "; stderr: " + child.ReadStderr();
  }
  throw std::runtime_error(what + " did not start listening:" + failures);
}

TTlsFiles TE2ETest::Certificate() {
  if (!FTls) {
    const auto dir = Folder / "tls";
    std::filesystem::create_directories(dir);
    FTls = MakeSelfSignedCertificate(dir);
  }
  return *FTls;
}

TNginx TE2ETest::StartNginx(bool withTls, const std::string& listenIP) {
  const auto nginx = FindProgram("nginx");
  TNginx result;
  if (withTls) {
    result.Tls = Certificate();
  }
  const auto root = WebRoot();
  unsigned instance = 0;
  result.HttpPort = StartListening(
      "nginx",
      [&](std::uint16_t port) -> TChildProcess& {
        const auto prefix = Folder / ("nginx." + std::to_string(++instance));
        std::filesystem::create_directories(prefix);
        TNginxSite site{.ListenIP = listenIP,
                        .Prefix = prefix,
                        .Root = root,
                        .HttpPort = port,
                        .HttpsPort = {},
                        .Tls = result.Tls};
        if (withTls) {
          site.HttpsPort = FreePort();
          result.HttpsPort = site.HttpsPort;
        }
        result.AccessLog = prefix / "access.log";
        WriteFile(prefix / "nginx.conf", NginxConfig(site));
        return Spawn(
            TSpawnOptions{.Argv = {nginx.string(), "-c", (prefix / "nginx.conf").string(), "-p",
                                   prefix.string(), "-e", (prefix / "error.log").string()},
                          .StdoutPath = prefix / "stdout.log",
                          .StderrPath = prefix / "stderr.log"});
      },
      listenIP);
  if (result.HttpsPort && !WaitForPort(*result.HttpsPort, StartTimeout, {}, listenIP)) {
    throw std::runtime_error("nginx did not listen on its HTTPS port");
  }
  return result;
}

std::uint16_t TE2ETest::StartEchoOrigin(const std::optional<TTlsFiles>& tls) {
  const std::filesystem::path python = "/usr/bin/python3"; // Debian's, whatever PATH says
  if (!std::filesystem::exists(python)) {
    throw std::runtime_error("/usr/bin/python3 is not installed; run scripts/install-deps");
  }
  const auto root = WebRoot();
  return StartListening("echo origin", [&](std::uint16_t port) -> TChildProcess& {
    const auto log = Folder.UniquePath("echo-origin-log");
    TSpawnOptions options{.Argv = {python.string(), QUORVANE_E2E_ORIGIN_SCRIPT, "--port",
                                   std::to_string(port), "--root", root.string()},
                          .StdoutPath = log,
                          .StderrPath = log};
    if (tls) {
      options.Argv.insert(options.Argv.end(), {"--tls-cert", tls->Certificate.string(), "--tls-key",
                                               tls->Key.string()});
    }
    return Spawn(options);
  });
}

TChildProcess& TE2ETest::LaunchProxy(std::uint16_t port, const std::vector<std::string>& args) {
  const auto binary = QuorvaneBinary();
  // Whatever the program keeps (settings, runtime sockets) stays in this test's folder.
  const auto home = Folder / ("home." + std::to_string(++FLaunches));
  for (const char* sub : {"config", "data", "runtime", "registry"}) {
    std::filesystem::create_directories(home / sub);
  }
  ::chmod((home / "runtime").c_str(), 0700);
  TSpawnOptions options{
      .Argv = {binary.string(), "--headless", "--port", std::to_string(port)},
      .SetEnv = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
                 "XDG_DATA_HOME=" + (home / "data").string(),
                 "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
                 "QUORVANE_REGISTRY_DIR=" + (home / "registry").string(),
                 "QT_QPA_PLATFORM=offscreen"},
      .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
      .StdoutPath = home / "stdout.log",
      .StderrPath = home / "stderr.log",
  };
  options.Argv.insert(options.Argv.end(), args.begin(), args.end());
  return Spawn(options);
}

TProxy TE2ETest::StartProxy(const std::vector<std::string>& args) {
  TChildProcess* process = nullptr;
  const std::uint16_t port = StartListening("quorvane", [&](std::uint16_t p) -> TChildProcess& {
    process = &LaunchProxy(p, args);
    return *process;
  });
  return TProxy{port, process};
}

TCurlResult TE2ETest::Curl(const std::vector<std::string>& args, std::chrono::seconds maxTime) {
  return RunCurl(Folder, args, maxTime);
}

TCurlResult TE2ETest::CurlVia(const TProxy& proxy, const std::vector<std::string>& args,
                              std::chrono::seconds maxTime) {
  return RunCurlViaProxy(Folder, proxy.Port, args, maxTime);
}

std::string TE2ETest::Url(std::uint16_t port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string TE2ETest::LoadPageInChromium(const TProxy& proxy, const std::string& url,
                                         const std::vector<std::string>& extraArgs,
                                         const std::string& proxyHost) {
  const auto chromium = FindProgram("chromium");
  const auto profile = Folder.UniquePath("chromium-profile");
  const auto home = Folder / "chromium-home";
  std::filesystem::create_directories(profile);
  std::filesystem::create_directories(home);
  const auto dom = Folder.UniquePath("dom");
  const auto log = Folder.UniquePath("chromium-log");
  TSpawnOptions options{
      .Argv = {chromium.string(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
               "--no-first-run", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--user-data-dir=" + profile.string(),
               "--disable-features=NetworkTimeServiceQuerying",
               "--component-updater=url-source=http://127.0.0.1:9/",
               "--gaia-url=http://127.0.0.1:9/",
               "--proxy-server=http://" + proxyHost + ":" + std::to_string(proxy.Port),
               // Without this Chromium would fetch loopback pages around the proxy.
               "--proxy-bypass-list=<-loopback>", "--dump-dom"},
      .SetEnv = {"HOME=" + home.string()},
      .UnsetEnv = ProxyVariables(),
      .StdoutPath = dom,
      .StderrPath = log,
  };
  options.Argv.insert(options.Argv.end(), extraArgs.begin(), extraArgs.end());
  options.Argv.push_back(url);
  TChildProcess& browser = Spawn(options);
  const auto exit = browser.WaitExit(BrowserTimeout);
  if (!exit) {
    browser.Stop(SIGKILL);
    ADD_FAILURE() << "chromium did not finish within " << BrowserTimeout.count()
                  << " s; its log: " << ReadFileOrEmpty(log);
    return {};
  }
  browser.Stop(); // its helper processes linger a moment after it returns
  EXPECT_TRUE(exit->Exited && exit->Code == 0)
      << "chromium " << exit->Describe() << "; its log: " << ReadFileOrEmpty(log);
  return ReadFileOrEmpty(dom);
}

} // namespace e2e
