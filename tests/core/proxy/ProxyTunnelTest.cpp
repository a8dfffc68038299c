// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

const std::string Established =
    "HTTP/1.0 200 Connection established\r\nProxy-agent: Quorvane 1.20\r\n\r\n";

// A target that takes one connection, expects `expect` bytes, answers `answer` and closes.
class TTunnelTarget {
public:
  TTunnelTarget(std::size_t expect, std::string answer) {
    FListener = loopback::Listen(FPort);
    FThread = std::thread([this, expect, answer = std::move(answer)] {
      const int handle = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
      FReceived.set_value(loopback::ReceiveExactly(handle, expect));
      loopback::SendAll(handle, answer);
      ::close(handle);
    });
  }
  ~TTunnelTarget() {
    FThread.join();
    ::close(FListener);
  }
  std::uint16_t Port() const { return FPort; }
  std::string Received() { return FReceived.get_future().get(); }

private:
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::promise<std::string> FReceived;
  std::thread FThread;
};

TEST(ProxyTunnel, RelaysBothWaysAndReportsTheTotalWhenItCloses) {
  TProxyUnderTest proxy;
  TTunnelTarget target(300, std::string(5000, 's'));
  std::string target_text;
  std::promise<std::string> announced;
  proxy.Server.OnHTTPConnect = [&](THTTPProxyServer&, const std::string& text) {
    announced.set_value(text);
  };
  const int browser = loopback::Connect(proxy.Port());
  loopback::SendAll(browser, "CONNECT 127.0.0.1:" + std::to_string(target.Port()) +
                                 " HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(browser, Established.size()), Established);
  loopback::SendAll(browser, std::string(300, 'c'));
  EXPECT_EQ(loopback::ReceiveAll(browser), std::string(5000, 's'));
  ::close(browser);
  EXPECT_EQ(target.Received(), std::string(300, 'c'));
  EXPECT_EQ(announced.get_future().get(), "127.0.0.1:" + std::to_string(target.Port()));
  EXPECT_EQ(proxy.Totals().Bytes, 5300);
}

TEST(ProxyTunnel, GoesStraightToTargetDespiteUpstreamProxyAndCredentials) {
  TProxyUnderTest proxy;
  TScriptedOrigin upstream("HTTP/1.0 500 Wrong\r\n\r\n");
  proxy.Server.SetAnonymousProxy("127.0.0.1", upstream.Port());
  proxy.Server.SetProxyCredentials("user", "pass");
  TTunnelTarget target(4, "pong");
  const std::string reply = proxy.Exchange("CONNECT 127.0.0.1:" + std::to_string(target.Port()) +
                                           " HTTP/1.1\r\n\r\nping");
  EXPECT_EQ(reply, Established + "pong");
  EXPECT_TRUE(upstream.Requests().empty());
}

TEST(ProxyTunnel, RefusedTargetGetsHostNotFoundNamingHostWithoutPort) {
  TProxyUnderTest proxy;
  const std::uint16_t port = loopback::FreePort();
  const std::string reply =
      proxy.Exchange("CONNECT 127.0.0.1:" + std::to_string(port) + " HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 404 Not found\r\n"));
  EXPECT_NE(reply.find("<p><b>Host: </b>127.0.0.1<br><b>Error text: </b>Connection refused"),
            std::string::npos);
  EXPECT_EQ(proxy.Totals().Bytes, 0);
}

TEST(ProxyTunnel, TargetWithoutPortUses443) {
  // The tests run in a network namespace of their own, where port 443 of loopback is free.
  const int listener = loopback::TryListen(443);
  if (listener < 0) {
    GTEST_SKIP() << "cannot listen on 127.0.0.1:443 here (run the suite through scripts/run-tests "
                    "as root, which gives it a network namespace of its own)";
  }
  TProxyUnderTest proxy;
  std::promise<std::string> announced;
  proxy.Server.OnHTTPConnect = [&](THTTPProxyServer&, const std::string& text) {
    announced.set_value(text);
  };
  std::thread target([listener] {
    const int handle = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    loopback::SendAll(handle, "on 443");
    ::close(handle);
  });
  const std::string reply = proxy.Exchange("CONNECT 127.0.0.1 HTTP/1.1\r\n\r\n");
  target.join();
  ::close(listener);
  EXPECT_EQ(announced.get_future().get(), "127.0.0.1");
  EXPECT_EQ(reply, Established + "on 443");
}

