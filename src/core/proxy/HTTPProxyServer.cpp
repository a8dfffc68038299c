// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/HTTPProxyServer.h"

#include "net/LocalAddresses.h"

#include <algorithm>

THTTPProxyServer::THTTPProxyServer()
    : FDispatcher(
          {
              {"GET", true, true, [this](TCommand& command) { CommandGet(command); }},
              {"POST", true, true, [this](TCommand& command) { CommandPost(command, "POST"); }},
              {"HEAD", true, true, [this](TCommand& command) { CommandHead(command); }},
              {"CONNECT", true, true, [this](TCommand& command) { CommandConnect(command); }},
              // What browsers send beyond the first three: forwarded as POST is.
              {"PUT", true, true, [this](TCommand& command) { CommandPost(command, "PUT"); }},
              {"DELETE", true, true, [this](TCommand& command) { CommandPost(command, "DELETE"); }},
              {"OPTIONS", true, true,
               [this](TCommand& command) { CommandPost(command, "OPTIONS"); }},
              {"PATCH", true, true, [this](TCommand& command) { CommandPost(command, "PATCH"); }},
          },
          // A browser cannot read the "400 " line as a response; closing at once ends
          // its wait instead of leaving it to the idle time-out.
          "400", true) {}

void THTTPProxyServer::Listen() {
  FTCPServer.DefaultPort = static_cast<std::uint16_t>(FPort.load());
  FTCPServer.Bindings = Bindings;
  FTCPServer.Activate();
}

void THTTPProxyServer::SetEnabled(bool value) {
  std::lock_guard lock(FLifecycleLock);
  if (FEnabled.exchange(value) == value) {
    return;
  }
  if (value) {
    Listen();
  } else {
    FTCPServer.Deactivate();
  }
}

void THTTPProxyServer::SetPort(int value) {
  std::unique_lock lock(FLifecycleLock);
  if (FPort.exchange(value) == value) {
    return;
  }
  const bool wasActive = FTCPServer.Active();
  FTCPServer.Deactivate();
  Bindings.clear();
  if (!wasActive) {
    return;
  }
  try {
    Listen();
  } catch (const std::exception&) {
    lock.unlock();
    if (OnBindError) {
      OnBindError(BindErrorMsg());
    }
  }
}

void THTTPProxyServer::DisconnectRemote(TContext& context) {
  context.ShutdownLinked();
}

bool THTTPProxyServer::IsLocalIP(const std::string& address) {
  std::call_once(FLocalIPListFilled, [this] { FLocalIPList = GetLocalIPList(); });
  return std::find(FLocalIPList.begin(), FLocalIPList.end(), address) != FLocalIPList.end();
}

void THTTPProxyServer::Connected(TContext& context) {
  if (OnConnect) {
    OnConnect(context);
  }
}

void THTTPProxyServer::Execute(TContext& context) {
  if (Admitted(context)) {
    FDispatcher.Execute(context);
  }
}

void THTTPProxyServer::Failed(TContext& context, const std::exception& error) {
  if (OnException) {
    OnException(context, error);
  }
}

void THTTPProxyServer::Disconnected(TContext& context) {
  if (OnDisconnect) {
    OnDisconnect(context);
  }
}

bool THTTPProxyServer::Admitted(TContext& context) {
  TTCPConnection& browser = context.Connection;
  browser.SetReadTimeout(BrowserIdleTimeout);
  bool admitted = true;
  switch (ProxyAuthType()) {
  case TAuthType::atThisPC:
    admitted = IsLocalIP(context.PeerIP);
    break;
  case TAuthType::atThisIP: {
    // An empty prefix admits nobody, not everybody.
    const std::string prefix = ProxyAuthIP();
    admitted = !prefix.empty() && context.PeerIP.starts_with(prefix);
    break;
  }
  case TAuthType::atAll:
    break;
  default:
    // A damaged setting must not open the proxy to everyone.
    admitted = false;
    break;
  }
  if (admitted) {
    return true;
  }
  SendAccessDenied(browser, "Your client is not allowed to access the http proxy server.");
  browser.CloseGracefully();
  return false;
}

void THTTPProxyServer::Report(const TProxyStatistics& increments) {
  if (OnHTTPStatistics) {
    OnHTTPStatistics(*this, increments);
  }
}

void THTTPProxyServer::ReportBytes(std::int64_t bytes) {
  TProxyStatistics increments;
  increments.Bytes = bytes;
  Report(increments);
}
