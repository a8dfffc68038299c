// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LoopbackSockets.h"
#include "net/TCPConnection.h"

#include <memory>
#include <unistd.h>

// browserPeer <-> [browser | relay | upstream] <-> originPeer: the two connections a
// relay joins, each with the socket that plays its far side.
class TTunnelPeers {
protected:
  TTunnelPeers() {
    const auto [browserPeer, browser] = loopback::Pair();
    const auto [upstream, originPeer] = loopback::Pair();
    FBrowserPeer = browserPeer;
    FOriginPeer = originPeer;
    FBrowser = std::make_unique<TTCPConnection>(browser);
    FUpstream = std::make_unique<TTCPConnection>(upstream);
  }
  ~TTunnelPeers() {
    ::close(FBrowserPeer);
    ::close(FOriginPeer);
  }
  TTunnelPeers(const TTunnelPeers&) = delete;
  TTunnelPeers& operator=(const TTunnelPeers&) = delete;

  int FBrowserPeer;
  int FOriginPeer;
  std::unique_ptr<TTCPConnection> FBrowser;
  std::unique_ptr<TTCPConnection> FUpstream;
};
