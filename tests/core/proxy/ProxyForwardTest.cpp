// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "ScriptedOrigin.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

const std::string SmallPage =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello";

std::string Get(const std::string& target, const std::string& headers = "Host: x\r\n") {
  return "GET " + target + " HTTP/1.1\r\n" + headers + "\r\n";
}

class ProxyForward : public testing::Test {
protected:
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(FOrigin->Port()) + path;
  }
  void Answer(std::string response) {
    FOrigin = std::make_unique<TScriptedOrigin>(std::move(response));
  }

  TProxyUnderTest FProxy;
  std::unique_ptr<TScriptedOrigin> FOrigin = std::make_unique<TScriptedOrigin>(SmallPage);
};

TEST_F(ProxyForward, GetForwardsLocalTargetWithHTTP10AndRelaysTheResponse) {
  const std::string reply = FProxy.Exchange(Get(Url("/a/b.html?x=1")));
  EXPECT_EQ(reply, SmallPage);
  EXPECT_TRUE(FOrigin->FirstRequest().starts_with("GET /a/b.html?x=1 HTTP/1.0\r\nHost: x\r\n"));
}

TEST_F(ProxyForward, ForwardedRequestCarriesViaAndConnectionCloseAndNoHopHeaders) {
  FProxy.Exchange(Get(Url("/"), "Host: x\r\nVia: 1.1 browser-side\r\nConnection: keep-alive\r\n"
                                "Proxy-Connection: keep-alive\r\nKeep-Alive: 300\r\n"));
  const std::string request = FOrigin->FirstRequest();
  EXPECT_EQ(request,
            "GET / HTTP/1.0\r\nHost: x\r\nVia: 1.0 Quorvane (1.20 http://www.quorvane.example/)\r\n"
            "Connection: close\r\n\r\n");
}

TEST_F(ProxyForward, GetThroughUpstreamProxySendsAbsoluteURIEvenForHttps) {
  FProxy.Server.SetAnonymousProxy("127.0.0.1", FOrigin->Port());
  FProxy.Exchange(Get("https://secure.example/page?q=1"));
  EXPECT_TRUE(
      FOrigin->FirstRequest().starts_with("GET https://secure.example/page?q=1 HTTP/1.0\r\n"));
}

TEST_F(ProxyForward, DirectGetOfOtherProtocolIsRefused) {
  const std::string reply = FProxy.Exchange(Get("https://secure.example/"));
  EXPECT_TRUE(reply.starts_with("HTTP/1.0 401 Access denied\r\n"));
  EXPECT_NE(reply.find("<h2>The server does only support http.</h2>"), std::string::npos);
  EXPECT_TRUE(FOrigin->Requests().empty());
}

TEST_F(ProxyForward, TargetWithoutHostIsClosedWithoutReply) {
  EXPECT_EQ(FProxy.Exchange(Get("/index.html")), "");
}

TEST_F(ProxyForward, OnlyTheFirstRequestOfAConnectionIsServed) {
  const std::string reply = FProxy.Exchange(Get(Url("/one")) + Get(Url("/two")));
  EXPECT_EQ(reply, SmallPage);
  EXPECT_EQ(FOrigin->Requests().size(), 1u);
}

TEST_F(ProxyForward, LowerCaseMethodWordIsHandled) {
  EXPECT_EQ(FProxy.Exchange("get " + Url("/") + " HTTP/1.0\r\n\r\n"), SmallPage);
}

TEST_F(ProxyForward, GetEventMayRewriteHeadersBeforeForwarding) {
  FProxy.Server.OnHTTPGet = [](THTTPProxyServer&, TURI& uri, THeaderList& headers) {
    EXPECT_EQ(uri.Document, "page");
    headers.SetValue("User-Agent", "Quorvane 1.20");
    headers.SetValue("Cookie", "");
  };
  FProxy.Exchange(Get(Url("/page"), "Host: x\r\nUser-Agent: Browser/1\r\nCookie: a=b\r\n"));
  EXPECT_EQ(FOrigin->FirstRequest().find("Cookie"), std::string::npos);
  EXPECT_NE(FOrigin->FirstRequest().find("User-Agent: Quorvane 1.20\r\n"), std::string::npos);
}

