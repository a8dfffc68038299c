// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "net/TCPConnection.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

#include <gtest/gtest.h>

namespace {

const TPageSite Site{"Quorvane 1.20", "1.0 Quorvane (1.20 http://www.quorvane.example/)", 8080,
                     "Tue, 05 Mar 2024 14:07:09 GMT"};

const std::string Dashes(64, '-');
const std::string Filler = "<!-- " + Dashes + " " + Dashes + " " + Dashes + " " + Dashes + " " +
                           Dashes + " " + Dashes + " " + Dashes + "//-->";

const std::string Head = "Date: Tue, 05 Mar 2024 14:07:09 GMT\r\n"
                         "Server: Quorvane 1.20\r\n"
                         "Via: 1.0 Quorvane (1.20 http://www.quorvane.example/)\r\n"
                         "Connection: close\r\n"
                         "\r\n"
                         "<html><head>\r\n";

const std::string Foot = "<hr>\r\n"
                         "<address>Quorvane 1.20 Port 8080 &ndash; <a "
                         "href=\"http://www.quorvane.example/\">Quorvane</a> privacy "
                         "proxy</address>\r\n" +
                         Filler + "\r\n</body></html>\r\n";

TEST(ResponsePages, FillerCommentIsExactly464Characters) {
  const std::string page = FileNotFoundPage(Site);
  const std::size_t start = page.find("<!-- ");
  ASSERT_NE(start, std::string::npos);
  const std::size_t end = page.find("\r\n", start);
  const std::string line = page.substr(start, end - start);
  EXPECT_EQ(line.size(), 464u);
  EXPECT_EQ(line, Filler);
}

TEST(ResponsePages, FileNotFoundWithDefaultAndGivenMessage) {
  EXPECT_EQ(FileNotFoundPage(Site), "HTTP/1.0 404 File not Found\r\n" + Head +
                                        "<title>404 File not found</title>\r\n</head><body>\r\n"
                                        "<h1>404 File not found</h1>\r\n"
                                        "<h2>The requested file was not found on this "
                                        "server.</h2>\r\n" +
                                        Foot);
  EXPECT_EQ(FileNotFoundPage(Site, "gone"),
            "HTTP/1.0 404 File not Found\r\n" + Head +
                "<title>404 File not found</title>\r\n</head><body>\r\n"
                "<h1>404 File not found</h1>\r\n<h2>gone</h2>\r\n" +
                Foot);
}

TEST(ResponsePages, AccessDeniedWithDefaultAndGivenMessage) {
  EXPECT_EQ(AccessDeniedPage(Site), "HTTP/1.0 401 Access denied\r\n" + Head +
                                        "<title>401 Access denied</title>\r\n</head><body>\r\n"
                                        "<h1>401 Access denied</h1>\r\n"
                                        "<h2>Your request requires authentication.</h2>\r\n" +
                                        Foot);
  EXPECT_EQ(AccessDeniedPage(Site, "Aufruf der Seite http://a.example/<x>&y nicht erlaubt."),
            "HTTP/1.0 401 Access denied\r\n" + Head +
                "<title>401 Access denied</title>\r\n</head><body>\r\n"
                "<h1>401 Access denied</h1>\r\n"
                "<h2>Aufruf der Seite http://a.example/<x>&y nicht erlaubt.</h2>\r\n" +
                Foot);
}

TEST(ResponsePages, ProxyAuthRequiredWithoutMessageGoesFromHeadingToRule) {
  EXPECT_EQ(ProxyAuthRequiredPage(Site),
            "HTTP/1.0 407 Proxy Authentication Required\r\n"
            "Proxy-Authenticate: Basic realm=\"Quorvane 1.20\"\r\n" +
                Head +
                "<title>407 Proxy Authentication Required</title>\r\n</head><body>\r\n"
                "<h1>407 Proxy Authentication Required</h1>\r\n" +
                Foot);
}

TEST(ResponsePages, HostNotFoundCarriesTheDetailsUnchanged) {
  EXPECT_EQ(HostNotFoundPage(Site, "<p>details</p>"),
            "HTTP/1.1 404 Not found\r\n" + Head +
                "<title>Host not found</title>\r\n</head><body>\r\n"
                "<h2>Host not found</h2>\r\n<p>details</p>\r\n" +
                Foot);
}

TEST(ResponsePages, HostNotFoundDetailsNameHostDocumentAndErrorEscaped) {
  const std::string document = "/doc<x>.html";
  EXPECT_EQ(HostNotFoundDetails("h.example", &document, "Connection refused (errno 111)"),
            "<p><b>Host: </b>h.example<br><b>Document: </b>/doc&lt;x&gt;.html<br><b>Error text: "
            "</b>Connection refused (errno 111) (<a "
            "href=\"https://man7.org/linux/man-pages/man3/errno.3.html\">Winsock error "
            "codes</a>)</p><p>&nbsp;</p>");
  EXPECT_EQ(HostNotFoundDetails("h", nullptr, "e"),
            "<p><b>Host: </b>h<br><b>Error text: </b>e (<a "
            "href=\"https://man7.org/linux/man-pages/man3/errno.3.html\">Winsock error "
            "codes</a>)</p><p>&nbsp;</p>");
}

TEST(ResponsePages, EveryPageBodyIsLongerThan512Bytes) {
  for (const std::string& page : {FileNotFoundPage(Site), AccessDeniedPage(Site),
                                  ProxyAuthRequiredPage(Site), HostNotFoundPage(Site, {})}) {
    EXPECT_GT(page.size() - page.find("\r\n\r\n") - 4, 512u);
  }
}

// The server writes the page built from its own values, the listening port and the
// current date.
TEST(ResponsePages, ServerSendsThePageOfItsValues) {
  THTTPProxyServer server;
  server.SetServerName("Quorvane 1.20");
  server.SetVia("1.0 Quorvane (1.20 http://www.quorvane.example/)");
  server.SetPort(0);
  server.SetEnabled(true);
  const auto [reader, writer] = loopback::Pair();
  const std::time_t before = std::time(nullptr);
  {
    TTCPConnection connection(writer);
    server.SendFileNotFound(connection, "gone");
  }
  const std::time_t after = std::time(nullptr);
  const std::string bytes = loopback::ReceiveAll(reader);
  ::close(reader);
  bool matched = false;
  for (std::time_t moment = before; moment <= after; ++moment) {
    TPageSite site{"Quorvane 1.20", "1.0 Quorvane (1.20 http://www.quorvane.example/)",
                   server.ListeningPort(), HTTPDate(moment)};
    matched = matched || bytes == FileNotFoundPage(site, "gone");
  }
  EXPECT_TRUE(matched) << bytes;
}

TEST(HTTPDate, FormatsInEnglishWithTwoDigitFields) {
  EXPECT_EQ(HTTPDate(1709647629), "Tue, 05 Mar 2024 14:07:09 GMT");
  EXPECT_EQ(HTTPDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
}

TEST(EscapeHTML, ReplacesTheFiveSpecialCharacters) {
  EXPECT_EQ(EscapeHTML("<a href=\"x\">'&'</a>"),
            "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

} // namespace
