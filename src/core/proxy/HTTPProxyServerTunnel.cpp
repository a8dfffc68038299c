// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/NetError.h"
#include "net/TCPClient.h"
#include "net/TunnelRelay.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

namespace {

// The tunnel's far end itself; a target whose brackets hold no plain IPv6 address
// has no host to connect to.
void AimAtTarget(TTCPClient& upstream, const std::string& target) {
  const THostPort where = SplitHostPort(target).value_or(THostPort{});
  upstream.Host = where.Host;
  upstream.Port = static_cast<std::uint16_t>(ParsePort(where.Port, 443));
}

} // namespace

void THTTPProxyServer::CommandConnect(TCommand& command) {
  TTCPConnection& browser = command.Context.Connection;
  browser.Capture();
  const std::string target = command.Params.empty() ? std::string() : command.Params[0];
  if (OnHTTPConnect) {
    OnHTTPConnect(*this, target);
  }
  TTCPClient upstream;
  const TUpstreamRecord record(command.Context, upstream);
  TUpstreamRoute route = UpstreamRoute();
  if (!route.Host.empty() && route.Tunnel) {
    upstream.Host = route.Host;
    upstream.Port = static_cast<std::uint16_t>(route.Port);
    if (!ConnectTunnelUpstream(browser, upstream, target)) {
      return;
    }
  } else if (route.Refuse && route.Host.empty()) {
    SendNoUpstream(browser);
    return;
  } else {
    AimAtTarget(upstream, target);
    ConnectUpstream(browser, upstream, nullptr);
  }
  browser.Write("HTTP/1.0 200 Connection established\r\nProxy-agent: " + ServerName() + "\r\n\r\n");
  const std::uint64_t total = RelayTunnel(browser, upstream);
  upstream.Close();
  ReportBytes(static_cast<std::int64_t>(total));
}

bool THTTPProxyServer::ConnectTunnelUpstream(TTCPConnection& browser, TTCPClient& upstream,
                                             const std::string& target) {
  try {
    upstream.Connect();
  } catch (const EConnectError& error) {
    const std::optional<TUpstreamRoute> next =
        OnUpstreamFailed ? OnUpstreamFailed(upstream.Host, upstream.Port) : std::nullopt;
    if (!next || (next->Host.empty() && next->Refuse)) {
      if (next) {
        SendNoUpstream(browser);
      } else {
        SendHostNotFound(browser, ::HostNotFoundDetails(upstream.Host, nullptr, error.what()));
      }
      throw;
    }
    if (next->Host.empty() || !next->Tunnel) {
      // No upstream for tunnels any more: the far end directly, as without one.
      AimAtTarget(upstream, target);
      ConnectUpstream(browser, upstream, nullptr);
      return true;
    }
    upstream.Host = next->Host;
    upstream.Port = static_cast<std::uint16_t>(next->Port);
    ConnectUpstream(browser, upstream, nullptr);
  }
  return ConnectThroughUpstream(browser, upstream, target);
}

bool THTTPProxyServer::ConnectThroughUpstream(TTCPConnection& browser, TTCPClient& upstream,
                                              const std::string& target) {
  upstream.SetReadTimeout(UpstreamReadTimeout);
  upstream.Write("CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n");
  const THeaderList answer(upstream.Capture());
  const std::string_view status = answer.Count() == 0 ? std::string_view() : answer[0];
  const std::size_t space = status.find(' ');
  if (space != std::string_view::npos && status.substr(space + 1, 1) == "2") {
    return true;
  }
  SendHostNotFound(browser, ::HostNotFoundDetails(upstream.Host, nullptr,
                                                  "the upstream proxy refused the tunnel: " +
                                                      std::string(status)));
  return false;
}
