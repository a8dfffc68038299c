// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The anonymous pool's end-to-end set-up: nginx as check page, address echo and origin,
// tinyproxy and Privoxy each on a loopback address of its own, and the headless
// program with its list imported and the pool switched on.
#include "E2ETest.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace e2e {
namespace pool {

using namespace std::chrono_literals;

inline constexpr const char* MainKey = "HKCU\\Software\\Torvimsk Software\\Quorvane\\Main";
inline constexpr auto StartTimeout = 10s;
// The program's timers run this many times faster: a rotation minute lasts 1 s.
inline constexpr const char* TimeScale = "60";

inline bool Accepts(const std::string& address, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

struct TUpstream {
  std::string Address;
  std::uint16_t Port = 0;
  std::string ViaName; // what it adds to "Via" (or X-Upstream)
  TChildProcess* Process = nullptr;
  std::string Line() const { return Address + ":" + std::to_string(Port); }
};

class AnonymousPoolE2E : public TE2ETest {
protected:
  void SetUp() override {
    for (const char* sub : {"config", "data", "runtime", "registry"}) {
      std::filesystem::create_directories(Home() / sub);
    }
    std::filesystem::permissions(Home() / "runtime", std::filesystem::perms::owner_all);
  }

  std::filesystem::path Home() { return Folder / "home"; }

  std::vector<std::string> Environment() {
    return {"HOME=" + Home().string(),
            "XDG_CONFIG_HOME=" + (Home() / "config").string(),
            "XDG_DATA_HOME=" + (Home() / "data").string(),
            "XDG_RUNTIME_DIR=" + (Home() / "runtime").string(),
            "QUORVANE_REGISTRY_DIR=" + (Home() / "registry").string(),
            "QUORVANE_WEB_SERVER=http://127.0.0.1:" + std::to_string(Web.HttpPort)};
  }

  // nginx with the check page, the address echo, and "/via" answering with the Via
  // and X-Upstream (Privoxy's mark) it was sent.
  void StartWeb(bool withTls = false) {
    Web.HttpPort = FreePort();
    const auto prefix = Folder / "web";
    std::filesystem::create_directories(prefix);
    TNginxSite site{
        .Prefix = prefix, .Root = WebRoot(), .HttpPort = Web.HttpPort, .HttpsPort = {}, .Tls = {}};
    if (withTls) {
      site.Tls = Certificate();
      site.HttpsPort = FreePort();
      Web.HttpsPort = site.HttpsPort;
    }
    site.ServerDirectives = "    location = /proxytest/quorvane.php { default_type text/html; "
                            "return 200 \"<p>Quorvane Test OK</p>\"; }\n"
                            "    location = /proxytest/ip.php { default_type text/plain; "
                            "return 200 \"$remote_addr\\n\"; }\n"
                            "    location = /via { default_type text/plain; "
                            "return 200 \"via=$http_via upstream=$http_x_upstream\\n\"; }\n";
    WriteFile(prefix / "nginx.conf", NginxConfig(site));
    TChildProcess& nginx =
        Spawn({.Argv = {FindProgram("nginx").string(), "-c", (prefix / "nginx.conf").string(), "-p",
                        prefix.string(), "-e", (prefix / "error.log").string()},
               .StderrPath = prefix / "stderr.log"});
    ASSERT_TRUE(WaitForPort(Web.HttpPort, StartTimeout, [&] { return nginx.Running(); }))
        << nginx.ReadStderr();
  }

  TUpstream StartTinyproxy(const std::string& address) {
    TUpstream upstream{address, FreePort(), "tp-" + address};
    const auto config = Folder / ("tinyproxy-" + address + ".conf");
    WriteFile(config, "User nobody\nGroup nogroup\nPort " + std::to_string(upstream.Port) +
                          "\nListen " + address +
                          "\nTimeout 30\nMaxClients 200\nAllow 127.0.0.0/8\n"
                          "LogLevel Connect\nViaProxyName \"" +
                          upstream.ViaName + "\"\n");
    upstream.Process =
        &Spawn({.Argv = {FindProgram("tinyproxy").string(), "-d", "-c", config.string()},
                .StdoutPath = Folder / ("tinyproxy-" + address + ".out"),
                .StderrPath = Folder / ("tinyproxy-" + address + ".log")});
    EXPECT_TRUE(WaitUntil([&] { return Accepts(address, upstream.Port); }, StartTimeout));
    return upstream;
  }

  TUpstream StartPrivoxy(const std::string& address) {
    TUpstream upstream{address, FreePort(), "privoxy-" + address};
    const auto dir = Folder / ("privoxy-" + address);
    std::filesystem::create_directories(dir);
    WriteFile(dir / "via.action", "{+add-header{X-Upstream: " + upstream.ViaName + "}}\n/\n");
    WriteFile(dir / "config", "confdir " + dir.string() +
                                  "\nactionsfile via.action\nlisten-address " + upstream.Line() +
                                  "\ntoggle 1\nenable-remote-toggle 0\nenable-edit-actions 0\n");
    upstream.Process =
        &Spawn({.Argv = {FindProgram("privoxy").string(), "--no-daemon", (dir / "config").string()},
                .StderrPath = dir / "stderr.log"});
    EXPECT_TRUE(WaitUntil([&] { return Accepts(address, upstream.Port); }, StartTimeout));
    return upstream;
  }

  // A program run on this test's home: quorvane-reg, or quorvane with a command.
  std::string RunTool(std::vector<std::string> argv, const std::string& name) {
    TChildProcess& tool = Spawn({.Argv = std::move(argv),
                                 .SetEnv = Environment(),
                                 .UnsetEnv = ProxyVariables(),
                                 .StdoutPath = Home() / (name + ".stdout"),
                                 .StderrPath = Home() / (name + ".stderr")});
    const auto exit = tool.WaitExit(StartTimeout);
    EXPECT_TRUE(exit && exit->Exited && exit->Code == 0) << name << ": " << tool.ReadStderr();
    return tool.ReadStdout();
  }

  void SetMain(const std::string& name, const std::string& value) {
    RunTool({QUORVANE_REG_BINARY, "add", MainKey, "/v", name, "/t", "REG_SZ", "/d", value, "/f"},
            "reg-" + name);
  }

  // The list imported through the command line, the pool switched on, checks far off
  // unless a test asks for them.
  void PreparePool(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
      text += line + "\n";
    }
    WriteFile(Folder / "list.txt", text);
    RunTool({QuorvaneBinary().string(), "--import-proxies", (Folder / "list.txt").string()},
            "import");
    SetMain("UseAnonymousProxyServers", "1");
    SetMain("AnonymousProxyCheckInterval", "1800");
  }

  TProxy StartQuorvane() {
    const std::uint16_t port = FreePort();
    Program = &Spawn({.Argv = {QuorvaneBinary().string(), "--headless", "--port",
                               std::to_string(port), "--pool-time-scale", TimeScale},
                      .SetEnv = Environment(),
                      .UnsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"},
                      .StdoutPath = Home() / "quorvane.stdout",
                      .StderrPath = Home() / "quorvane.stderr"});
    EXPECT_TRUE(WaitForPort(port, StartTimeout, [&] { return Program->Running(); }))
        << Program->ReadStderr();
    return TProxy{port, Program};
  }

  // Waits for the headless line "Anonymer Proxy: <value>".
  bool WaitForUpstreamLine(const std::string& value, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
          return Program->ReadStdout().find("Anonymer Proxy: " + value + "\n") != std::string::npos;
        },
        timeout);
  }

  // The value of the last "Anonymer Proxy:" line so far.
  std::string LastUpstreamLine() {
    const std::string out = Program->ReadStdout();
    const std::string label = "Anonymer Proxy: ";
    const std::size_t at = out.rfind(label);
    if (at == std::string::npos) {
      return {};
    }
    const std::size_t end = out.find('\n', at);
    return out.substr(at + label.size(), end - at - label.size());
  }

  std::string ViaSeenThrough(const TProxy& proxy) {
    const TCurlResult r = CurlVia(proxy, {Url(Web.HttpPort, "/via")}, 20s);
    return r.Body;
  }

  TNginx Web;
  TChildProcess* Program = nullptr;
};

} // namespace pool
} // namespace e2e
