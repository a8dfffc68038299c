// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"
#include "net/NetError.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(ProxyLifecycle, ConstructionGivesTheDefaults) {
  const THTTPProxyServer server;
  EXPECT_FALSE(server.Enabled());
  EXPECT_EQ(server.Port(), 8080);
  EXPECT_EQ(server.ProxyAuthType(), TAuthType::atThisPC);
  EXPECT_EQ(server.DefaultTransferBlockSize(), 32768);
  EXPECT_EQ(server.BindErrorMsg(), "Could not bind socket. Address and port are already in use.");
  EXPECT_EQ(server.Via(), "1.0 GenericProxy");
  EXPECT_EQ(server.AnonymousProxy(), "");
  EXPECT_EQ(server.AnonymousProxyPort(), 8080);
  EXPECT_TRUE(server.BlockedURLS().empty());
}

TEST(ProxyLifecycle, PortChangeOnActiveServerRebindsAndOnInactiveServerOnlyStores) {
  THTTPProxyServer server;
  server.SetPort(0);
  server.SetEnabled(true);
  const std::uint16_t first = server.ListeningPort();
  std::uint16_t freePort = 0;
  ::close(loopback::Listen(freePort));
  server.SetPort(freePort);
  EXPECT_EQ(server.ListeningPort(), freePort);
  EXPECT_THROW(loopback::Connect(first), std::runtime_error);
  ::close(loopback::Connect(freePort));

  server.SetEnabled(false);
  server.SetPort(0);
  EXPECT_EQ(server.ListeningPort(), 0);
  EXPECT_EQ(server.Port(), 0);
}

TEST(ProxyLifecycle, SettingTheCurrentPortChangesNothing) {
  THTTPProxyServer server;
  server.SetPort(0);
  server.SetEnabled(true);
  const std::uint16_t port = server.ListeningPort();
  const int kept = loopback::Connect(port);
  loopback::SendAll(kept, "GET");
  for (int i = 0; i < 500 && server.ActiveConnections() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  server.SetPort(0);
  EXPECT_EQ(server.ListeningPort(), port);
  EXPECT_EQ(server.ActiveConnections(), 1u);
  ::close(kept);
}

TEST(ProxyLifecycle, PortInUseShowsBindErrorAndLeavesServerInactive) {
  std::uint16_t busyPort = 0;
  const int busy = loopback::Listen(busyPort);
  THTTPProxyServer server;
  server.SetBindErrorMsg("Port belegt");
  std::string shown;
  server.OnBindError = [&](const std::string& message) { shown = message; };
  server.SetPort(0);
  server.SetEnabled(true);
  server.SetPort(busyPort);
  EXPECT_EQ(shown, "Port belegt");
  EXPECT_FALSE(server.Active());
  EXPECT_TRUE(server.Enabled());
  ::close(busy);
}

TEST(ProxyLifecycle, EnablingOnAPortInUseRaisesYetReadsEnabled) {
  std::uint16_t busyPort = 0;
  const int busy = loopback::Listen(busyPort);
  THTTPProxyServer server;
  server.SetPort(busyPort);
  EXPECT_THROW(server.SetEnabled(true), ESocketError);
  EXPECT_TRUE(server.Enabled());
  EXPECT_FALSE(server.Active());
  ::close(busy);
}

// The "400 " line is no response a browser can read; left open, the connection would
// hold the browser's request until the idle time-out.
TEST(ProxyLifecycle, UnknownMethodGets400WithTheLineAndTheConnectionCloses) {
  TProxyUnderTest proxy;
  const int handle = loopback::Connect(proxy.Port());
  loopback::SendAll(handle, "BREW /pot HTTP/1.1\r\nHost: x\r\n\r\n");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(loopback::ReceiveAll(handle), "400 BREW /pot HTTP/1.1\r\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  ::close(handle);
}

// A request whose origin has sent part of its answer and then stalls.
class ProxyStalledOrigin : public testing::TestWithParam<std::string> {
protected:
  ProxyStalledOrigin() {
    FListener = loopback::Listen(FOriginPort);
    FProxy.Server.OnConnect = [this](TContext& context) { FContext.set_value(&context); };
    FBrowser = loopback::Connect(FProxy.Port());
    const std::string body = GetParam() == "POST" ? "Content-Length: 1\r\n\r\nx" : "\r\n";
    loopback::SendAll(FBrowser, GetParam() + " http://127.0.0.1:" + std::to_string(FOriginPort) +
                                    "/ HTTP/1.0\r\n" + body);
    FOrigin = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    loopback::ReceiveExactly(FOrigin, 10);
    loopback::SendAll(FOrigin, "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst");
  }
  ~ProxyStalledOrigin() override {
    ::close(FOrigin);
    ::close(FBrowser);
    ::close(FListener);
  }
  // True when the proxy closes its upstream connection within two seconds.
  bool UpstreamClosed() const {
    pollfd fd{FOrigin, POLLIN, 0};
    char rest[4096];
    for (int i = 0; i < 100; ++i) {
      if (::poll(&fd, 1, 20) > 0 && ::recv(FOrigin, rest, sizeof rest, MSG_DONTWAIT) == 0) {
        return true;
      }
    }
    return false;
  }

  TProxyUnderTest FProxy;
  std::promise<TContext*> FContext;
  std::uint16_t FOriginPort = 0;
  int FListener = -1;
  int FBrowser = -1;
  int FOrigin = -1;
};

TEST_P(ProxyStalledOrigin, DisconnectRemoteClosesTheLinkedUpstreamConnection) {
  TContext* context = FContext.get_future().get();
  for (int i = 0; i < 500 && !context->Linked(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  FProxy.Server.DisconnectRemote(*context);
  EXPECT_TRUE(UpstreamClosed());
}

TEST_P(ProxyStalledOrigin, DisablingTheServerAlsoClosesTheUpstreamConnection) {
  FProxy.Server.SetEnabled(false);
  EXPECT_TRUE(UpstreamClosed());
}

INSTANTIATE_TEST_SUITE_P(Methods, ProxyStalledOrigin, testing::Values("GET", "POST", "HEAD"));

} // namespace
