// SPDX-License-Identifier: GPL-3.0-or-later
// The engine over IPv6: bracketed targets, origins and tunnels on ::1, browsers
// reaching the proxy over ::1, and the access rule for IPv6 peers.
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

const std::string SmallPage = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nv6";
const std::string Established =
    "HTTP/1.0 200 Connection established\r\nProxy-agent: Quorvane 1.20\r\n\r\n";

// Sends request to the proxy at ip and returns everything received until it closes.
std::string ExchangeOver(const char* ip, std::uint16_t port, const std::string& request,
                         const char* sourceIP = nullptr) {
  const int handle = loopback::ConnectTo(ip, port, sourceIP);
  loopback::SendAll(handle, request);
  std::string reply = loopback::ReceiveAll(handle);
  ::close(handle);
  return reply;
}

class ProxyIPv6 : public testing::Test {
protected:
  std::string Authority() const { return "[::1]:" + std::to_string(FOrigin.Port()); }

  TScriptedOrigin FOrigin{SmallPage, "::1"};
  TProxyUnderTest FProxy;
};

TEST_F(ProxyIPv6, MethodsReachAnOriginThatListensOnIPv6Only) {
  const std::pair<std::string, std::string> cases[] = {
      {"GET", ""}, {"HEAD", ""}, {"POST", "Content-Length: 3\r\n\r\nabc"}};
  for (const auto& [method, rest] : cases) {
    const std::string reply = FProxy.Exchange(method + " http://" + Authority() +
                                              "/page?x=1 HTTP/1.1\r\nHost: " + Authority() +
                                              "\r\n" + (rest.empty() ? "\r\n" : rest));
    EXPECT_TRUE(reply.starts_with("HTTP/1.0 200 OK")) << method << ": " << reply;
  }
  const std::vector<std::string> requests = FOrigin.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_TRUE(requests[0].starts_with("GET /page?x=1 HTTP/1.0\r\nHost: " + Authority() + "\r\n"));
  EXPECT_TRUE(requests[1].starts_with("HEAD /page?x=1 HTTP/1.0\r\n"));
  EXPECT_TRUE(requests[2].starts_with("POST /page?x=1 HTTP/1.0\r\n"));
  EXPECT_TRUE(requests[2].ends_with("\r\n\r\nabc"));
}

TEST_F(ProxyIPv6, EventsSeeTheHostWithoutBracketsAndTheBlockCheckTheURIWithThem) {
  std::promise<std::string> host;
  FProxy.Server.OnHTTPGet = [&](THTTPProxyServer&, TURI& uri, THeaderList&) {
    host.set_value(uri.Host);
  };
  FProxy.Server.SetBlockedURLS({"[::1]"});
  const std::string reply = FProxy.Exchange("GET http://" + Authority() + "/ HTTP/1.0\r\n\r\n");
  EXPECT_NE(reply.find("Aufruf der Seite http://" + Authority() + "/ nicht erlaubt."),
            std::string::npos);
  FProxy.Server.SetBlockedURLS({});
  EXPECT_TRUE(FProxy.Exchange("GET http://" + Authority() + "/ HTTP/1.0\r\n\r\n")
                  .starts_with("HTTP/1.0 200 OK"));
  EXPECT_EQ(host.get_future().get(), "::1");
}

TEST_F(ProxyIPv6, ThroughAnUpstreamTheAbsoluteURIKeepsItsBrackets) {
  TScriptedOrigin upstream(SmallPage);
  FProxy.Server.SetAnonymousProxy("127.0.0.1", upstream.Port());
  FProxy.Exchange("GET http://[2001:db8::1]:8080/a HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(upstream.FirstRequest().starts_with("GET http://[2001:db8::1]:8080/a HTTP/1.0\r\n"));
}

TEST_F(ProxyIPv6, ZoneIdInATargetIsRefusedWithoutConnecting) {
  EXPECT_EQ(FProxy.Exchange("GET http://[::1%25lo]:" + std::to_string(FOrigin.Port()) +
                            "/ HTTP/1.0\r\n\r\n"),
            "");
  const std::string reply =
      FProxy.Exchange("CONNECT [::1%lo]:" + std::to_string(FOrigin.Port()) + " HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 404 Not found\r\n")) << reply;
  EXPECT_TRUE(FOrigin.Requests().empty());
}

TEST(ProxyIPv6Tunnel, ConnectToABracketedTargetRelaysBothWays) {
  TProxyUnderTest proxy;
  std::uint16_t port = 0;
  const int listener = loopback::ListenOn("::1", port);
  std::thread target([listener] {
    // Bounded, so that a proxy that never connects fails the test instead of hanging it.
    pollfd fd{listener, POLLIN, 0};
    if (::poll(&fd, 1, 5000) <= 0) {
      return;
    }
    const int handle = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    loopback::SendAll(handle, "v6 " + loopback::ReceiveExactly(handle, 4));
    ::close(handle);
  });
  const std::string reply =
      proxy.Exchange("CONNECT [::1]:" + std::to_string(port) + " HTTP/1.1\r\n\r\nping");
  target.join();
  ::close(listener);
  EXPECT_EQ(reply, Established + "v6 ping");
}

TEST(ProxyIPv6Listen, BrowsersReachTheProxyOverIPv6AndIPv4) {
  TScriptedOrigin origin(SmallPage);
  TProxyUnderTest proxy;
  const std::string request =
      "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/ HTTP/1.0\r\n\r\n";
  EXPECT_EQ(ExchangeOver("::1", proxy.Port(), request), SmallPage);
  EXPECT_EQ(ExchangeOver("127.0.0.1", proxy.Port(), request), SmallPage);
}

TEST(ProxyIPv6Access, IPv6PeersFollowTheSameRules) {
  TScriptedOrigin origin(SmallPage);
  struct TCase {
    TAuthType Mode;
    const char* Prefix;
    const char* Over;
    bool Admitted;
  };
  const TCase cases[] = {
      {TAuthType::atThisPC, "", "::1", true},
      {TAuthType::atThisIP, "::1", "::1", true},
      {TAuthType::atThisIP, "::", "::1", true},
      {TAuthType::atThisIP, "127.0.0.1", "::1", false},
      // An IPv4 client on the shared socket is seen in its IPv4 form, not as ::ffff:...
      {TAuthType::atThisIP, "127.0.0.", "127.0.0.1", true},
      {TAuthType::atThisIP, "::ffff:", "127.0.0.1", false},
      {TAuthType::atAll, "", "::1", true},
  };
  for (const TCase& c : cases) {
    TProxyUnderTest proxy;
    proxy.Server.SetProxyAuthType(c.Mode);
    proxy.Server.SetProxyAuthIP(c.Prefix);
    const std::string reply = ExchangeOver(c.Over, proxy.Port(),
                                           "GET http://127.0.0.1:" + std::to_string(origin.Port()) +
                                               "/ HTTP/1.0\r\n\r\n");
    EXPECT_EQ(reply.starts_with("HTTP/1.0 200 OK"), c.Admitted) << c.Over << " prefix " << c.Prefix;
    if (!c.Admitted) {
      EXPECT_TRUE(reply.starts_with("HTTP/1.0 401 Access denied\r\n"));
    }
  }
}

} // namespace
