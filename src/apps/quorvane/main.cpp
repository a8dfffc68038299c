// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "app/ProductInfo.h"
#include "proxy/HTTPProxyServer.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <malloc.h>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int DefaultProxyPort = 8080;
constexpr int TransferBlockSize = 65535;

std::string Format(std::string_view pattern, std::string_view value) {
  std::string text(pattern);
  for (std::size_t at; (at = text.find("%s")) != std::string::npos;) {
    text.replace(at, 2, value);
  }
  return text;
}

// Each connection thread would otherwise get a malloc arena of its own, up to eight
// per core, each holding on to memory; two shared arenas serve a proxy that mostly
// waits on sockets just as well.
constexpr int MallocArenas = 2;

// Many browser connections at once each need descriptors; take what the system allows.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

void Configure(THTTPProxyServer& server, const TCommandLine& options) {
  const std::string name(ProductInfo::ProgramName);
  server.SetDefaultTransferBlockSize(TransferBlockSize);
  server.SetServerName(std::string(ProductInfo::ProgramNameAndVersion));
  server.SetPort(options.Port.value_or(DefaultProxyPort));
  server.SetProxyCredentials({}, {});
  server.SetAnonymousProxy(options.UpstreamHost, options.UpstreamHost.empty() ? 8080 : options.UpstreamPort);
  server.SetBindErrorMsg(Format(
      "%s konnte den Proxy-Server-Port nicht verwenden, da eine andere Server-Anwendung diesen Port bereits "
      "nutzt bzw. eine Firewall die Nutzung dieses Ports verbietet.\r\nPrüfen Sie Ihre Firewall-Einstellungen "
      "bzw. weisen Sie %s einen anderen Proxy-Server-Port unter Konfiguration, Registerkarte %s-Einrichtung zu.",
      name));
  server.SetProxyAuthType(TAuthType::atThisPC);
  server.SetVia("1.0 " + name + " (" + std::string(ProductInfo::Version) + " " + std::string(ProductInfo::HomePage) +
                ")");
  server.SetBlockFlash(options.BlockFlash);
  server.SetBlockActiveX(options.BlockActiveX);
  server.SetBlockExeFiles(options.BlockExeFiles);
  server.SetBlockJavaScript(options.BlockJavaScript);
  server.SetBlockedURLS(options.BlockedURLs);
}

} // namespace

int main(int argc, char** argv) {
  TCommandLine options;
  try {
    options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ECommandLineError& error) {
    std::cerr << "quorvane: " << error.what() << "\n" << CommandLineUsage;
    return 2;
  }
  if (!options.Headless) {
    std::cerr << "quorvane: this build has no window yet; running headless\n";
  }
  mallopt(M_ARENA_MAX, MallocArenas);
  RaiseDescriptorLimit();
  // Stop signals are taken by sigwait below, never by a connection thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  THTTPProxyServer server;
  Configure(server, options);
  const std::string name(ProductInfo::ProgramName);
  try {
    server.SetEnabled(true);
    std::cout << Format("%s Proxy-Server am Port ", name) << server.ListeningPort() << " aktiv" << std::endl;
  } catch (const std::exception&) {
    std::cout << server.BindErrorMsg() << "\n" << Format("%s Proxy-Server inaktiv", name) << std::endl;
  }
  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.SetEnabled(false);
  return 0;
}