TEST_F(ProxyForward, GetCountsRequestLineResponseHeadAndBody) {
  const std::string target = "/a";
  FProxy.Exchange(Get(Url(target)));
  const std::int64_t requestLine = std::string("GET /a HTTP/1.0").size();
  const std::int64_t responseHead =
      std::string("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n").size();
  EXPECT_EQ(FProxy.Totals().Bytes, requestLine + responseHead + 5);
}

TEST_F(ProxyForward, ResponseOfLengthZeroRelaysOnlyTheHead) {
  Answer("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nnot part of the body");
  EXPECT_EQ(FProxy.Exchange(Get(Url("/"))), "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
}

TEST_F(ProxyForward, ResponseWithoutLengthIsRelayedUntilTheOriginCloses) {
  std::string body(3 * 1024 * 1024, 'z');
  Answer("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + body);
  EXPECT_EQ(BodyOf(FProxy.Exchange(Get(Url("/")))).size(), body.size());
}

TEST_F(ProxyForward, LargeBodyArrivesByteExact) {
  std::string body(5 * 1024 * 1024 + 3, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) {
    body[i] = static_cast<char>((i * 131) >> 3);
  }
  Answer("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_TRUE(BodyOf(FProxy.Exchange(Get(Url("/")))) == body);
}

TEST_F(ProxyForward, NotModifiedResponseEndsWithItsHead) {
  Answer("HTTP/1.0 304 Not Modified\r\nContent-Length: 100\r\n\r\n");
  EXPECT_EQ(FProxy.Exchange(Get(Url("/"))),
            "HTTP/1.0 304 Not Modified\r\nContent-Length: 100\r\n\r\n");
}

TEST_F(ProxyForward, UnreachableHostGetsHostNotFoundWithHostDocumentAndError) {
  const std::uint16_t closedPort = FOrigin->Port();
  FOrigin.reset();
  const std::string reply =
      FProxy.Exchange(Get("http://127.0.0.1:" + std::to_string(closedPort) + "/doc<x>.html"));
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 404 Not found\r\n"));
  EXPECT_NE(
      reply.find(
          "<p><b>Host: </b>127.0.0.1<br><b>Document: </b>/doc&lt;x&gt;.html<br><b>Error text: </b>"
          "Connection refused (errno 111) (<a "
          "href=\"https://man7.org/linux/man-pages/man3/errno.3.html\">"
          "Winsock error codes</a>)</p><p>&nbsp;</p>"),
      std::string::npos);
}

// Asked with HTTP/1.0, as GET is, the origin answers without chunked framing.
TEST_F(ProxyForward, DirectPostForwardsBodyAndAsksForHTTP10) {
  const std::string reply = FProxy.Exchange(
      "POST " + Url("/form") + " HTTP/1.1\r\nHost: x\r\nContent-Length: 7\r\n\r\na=1&b=2");
  EXPECT_EQ(reply, SmallPage);
  EXPECT_EQ(FOrigin->FirstRequest(),
            "POST /form HTTP/1.0\r\nHost: x\r\nContent-Length: 7\r\n"
            "Via: 1.0 Quorvane (1.20 http://www.quorvane.example/)\r\nConnection: close\r\n\r\n"
            "a=1&b=2");
  const std::int64_t sent =
      std::string("POST /form HTTP/1.0").size() +
      std::string("Host: x\r\nContent-Length: 7\r\nVia: 1.0 Quorvane (1.20 "
                  "http://www.quorvane.example/)\r\nConnection: close\r\n\r\n")
          .size() +
      7;
  const std::int64_t received = HeadOf(SmallPage).size() + 2 + 5;
  EXPECT_EQ(FProxy.Totals().Bytes, sent + received);
}

TEST_F(ProxyForward, PostAskingToContinueIsToldToGoOnAndOriginIsNotAsked) {
  const std::string reply = FProxy.Exchange(
      "POST " + Url("/") + " HTTP/1.1\r\nContent-Length: 2\r\nExpect: 100-continue\r\n\r\nok");
  EXPECT_EQ(reply, "HTTP/1.1 100 Continue\r\n\r\n" + SmallPage);
  EXPECT_EQ(FOrigin->FirstRequest().find("Expect"), std::string::npos);
}

TEST_F(ProxyForward, InterimResponsesOfTheOriginAreNotRelayed) {
  Answer("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n" + SmallPage);
  EXPECT_EQ(FProxy.Exchange("POST " + Url("/") + " HTTP/1.1\r\nContent-Length: 1\r\n\r\nx"),
            SmallPage);
  EXPECT_EQ(FProxy.Exchange(Get(Url("/"))), SmallPage);
}

TEST_F(ProxyForward, PostWithoutLengthForwardsAnEmptyBody) {
  FProxy.Exchange("POST " + Url("/") + " HTTP/1.0\r\nHost: x\r\n\r\nignored");
  EXPECT_TRUE(FOrigin->FirstRequest().ends_with("Connection: close\r\n\r\n"));
}

// The origin must see one length that matches the bytes sent; left as the browser
// wrote it, it could wait for bytes that never come or split the request in two.
TEST_F(ProxyForward, PostWithBadOrRepeatedLengthGoesUpstreamWithTheLengthOfWhatIsSent) {
  struct TCase {
    const char* Name;
    std::string Framing;
    std::string Body;
    std::string Forwarded;
  };
  const TCase cases[] = {
      {"negative", "Content-Length: -5\r\n", "abc", ""},
      {"not a number", "Content-Length: abc\r\n", "xyz", ""},
      {"repeated, different", "Content-Length: 3\r\nContent-Length: 10\r\n", "abcdefghij", "abc"},
      {"repeated, same", "Content-Length: 3\r\ncontent-length: 3\r\n", "abc", "abc"},
      {"chunked", "Transfer-Encoding: chunked\r\n", "3\r\nabc\r\n0\r\n\r\n", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Answer(SmallPage);
    EXPECT_EQ(FProxy.Exchange("POST " + Url("/form") + " HTTP/1.1\r\nHost: x\r\n" + c.Framing +
                              "\r\n" + c.Body),
              SmallPage);
    EXPECT_EQ(FOrigin->FirstRequest(),
              "POST /form HTTP/1.0\r\nHost: x\r\n"
              "Via: 1.0 Quorvane (1.20 http://www.quorvane.example/)\r\nConnection: close\r\n"
              "Content-Length: " +
                  std::to_string(c.Forwarded.size()) + "\r\n\r\n" + c.Forwarded);
  }
}

TEST_F(ProxyForward, PostThroughUpstreamProxyKeepsTheBrowsersRequestLine) {
  FProxy.Server.SetAnonymousProxy("127.0.0.1", FOrigin->Port());
  FProxy.Exchange("POST http://far.example/x HTTP/1.1\r\nContent-Length: 1\r\n\r\nq");
  EXPECT_TRUE(FOrigin->FirstRequest().starts_with("POST http://far.example/x HTTP/1.1\r\n"));
}

TEST_F(ProxyForward, PostOfOtherProtocolIsRefusedOnBothPaths) {
  EXPECT_TRUE(FProxy.Exchange("POST https://s.example/ HTTP/1.0\r\n\r\n")
                  .starts_with("HTTP/1.0 401 Access denied"));
  FProxy.Server.SetAnonymousProxy("127.0.0.1", FOrigin->Port());
  EXPECT_TRUE(FProxy.Exchange("POST https://s.example/ HTTP/1.0\r\n\r\n")
                  .starts_with("HTTP/1.0 401 Access denied"));
  EXPECT_TRUE(FOrigin->Requests().empty());
}

// Browsers send these beside GET, POST and HEAD; each goes on as POST does, through
// the same event (so the same header rules and counters), with its own method word.
TEST_F(ProxyForward, OtherMethodsOfBrowsersAreForwardedAsPostIs) {
  struct TCase {
    const char* Method;
    const char* Sent; // the method word on the forwarded request line
    std::string Rest; // framing and body after the Host line
    std::string Forwarded;
  };
  const TCase cases[] = {
      {"PUT", "PUT", "Content-Length: 4\r\n\r\ndata", "Content-Length: 4\r\n"},
      {"DELETE", "DELETE", "\r\n", ""},
      {"OPTIONS", "OPTIONS", "\r\n", ""},
      {"PATCH", "PATCH", "Content-Length: 2\r\n\r\n{}", "Content-Length: 2\r\n"},
      {"put", "PUT", "Content-Length: 1\r\n\r\nx", "Content-Length: 1\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Method);
    Answer(SmallPage);
    int events = 0;
    FProxy.Server.OnHTTPPost = [&](THTTPProxyServer&, TURI&, THeaderList& headers, TPostData&) {
      ++events;
      headers.SetValue("User-Agent", "rewritten");
    };
    EXPECT_EQ(FProxy.Exchange(std::string(c.Method) + " " + Url("/r") + " HTTP/1.1\r\nHost: x\r\n" +
                              c.Rest),
              SmallPage);
    EXPECT_EQ(events, 1);
    const std::size_t headEnd = c.Rest.find("\r\n\r\n");
    const std::string body = headEnd == std::string::npos ? "" : c.Rest.substr(headEnd + 4);
    EXPECT_EQ(
        FOrigin->FirstRequest(),
        std::string(c.Sent) + " /r HTTP/1.0\r\nHost: x\r\n" + c.Forwarded +
            "User-Agent: rewritten\r\n"
            "Via: 1.0 Quorvane (1.20 http://www.quorvane.example/)\r\nConnection: close\r\n\r\n" +
            body);
  }
}

TEST_F(ProxyForward, SchemeInCapitalsIsHttpAllTheSame) {
  const auto target = [this] {
    return "HTTP://127.0.0.1:" + std::to_string(FOrigin->Port()) + "/caps";
  };
  EXPECT_EQ(FProxy.Exchange("GET " + target() + " HTTP/1.0\r\n\r\n"), SmallPage);
  Answer(SmallPage);
  EXPECT_EQ(FProxy.Exchange("POST " + target() + " HTTP/1.0\r\nContent-Length: 1\r\n\r\nx"),
            SmallPage);
  EXPECT_TRUE(FOrigin->FirstRequest().starts_with("POST /caps HTTP/1.0\r\n"));
}

TEST_F(ProxyForward, PostBodyBeyondMemoryLimitIsSpooledAndArrivesIntact) {
  std::string body(TPostData::MaxInMemory + 12345, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) {
    body[i] = static_cast<char>(i % 253);
  }
  std::atomic<bool> spooled{false};
  FProxy.Server.OnHTTPPost = [&](THTTPProxyServer&, TURI&, THeaderList&, TPostData& data) {
    spooled = data.Spooled();
  };
  FProxy.Exchange("POST " + Url("/upload") + " HTTP/1.0\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_TRUE(spooled);
  EXPECT_TRUE(BodyOf(FOrigin->FirstRequest()) == body);
}

TEST_F(ProxyForward, HeadRelaysTheHeadWithoutWaitingForABody) {
  Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n");
  const std::string reply = FProxy.Exchange("HEAD " + Url("/") + " HTTP/1.0\r\n\r\n");
  EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n");
  EXPECT_TRUE(FOrigin->FirstRequest().starts_with("HEAD / HTTP/1.0\r\n"));
}

TEST_F(ProxyForward, HeadForwardsAnyProtocolAndFailsSilentlyWhenUnreachable) {
  Answer("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n");
  const std::string port = std::to_string(FOrigin->Port());
  EXPECT_EQ(FProxy.Exchange("HEAD ftp://127.0.0.1:" + port + "/file.txt HTTP/1.0\r\n\r\n"),
            "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n");
  EXPECT_TRUE(FOrigin->FirstRequest().starts_with("HEAD /file.txt HTTP/1.0\r\n"));

  const std::uint16_t closedPort = FOrigin->Port();
  FOrigin.reset();
  EXPECT_EQ(
      FProxy.Exchange("HEAD http://127.0.0.1:" + std::to_string(closedPort) + "/ HTTP/1.0\r\n\r\n"),
      "");
}

// The block size bounds every relay step, and so every byte count reported for a body.
TEST_F(ProxyForward, BodyIsRelayedWholeInStepsOfAtMostTheBlockSize) {
  constexpr int BlockSize = 1000;
  std::string body(100000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) {
    body[i] = static_cast<char>(i % 251);
  }
  struct TCase {
    const char* Name;
    std::string Response;
    std::string Request;
  };
  const std::string withLength =
      "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  const std::string untilClose = "HTTP/1.0 200 OK\r\n\r\n" + body;
  const TCase cases[] = {
      {"GET with length", withLength, "GET /a HTTP/1.0\r\n\r\n"},
      {"GET until close", untilClose, "GET /a HTTP/1.0\r\n\r\n"},
      {"POST with length", withLength, "POST /a HTTP/1.0\r\nContent-Length: 1\r\n\r\nx"},
      {"POST until close", untilClose, "POST /a HTTP/1.0\r\nContent-Length: 1\r\n\r\nx"},
  };
  FProxy.Server.SetDefaultTransferBlockSize(BlockSize);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Answer(c.Response);
    std::mutex lock;
    std::vector<std::int64_t> reports;
    FProxy.Server.OnHTTPStatistics = [&](THTTPProxyServer&, const TProxyStatistics& increments) {
      std::lock_guard guard(lock);
      reports.push_back(increments.Bytes);
    };
    std::string request = c.Request;
    request.insert(request.find(' ') + 1, Url(""));
    const std::string reply = FProxy.Exchange(request);
    EXPECT_TRUE(BodyOf(reply) == body);
    FProxy.Totals(); // waits for the connection to end
    std::lock_guard guard(lock);
    std::int64_t total = 0;
    for (const std::int64_t bytes : reports) {
      EXPECT_LE(bytes, BlockSize);
      total += bytes;
    }
    EXPECT_GT(total, static_cast<std::int64_t>(body.size()));
  }
}

TEST_F(ProxyForward, RemoteHeaderEventSeesTheResponseHead) {
  std::promise<std::string> status;
  FProxy.Server.OnHTTPRemoteHTTPHeader = [&](THTTPProxyServer&, THeaderList& headers) {
    status.set_value(headers[0]);
  };
  FProxy.Exchange(Get(Url("/")));
  EXPECT_EQ(status.get_future().get(), "HTTP/1.0 200 OK");
}

// A refusal written before the request body was read: the browser, still sending the
// body, must get the whole page and the end, not a reset that would lose it.
TEST_F(ProxyForward, RefusalBeforeTheBodyIsReadReachesTheBrowserWhole) {
  FProxy.Server.SetBlockedURLS({"blocked"});
  const std::string body(1024 * 1024, 'b');
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  const std::pair<std::string, const char*> cases[] = {
      {"POST " + Url("/blocked") + " HTTP/1.0\r\n" + length + "\r\n", "</html>"},
      {Get("https://secure.example/", length), "does only support http."},
  };
  for (const auto& [head, ending] : cases) {
    const int browser = loopback::Connect(FProxy.Port());
    loopback::SendAll(browser, head);
    bool sent = true;
    for (std::size_t done = 0; done < body.size() && sent;) {
      const ssize_t n = ::send(browser, body.data() + done, body.size() - done, MSG_NOSIGNAL);
      sent = n > 0;
      done += sent ? static_cast<std::size_t>(n) : 0;
    }
    std::string reply;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::recv(browser, buffer, sizeof buffer, 0)) > 0) {
      reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(browser);
    EXPECT_TRUE(sent) << head;
    EXPECT_EQ(n, 0) << head;
    EXPECT_TRUE(reply.starts_with("HTTP/1.0 401 Access denied\r\n")) << head;
    EXPECT_NE(reply.find(ending), std::string::npos) << head;
  }
}

// A request read to its end leaves nothing to wait for: the connection is over when
// the reply is, even while the browser keeps its side open.
TEST_F(ProxyForward, ConnectionEndsWithTheReplyWhenTheRequestWasReadWhole) {
  const std::string requests[] = {
      Get(Url("/page")),
      "POST " + Url("/form") + " HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc",
  };
  for (const std::string& request : requests) {
    const int browser = loopback::Connect(FProxy.Port());
    loopback::SendAll(browser, request);
    EXPECT_EQ(loopback::ReceiveAll(browser), SmallPage) << request;
    const auto deadline = std::chrono::steady_clock::now() + TTCPConnection::LingerTimeout / 2;
    while (FProxy.Server.ActiveConnections() > 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(FProxy.Server.ActiveConnections(), 0u) << request;
    ::close(browser);
  }
}

} // namespace
