// SPDX-License-Identifier: GPL-3.0-or-later
// The proxy engine alone, as the controller configures it at start-up but with no
// request events: the baseline that scripts/bench-events measures the controller
// against.
//   usage: bare_proxy PORT     (0: the kernel picks; the port is printed)
// Listens on 127.0.0.1 until SIGINT or SIGTERM.
#include "app/ProxyEngineSetup.h"
#include "net/ProxyProcess.h"
#include "proxy/HTTPProxyServer.h"

#include <charconv>
#include <csignal>
#include <exception>
#include <iostream>
#include <pthread.h>
#include <string_view>

namespace {

bool ReadPortArgument(std::string_view text, int& port) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port >= 0 && port <= 65535;
}

} // namespace

int main(int argc, char** argv) {
  int port = 0;
  if (argc != 2 || !ReadPortArgument(argv[1], port)) {
    std::cerr << "usage: bare_proxy PORT   (0: any free port)\n";
    return 2;
  }
  // The process set-up of the program itself, so that only the events differ.
  PrepareProxyProcess();
  // Blocked before any thread starts, so that every thread inherits the mask and
  // only sigwait below receives the stop signals.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  THTTPProxyServer server;
  ConfigureProxyEngine(server);
  server.SetPort(port);
  server.Bindings = {{"127.0.0.1", static_cast<std::uint16_t>(port)}};
  try {
    server.SetEnabled(true);
  } catch (const std::exception& error) {
    std::cerr << "bare_proxy: cannot listen on 127.0.0.1:" << port << ": " << error.what() << "\n";
    return 1;
  }
  std::cout << "bare_proxy: listening on 127.0.0.1:" << server.ListeningPort() << std::endl;

  int received = 0;
  sigwait(&stopSignals, &received);
  server.SetEnabled(false);
  return 0;
}
