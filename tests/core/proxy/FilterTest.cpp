// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedOrigin.h"

#include <gtest/gtest.h>

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

struct TFilterCase {
  const char* Name;
  std::string Body;
  std::string Expected;
  std::int64_t Removed; // -1: nothing reported
};

TEST(FilterHTMLDocument, RemovesCompleteScriptElementsOnly) {
  const TFilterCase cases[] = {
      {"upper-case element and unclosed start", "a<SCRIPT>x</SCRIPT>b<scripty", "ab<scripty", 1},
      {"two elements", "<script src=a></script>1<script>2</script>3", "13", 2},
      {"element at the very end", "k<script>x</script", "k", 1},
      {"start joined from both sides of a removed element", "<scr<script>x</script>ipt>y</script>z",
       "z", 2},
      {"start without end only", "<script>never closed", "<script>never closed", 0},
      {"no script", "<p>plain</p>", "<p>plain</p>", -1},
  };
  for (const TFilterCase& c : cases) {
    THTTPProxyServer server;
    server.SetBlockJavaScript(true);
    std::int64_t reported = -1;
    server.OnHTTPStatistics = [&](THTTPProxyServer&, const TProxyStatistics& s) {
      reported = s.BlockedJavaScript;
    };
    std::string body = c.Body;
    server.FilterHTMLDocument("/doc", body);
    EXPECT_EQ(body, c.Expected) << c.Name;
    EXPECT_EQ(reported, c.Removed) << c.Name;
  }
}

TEST(FilterHTMLDocument, LeavesDocumentsAtTheLimitAndWithBlockingOffUnchanged) {
  THTTPProxyServer server;
  std::string small = "<script>x</script>";
  server.FilterHTMLDocument("/", small);
  EXPECT_EQ(small, "<script>x</script>");

  server.SetBlockJavaScript(true);
  std::string big =
      "<script>x</script>" + std::string(THTTPProxyServer::MaxFilteredDocument - 18, 'a');
  server.FilterHTMLDocument("/", big);
  EXPECT_EQ(big.size(), THTTPProxyServer::MaxFilteredDocument);
}

TEST(FilterHTMLDocument, DocumentEventSeesTheBodyFirstAndMayReplaceIt) {
  THTTPProxyServer server;
  server.SetBlockJavaScript(true);
  server.OnHTTPDocument = [](THTTPProxyServer&, const std::string& document, std::string& body) {
    EXPECT_EQ(document, "/page");
    body += "<script>added</script>!";
  };
  std::string body = "doc";
  server.FilterHTMLDocument("/page", body);
  EXPECT_EQ(body, "doc!");
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

TEST_F(ProxyFilter, HTMLWithKnownLengthIsFilteredWholeAndAnnouncesTheNewLength) {
  std::string body = "<html>" + std::string(100000, 'a') + "<script>x</script>" +
                     std::string(100, 'b') + "<SCRIPT>y</SCRIPT></html>";
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body);
  FProxy.Server.SetBlockJavaScript(true);
  const std::string reply = Get("/page.html");
  const std::string expected =
      "<html>" + std::string(100000, 'a') + std::string(100, 'b') + "</html>";
  EXPECT_EQ(BodyOf(reply), expected);
  EXPECT_NE(reply.find("Content-Length: " + std::to_string(expected.size()) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(FProxy.Totals().BlockedJavaScript, 2);
}

TEST_F(ProxyFilter, HTMLWithoutLengthIsFilteredWhenItEndsUnderTheLimit) {
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nA<script>x</script>B");
  FProxy.Server.SetBlockJavaScript(true);
  EXPECT_EQ(BodyOf(Get("/")), "AB");
}

TEST_F(ProxyFilter, HTMLAtOrBeyondTheLimitPassesUnfilteredWithOrWithoutLength) {
  const std::string body =
      "<script>x</script>" + std::string(THTTPProxyServer::MaxFilteredDocument, 'a');
  FProxy.Server.SetBlockJavaScript(true);
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_TRUE(BodyOf(Get("/")) == body);
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
  EXPECT_TRUE(BodyOf(Get("/")) == body);
  EXPECT_EQ(FProxy.Totals().BlockedJavaScript, 0);
}

TEST_F(ProxyFilter, NonHTMLBodiesAreNeverFiltered) {
  Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
         "18\r\n\r\n<script>x</script>");
  FProxy.Server.SetBlockJavaScript(true);
  EXPECT_EQ(BodyOf(Get("/")), "<script>x</script>");
}

} // namespace
