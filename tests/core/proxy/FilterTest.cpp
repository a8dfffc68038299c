// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(BlockedURLS, EntriesSplitAtFirstDelimiterIntoTermAndExceptions) {
  THTTPProxyServer server;
  server.SetBlockedURLS({"dialer&&!a&&!b", "plain", "x&&!"});
  EXPECT_EQ(server.BlockedURLS(), (std::vector<std::string>{"dialer", "plain", "x"}));
  EXPECT_EQ(server.AllowedURLS(), (std::vector<std::string>{"a&&!b", "", ""}));
  server.SetBlockedURLS({"evil&&!fine"});
  EXPECT_FALSE(server.URLAllowed("http://evil.example/"));
  EXPECT_TRUE(server.URLAllowed("http://evil.example/fine"));
}

// The filters on real requests through the server.
class ProxyFilter : public testing::Test {
protected:
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(FOrigin->Port()) + path;
  }
  std::string Get(const std::string& path) const {
    return FProxy.Exchange("GET " + Url(path) + " HTTP/1.0\r\n\r\n");
  }
  void Answer(std::string response) {
    FOrigin = std::make_unique<TScriptedOrigin>(std::move(response));
  }

  TProxyUnderTest FProxy;
  std::unique_ptr<TScriptedOrigin> FOrigin =
      std::make_unique<TScriptedOrigin>("HTTP/1.0 200 OK\r\n\r\nok");
};

TEST_F(ProxyFilter, BlockedPageGets401WithEscapedAddressAndIsCounted) {
  FProxy.Server.SetBlockedURLS({"evil"});
  const std::string reply = Get("/evil/<script>alert(1)</script>&x=\"1\"");
  EXPECT_TRUE(reply.starts_with("HTTP/1.0 401 Access denied\r\n"));
  EXPECT_NE(reply.find("<h2>Aufruf der Seite " +
                       Url("/evil/&lt;script&gt;alert(1)&lt;/script&gt;&amp;x=&quot;1&quot;") +
                       " nicht erlaubt.</h2>"),
            std::string::npos);
  EXPECT_EQ(reply.find("<script>"), std::string::npos);
  EXPECT_EQ(FProxy.Totals().BlockedURLS, 1);
  EXPECT_TRUE(FOrigin->Requests().empty());
}

