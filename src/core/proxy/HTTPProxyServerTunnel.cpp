// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/NetError.h"
#include "net/TCPClient.h"
#include "net/TunnelRelay.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

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
    const std::size_t colon = target.find(':');
    upstream.Host = target.substr(0, colon);
    upstream.Port = static_cast<std::uint16_t>(
        ParsePort(colon == std::string::npos ? std::string_view()
                                             : std::string_view(target).substr(colon + 1),
                  443));
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
      const std::size_t colon = target.find(':');
      upstream.Host = target.substr(0, colon);
      upstream.Port = static_cast<std::uint16_t>(
          ParsePort(colon == std::string::npos ? std::string_view()
                                               : std::string_view(target).substr(colon + 1),
                    443));
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
