// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPClient.h"
#include "net/TunnelRelay.h"
#include "proxy/HTTPProxyServer.h"

void THTTPProxyServer::CommandConnect(TCommand& command) {
  TTCPConnection& browser = command.Context.Connection;
  browser.Capture();
  const std::string target = command.Params.empty() ? std::string() : command.Params[0];
  if (OnHTTPConnect) {
    OnHTTPConnect(*this, target);
  }
  TTCPClient upstream;
  const TUpstreamRecord record(command.Context, upstream);
  // A target whose brackets hold no plain IPv6 address has no host to connect to.
  const THostPort where = SplitHostPort(target).value_or(THostPort{});
  upstream.Host = where.Host;
  upstream.Port = static_cast<std::uint16_t>(ParsePort(where.Port, 443));
  ConnectUpstream(browser, upstream, nullptr);
  browser.Write("HTTP/1.0 200 Connection established\r\nProxy-agent: " + ServerName() + "\r\n\r\n");
  const std::uint64_t total = RelayTunnel(browser, upstream);
  upstream.Close();
  ReportBytes(static_cast<std::int64_t>(total));
}