TEST(ProxyTunnel, DisablingTheServerClosesTheBrowserSideAtOnce) {
  auto proxy = std::make_unique<TProxyUnderTest>();
  std::uint16_t port = 0;
  const int listener = loopback::Listen(port);
  const int browser = loopback::Connect(proxy->Port());
  loopback::SendAll(browser, "CONNECT 127.0.0.1:" + std::to_string(port) + " HTTP/1.1\r\n\r\n");
  const int target = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  EXPECT_EQ(loopback::ReceiveExactly(browser, Established.size()), Established);
  proxy->Server.SetEnabled(false);
  EXPECT_EQ(loopback::ReceiveAll(browser, 2000ms), "");
  EXPECT_EQ(loopback::ReceiveAll(target, 2000ms), "");
  ::close(browser);
  ::close(target);
  ::close(listener);
}

} // namespace

namespace {

const std::string UpstreamConnect =
    "CONNECT secure.example:443 HTTP/1.0\r\nHost: secure.example:443\r\n\r\n";

TEST(ProxyTunnelUpstream, OpensTheTunnelWithItsOwnConnectToTheUpstream) {
  TProxyUnderTest proxy;
  TTunnelTarget upstream(UpstreamConnect.size(), "HTTP/1.0 200 Connection established\r\n\r\n");
  proxy.Server.SetUpstreamRoute({"127.0.0.1", upstream.Port(), true, false});
  const std::string reply =
      proxy.Exchange("CONNECT secure.example:443 HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(upstream.Received(), UpstreamConnect);
  EXPECT_EQ(reply, Established);
}

TEST(ProxyTunnelUpstream, RefusedUpstreamTunnelIsAnErrorForTheBrowser) {
  TProxyUnderTest proxy;
  TTunnelTarget upstream(UpstreamConnect.size(), "HTTP/1.0 403 Forbidden\r\n\r\n");
  proxy.Server.SetUpstreamRoute({"127.0.0.1", upstream.Port(), true, false});
  const std::string reply =
      proxy.Exchange("CONNECT secure.example:443 HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(upstream.Received(), UpstreamConnect);
  EXPECT_EQ(reply.find("Connection established"), std::string::npos);
  EXPECT_NE(reply.find("403 Forbidden"), std::string::npos) << reply;
}

TEST(ProxyTunnelUpstream, UpstreamNotForTunnelsLeavesConnectDirect) {
  TProxyUnderTest proxy;
  TTunnelTarget target(3, "abc");
  // The upstream is for GET only: the tunnel goes to the target itself.
  proxy.Server.SetUpstreamRoute({"127.0.0.1", 1, false, false});
  const int browser = loopback::Connect(proxy.Port());
  loopback::SendAll(browser,
                    "CONNECT 127.0.0.1:" + std::to_string(target.Port()) + " HTTP/1.1\r\n\r\nxyz");
  EXPECT_EQ(loopback::ReceiveAll(browser), Established + "abc");
  ::close(browser);
  EXPECT_EQ(target.Received(), "xyz");
}

TEST(ProxyFailClosed, RefusesEveryMethodWithoutAnUpstream) {
  TProxyUnderTest proxy;
  proxy.Server.SetUpstreamRoute({"", 8080, true, true});
  for (const std::string request :
       {"GET http://127.0.0.1:1/ HTTP/1.0\r\n\r\n", "HEAD http://127.0.0.1:1/ HTTP/1.0\r\n\r\n",
        "POST http://127.0.0.1:1/ HTTP/1.0\r\nContent-Length: 0\r\n\r\n",
        "CONNECT 127.0.0.1:1 HTTP/1.0\r\n\r\n"}) {
    const std::string reply = proxy.Exchange(request);
    EXPECT_NE(reply.find("Kein anonymer Proxy-Server erreichbar"), std::string::npos)
        << request << reply;
  }
}

TEST(ProxyFailover, FailedUpstreamIsReportedAndTheOfferedRouteTried) {
  TProxyUnderTest proxy;
  TTunnelTarget next(UpstreamConnect.size(), "HTTP/1.0 200 Connection established\r\n\r\n");
  const std::uint16_t dead = next.Port() == 1 ? 2 : 1;
  proxy.Server.SetUpstreamRoute({"127.0.0.1", dead, true, false});
  std::string reported;
  proxy.Server.OnUpstreamFailed = [&](const std::string& host, int port) {
    reported = host + ":" + std::to_string(port);
    return std::optional<TUpstreamRoute>(TUpstreamRoute{"127.0.0.1", next.Port(), true, false});
  };
  const std::string reply =
      proxy.Exchange("CONNECT secure.example:443 HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(reported, "127.0.0.1:" + std::to_string(dead));
  EXPECT_EQ(next.Received(), UpstreamConnect);
  EXPECT_EQ(reply, Established);
}

} // namespace
