// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class THTTPProxyServer;

namespace ProxyEngineSetup {

// The most bytes one relay step moves.
inline constexpr int DefaultTransferBlockSize = 65535;
// The upstream port used until the proxy pool names one.
inline constexpr int AnonymousProxyDefaultPort = 8080;

} // namespace ProxyEngineSetup

// Configures the engine as the program runs it, before the settings come in: access
// for this machine only, the transfer block size, no upstream proxy and no proxy
// credentials, the server name, the Via text and the bind-error text. The port, the
// events and everything the settings decide are the caller's.
void ConfigureProxyEngine(THTTPProxyServer& server);
