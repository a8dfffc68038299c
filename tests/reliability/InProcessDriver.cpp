// SPDX-License-Identifier: GPL-3.0-or-later
// The reliability rows that need the server in this process: Enabled switched off
// and on and Port changed under load, and proxy authentication. Prints one line
// per row: "row<TAB>name<TAB>check<TAB>ok|FAIL<TAB>measured".
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"
#include "net/Base64.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

const std::string Page =
    "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n\r\nhello world";
constexpr int LoadThreads = 32;
constexpr int EnableRounds = 20;
constexpr int PortRounds = 10;

bool allOk = true;

void Row(const std::string& name, const std::string& check, bool ok, const std::string& measured) {
  allOk = allOk && ok;
  std::cout << "row\t" << name << "\t" << check << "\t" << (ok ? "ok" : "FAIL") << "\t" << measured
            << std::endl;
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

// A port that was free a moment ago.
std::uint16_t FreePort() {
  std::uint16_t port = 0;
  ::close(loopback::Listen(port));
  return port;
}

// Sends one request with a bounded wait; an empty string when refused or cut off
// (refused tells which).
std::string TryExchange(std::uint16_t port, const std::string& request, bool* refused = nullptr) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  const bool connected =
      port != 0 && ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (refused) {
    *refused = !connected;
  }
  if (connected) {
    if (::send(handle, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      reply = loopback::ReceiveAll(handle, 10s);
    }
  }
  ::close(handle);
  return reply;
}

// Within two seconds the server answers a GET correctly again.
bool ServesWithin(THTTPProxyServer& server, const std::string& request) {
  for (int i = 0; i < 200; ++i) {
    if (TryExchange(server.ListeningPort(), request) == Page) {
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

bool SettlesToIdle(THTTPProxyServer& server, std::size_t idleDescriptors, std::string& measured) {
  const auto deadline = std::chrono::steady_clock::now() + TTCPServer::IdleThreadLifetime + 10s;
  while (std::chrono::steady_clock::now() < deadline &&
         (server.ThreadCount() > 1 || server.ActiveConnections() > 0 ||
          OpenDescriptors() > idleDescriptors)) {
    std::this_thread::sleep_for(200ms);
  }
  std::ostringstream text;
  text << "threads " << server.ThreadCount() << ", connections " << server.ActiveConnections()
       << ", fds " << OpenDescriptors() << " (idle " << idleDescriptors << ")";
  measured = text.str();
  // One thread keeps waiting for connections while the server listens.
  return server.ThreadCount() == 1 && server.ActiveConnections() == 0 &&
         OpenDescriptors() <= idleDescriptors;
}

void SwitchUnderLoad() {
  TScriptedOrigin origin(Page);
  const std::string request =
      "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/page HTTP/1.1\r\nHost: o\r\n\r\n";
  THTTPProxyServer server;
  server.SetPort(0);
  server.SetServerName("Quorvane 1.20");
  server.SetEnabled(true);
  const std::size_t idleDescriptors = OpenDescriptors();

  std::atomic<bool> stop{false};
  std::atomic<long> served{0}, refused{0}, interrupted{0}, wrong{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < LoadThreads; ++i) {
    clients.emplace_back([&] {
      while (!stop) {
        bool notListening = false;
        const std::string reply = TryExchange(server.ListeningPort(), request, &notListening);
        if (reply == Page) {
          ++served;
        } else if (notListening) {
          ++refused; // the server is off or on its way to another port
          std::this_thread::sleep_for(1ms);
        } else if (reply.empty()) {
          ++interrupted; // cut while the server was switched off: expected
        } else {
          ++wrong;
        }
      }
    });
  }

  int enableFailures = 0;
  bool refusedWhileOff = true;
  for (int round = 0; round < EnableRounds; ++round) {
    std::this_thread::sleep_for(100ms);
    const std::uint16_t port = server.ListeningPort();
    server.SetEnabled(false);
    refusedWhileOff = refusedWhileOff && TryExchange(port, request).empty();
    std::this_thread::sleep_for(20ms);
    server.SetEnabled(true);
    enableFailures += ServesWithin(server, request) ? 0 : 1;
  }
  int portFailures = 0;
  bool oldPortClosed = true;
  std::string bindErrors;
  server.OnBindError = [&](const std::string& message) { bindErrors = message; };
  for (int round = 0; round < PortRounds; ++round) {
    std::this_thread::sleep_for(100ms);
    const std::uint16_t old = server.ListeningPort();
    const std::uint16_t port = FreePort();
    server.SetPort(port);
    portFailures += server.ListeningPort() == port && ServesWithin(server, request) ? 0 : 1;
    oldPortClosed = oldPortClosed && TryExchange(old, request).empty();
  }
  std::this_thread::sleep_for(200ms);
  stop = true;
  for (std::thread& client : clients) {
    client.join();
  }
  const bool servingAtEnd = ServesWithin(server, request);
  std::string idle;
  const bool settled = SettlesToIdle(server, idleDescriptors, idle);

  std::ostringstream load;
  load << served << " served, " << refused << " refused while off, " << interrupted
       << " cut by a switch, " << wrong << " wrong";
  Row("faults",
      "Enabled off/on x" + std::to_string(EnableRounds) + " under load (" +
          std::to_string(LoadThreads) + " clients): serving after each",
      enableFailures == 0 && refusedWhileOff && wrong == 0 && served > 0,
      load.str() + "; " + std::to_string(enableFailures) + " rounds not serving");
  Row("faults",
      "Port changed x" + std::to_string(PortRounds) +
          " under load: new port serves, old one closed",
      portFailures == 0 && oldPortClosed && bindErrors.empty() && servingAtEnd,
      std::to_string(portFailures) + " rounds not serving" +
          (bindErrors.empty() ? "" : ", bind error"));
  Row("faults", "after the switches: no leaked thread or descriptor", settled, idle);
}

void Authentication() {
  TScriptedOrigin origin(Page);
  THTTPProxyServer server;
  server.SetPort(0);
  server.SetServerName("Quorvane 1.20");
  server.SetProxyCredentials("user", "secret");
  server.SetEnabled(true);
  const std::string target =
      "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/page HTTP/1.1\r\nHost: o\r\n";
  struct TCase {
    const char* Name;
    std::string Header;
    bool Admitted;
  };
  const TCase cases[] = {
      {"wrong password", "Proxy-Authorization: Basic " + EncodeBase64("user:wrong") + "\r\n",
       false},
      {"scheme in lower case", "Proxy-Authorization: basic " + EncodeBase64("user:secret") + "\r\n",
       false},
      {"no header", "", false},
      {"right credentials", "Proxy-Authorization: Basic " + EncodeBase64("user:secret") + "\r\n",
       true},
  };
  std::string measured;
  bool ok = true;
  for (const TCase& c : cases) {
    const std::string reply = TryExchange(server.ListeningPort(), target + c.Header + "\r\n");
    const bool got407 =
        reply.starts_with("HTTP/1.0 407 Proxy Authentication Required\r\n"
                          "Proxy-Authenticate: Basic realm=\"Quorvane 1.20\"\r\n") &&
        reply.find("<h1>407 Proxy Authentication Required</h1>") != std::string::npos;
    const bool passed = c.Admitted ? reply == Page : got407;
    ok = ok && passed;
    measured += std::string(measured.empty() ? "" : ", ") + c.Name +
                (c.Admitted ? (reply == Page ? " 200" : " ?") : (got407 ? " 407" : " ?"));
  }
  const bool forwardedWithout =
      origin.FirstRequest().find("Proxy-Authorization") == std::string::npos;
  Row("access", "user name set: wrong Proxy-Authorization gets the 407 page",
      ok && forwardedWithout,
      measured + (forwardedWithout ? "; credentials not forwarded" : "; credentials forwarded"));
}

} // namespace

int main() {
  std::signal(SIGPIPE, SIG_IGN);
  SwitchUnderLoad();
  Authentication();
  return allOk ? 0 : 1;
}