TEST_F(ProxyFilter, BlockedPageIsRefusedForEveryMethodWithoutReadingPostBody) {
  FProxy.Server.SetBlockedURLS({"blocked"});
  for (const std::string method : {"GET", "HEAD", "POST"}) {
    const std::string reply = FProxy.Exchange(method + " " + Url("/blocked") +
                                              " HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_TRUE(reply.starts_with("HTTP/1.0 401 Access denied\r\n")) << method;
  }
  EXPECT_EQ(FProxy.Totals().BlockedURLS, 3);
}

struct TExtensionCase {
  const char* Path;
  void (THTTPProxyServer::*Switch)(bool);
  std::int64_t TProxyStatistics::*Counter;
};

TEST_F(ProxyFilter, BlockedExtensionsGet404BeforeAnyUpstreamConnection) {
  const TExtensionCase cases[] = {
      {"/movie.swf", &THTTPProxyServer::SetBlockFlash, &TProxyStatistics::BlockedFlash},
      {"/control.CAB", &THTTPProxyServer::SetBlockActiveX, &TProxyStatistics::BlockedActiveX},
      {"/control.ocx", &THTTPProxyServer::SetBlockActiveX, &TProxyStatistics::BlockedActiveX},
      {"/download.exe.html", &THTTPProxyServer::SetBlockExeFiles,
       &TProxyStatistics::BlockedExeFiles},
      {"/lib/app.json", &THTTPProxyServer::SetBlockJavaScript,
       &TProxyStatistics::BlockedJavaScript},
      {"/page.JS", &THTTPProxyServer::SetBlockJavaScript, &TProxyStatistics::BlockedJavaScript},
      {"/x.vbs", &THTTPProxyServer::SetBlockJavaScript, &TProxyStatistics::BlockedJavaScript},
  };
  for (const TExtensionCase& c : cases) {
    TProxyUnderTest proxy;
    EXPECT_TRUE(
        proxy.Exchange("GET " + Url(c.Path) + " HTTP/1.0\r\n\r\n").starts_with("HTTP/1.0 200 OK"))
        << c.Path;
    (proxy.Server.*c.Switch)(true);
    const std::string reply = proxy.Exchange("GET " + Url(c.Path) + " HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(reply.starts_with("HTTP/1.0 404 File not Found\r\n")) << c.Path;
    EXPECT_NE(reply.find("<h2>The requested file was not found on this server.</h2>"),
              std::string::npos);
    EXPECT_EQ(proxy.Totals().*c.Counter, 1) << c.Path;
  }
  EXPECT_EQ(FOrigin->Requests().size(), std::size(cases));
}

TEST_F(ProxyFilter, ContentTypeMustMatchExactlyToBeBlocked) {
  const std::pair<const char*, bool> cases[] = {{"application/x-javascript", true},
                                                {"application/x-vbscript", true},
                                                {"application/x-javascript; charset=utf-8", false},
                                                {"text/javascript", false}};
  FProxy.Server.SetBlockJavaScript(true);
  for (const auto& [type, blocked] : cases) {
    Answer(std::string("HTTP/1.0 200 OK\r\nContent-Type: ") + type + "\r\n\r\nvar x;");
    const std::string reply = Get("/script");
    EXPECT_EQ(reply.starts_with("HTTP/1.0 404 File not Found"), blocked) << type;
  }
  EXPECT_EQ(FProxy.Totals().BlockedJavaScript, 2);
}

// The filter may change the body: the browser gets no length, and the close ends the body.
TEST_F(ProxyFilter, HTMLIsFilteredAsItPassesAndAnnouncesNoLength) {
  const std::string body = "<html>" + std::string(100000, 'a') + "<script>x</script>" +
                           std::string(100, 'b') + "<SCRIPT>y</SCRIPT></html>";
  const std::string expected =
      "<html>" + std::string(100000, 'a') + std::string(100, 'b') + "</html>";
  FProxy.Server.SetBlockJavaScript(true);
  FProxy.Server.SetDefaultTransferBlockSize(4096);
  const std::string cases[] = {"Content-Length: " + std::to_string(body.size()) + "\r\n", ""};
  for (const std::string& length : cases) {
    Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n" + length + "\r\n" +
           body);
    const std::string reply = Get("/page.html");
    EXPECT_TRUE(BodyOf(reply) == expected) << length;
    EXPECT_EQ(HeadOf(reply), "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n");
  }
  EXPECT_EQ(FProxy.Totals().BlockedJavaScript, 4);
}

// Only header lines lose their framing: a status line that reads like one stays.
TEST_F(ProxyFilter, FilteredResponseKeepsAStatusLineThatLooksLikeAHeader) {
  FProxy.Server.SetBlockJavaScript(true);
  Answer("Content-Length:0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 19\r\n\r\n"
         "a<script>x</script>");
  EXPECT_EQ(Get("/page.html"), "Content-Length:0 200 OK\r\nContent-Type: text/html\r\n\r\na");
}

// Through an upstream proxy, or from an origin that answers HTTP/1.0 in chunks anyway,
// the chunk framing comes off before the filter runs.
TEST_F(ProxyFilter, ChunkedHTMLIsDecodedThenFilteredForEveryMethod) {
  const std::string chunked = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: "
                              "chunked\r\nX-Kept: 1\r\n\r\n"
                              "5\r\nA<scr\r\n"
                              "b;ext=1\r\nipt>x</scri\r\n"
                              "4\r\npt>B\r\n"
                              "0\r\nTrailer: t\r\n\r\n";
  FProxy.Server.SetBlockJavaScript(true);
  for (const std::string request :
       {"GET / HTTP/1.1\r\n\r\n", "POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\nx"}) {
    Answer(chunked);
    const std::string method = request.substr(0, request.find(' '));
    EXPECT_EQ(FProxy.Exchange(method + " " + Url(request.substr(method.size() + 1))),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-Kept: 1\r\n\r\nAB")
        << request;
  }
}

TEST_F(ProxyFilter, LargeHTMLIsFilteredWithOrWithoutLength) {
  std::string body;
  std::string expected;
  for (int i = 0; i < 300; ++i) {
    const std::string text = std::to_string(i) + std::string(10000, 'a');
    body += text + "<script>var i = " + std::to_string(i) + ";</script>";
    expected += text;
  }
  FProxy.Server.SetBlockJavaScript(true);
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_TRUE(BodyOf(Get("/")) == expected);
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
  EXPECT_TRUE(BodyOf(Get("/")) == expected);
  EXPECT_EQ(FProxy.Totals().BlockedJavaScript, 600);
}

// Each block passes the document event before script removal; the receiver may change it.
TEST_F(ProxyFilter, DocumentEventSeesEveryBlockAndMayChangeIt) {
  const std::string body = std::string(5000, 'a') + "<script>x</script>" + std::string(5000, 'b');
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
  FProxy.Server.SetBlockJavaScript(true);
  FProxy.Server.SetDefaultTransferBlockSize(1024);
  std::string seen;
  std::size_t largest = 0;
  FProxy.Server.OnHTTPDocument = [&](THTTPProxyServer&, const std::string& document,
                                     std::string& block) {
    EXPECT_EQ(document, "/page"); // the target as sent to the origin
    seen += block;
    largest = std::max(largest, block.size());
    block += "<script>added</script>!";
  };
  const std::string reply = Get("/page");
  EXPECT_TRUE(seen == body);
  EXPECT_LE(largest, 1024u);
  const std::string filtered = BodyOf(reply);
  EXPECT_EQ(std::count(filtered.begin(), filtered.end(), '!'),
            static_cast<std::ptrdiff_t>((body.size() + 1023) / 1024));
  EXPECT_EQ(filtered.find("<script"), std::string::npos);
}

// What the origin has sent reaches the browser before the document is complete, and
// stays with it when the origin closes early.
TEST(ProxyFilterStreaming, BrowserGetsTheFilteredStartWhileTheOriginStillSends) {
  TProxyUnderTest proxy;
  proxy.Server.SetBlockJavaScript(true);
  std::uint16_t port = 0;
  const int listener = loopback::Listen(port);
  const int browser = loopback::Connect(proxy.Port());
  loopback::SendAll(browser, "GET http://127.0.0.1:" + std::to_string(port) + "/ HTTP/1.0\r\n\r\n");
  const int origin = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  loopback::SendAll(origin, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                            "1000000\r\n\r\nstart<script>x</script>-middle-");
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
  EXPECT_EQ(loopback::ReceiveExactly(browser, head.size() + 12, std::chrono::seconds(5)),
            head + "start-middle");
  loopback::SendAll(origin, "end<script>never closed");
  // An orderly end: closing with the request unread would reset the connection.
  ::shutdown(origin, SHUT_WR);
  EXPECT_EQ(loopback::ReceiveAll(browser, std::chrono::seconds(5)), "-end<script>never closed")
      << "an element still open at the end stays as it came";
  ::close(origin);
  ::close(browser);
  ::close(listener);
}

// A document far larger than any buffer: the origin streams 100 MiB, the browser reads
// it as it comes; scripts across every block boundary are gone.
TEST(ProxyFilterStreaming, HundredMebibyteDocumentIsFilteredOnTheWay) {
  constexpr std::size_t Pieces = 1600;
  const std::string text(64 * 1024 - 17, 'h');
  const std::string script = "<script>x</script>"; // 18 bytes; 64 KiB + 1 per piece
  TProxyUnderTest proxy;
  proxy.Server.SetBlockJavaScript(true);
  std::uint16_t port = 0;
  const int listener = loopback::Listen(port);
  std::thread origin([&] {
    const int handle = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    // The whole request is read: unread input at the close would reset the connection.
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
      const std::string piece = loopback::ReceiveExactly(handle, 1, std::chrono::seconds(5));
      if (piece.empty()) {
        break;
      }
      request += piece;
    }
    try {
      loopback::SendAll(handle, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
      for (std::size_t i = 0; i < Pieces; ++i) {
        loopback::SendAll(handle, text + script);
      }
    } catch (const std::exception&) {
      // The proxy gave up: the checks below fail.
    }
    ::close(handle);
  });
  const int browser = loopback::Connect(proxy.Port());
  loopback::SendAll(browser, "GET http://127.0.0.1:" + std::to_string(port) + "/ HTTP/1.0\r\n\r\n");
  std::size_t received = 0;
  std::size_t scriptBytes = 0;
  char buffer[65536];
  for (;;) {
    pollfd fd{browser, POLLIN, 0};
    if (::poll(&fd, 1, 10000) <= 0) {
      break;
    }
    const ssize_t n = ::recv(browser, buffer, sizeof buffer, 0);
    if (n <= 0) {
      break;
    }
    received += static_cast<std::size_t>(n);
    scriptBytes += static_cast<std::size_t>(std::count(buffer, buffer + n, '<'));
  }
  origin.join();
  ::close(browser);
  ::close(listener);
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
  EXPECT_GT(Pieces * (text.size() + script.size()), 100u * 1024 * 1024);
  EXPECT_EQ(received, head.size() + Pieces * text.size());
  EXPECT_EQ(scriptBytes, 0u);
  EXPECT_EQ(proxy.Totals().BlockedJavaScript, static_cast<std::int64_t>(Pieces));
}

TEST_F(ProxyFilter, NonHTMLBodiesAreNeverFiltered) {
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
         "18\r\n\r\n<script>x</script>");
  FProxy.Server.SetBlockJavaScript(true);
  EXPECT_EQ(BodyOf(Get("/")), "<script>x</script>");
}

} // namespace
