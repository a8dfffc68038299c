// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "net/TCPConnection.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

const std::string Filler = "<!-- " + std::string(64, '-') + " " + std::string(64, '-') + " " +
                           std::string(64, '-') + " " + std::string(64, '-') + " " +
                           std::string(64, '-') + " " + std::string(64, '-') + " " +
                           std::string(64, '-') + "//-->";

// Writes one page through a real connection and returns its bytes, with the date
// line's value replaced by DATE.
template <class Writer> std::string Capture(Writer write) {
  THTTPProxyServer server;
  server.SetServerName("Quorvane 1.20");
  server.SetVia("1.0 Quorvane (1.20 http://www.quorvane.example/)");
  server.SetPort(0);
  server.SetEnabled(true);
  const auto [reader, writer] = loopback::Pair();
  {
    TTCPConnection connection(writer);
    write(server, connection);
  }
  const std::string bytes = loopback::ReceiveAll(reader);
  ::close(reader);
  const std::string port = std::to_string(server.ListeningPort());
  return std::regex_replace(std::regex_replace(bytes, std::regex("Date: [^\r]*"), "Date: DATE"),
                            std::regex(" Port " + port + " "), " Port PORT ");
}

std::string Expected(const std::string& statusAndExtra, const std::string& title,
                     const std::string& heading, const std::string& message) {
  return statusAndExtra +
         "Date: DATE\r\nServer: Quorvane 1.20\r\nVia: 1.0 Quorvane (1.20 "
         "http://www.quorvane.example/)\r\n"
         "Connection: close\r\n\r\n<html><head>\r\n" +
         title + "\r\n</head><body>\r\n" + heading + "\r\n" + message +
         "<hr>\r\n<address>Quorvane 1.20 Port PORT &ndash; <a "
         "href=\"http://www.quorvane.example/\">Quorvane</a> "
         "privacy proxy</address>\r\n" +
         Filler + "\r\n</body></html>\r\n";
}

TEST(ResponsePages, FillerCommentIsExactly464Characters) {
  EXPECT_EQ(Filler.size(), 464u);
}

TEST(ResponsePages, FileNotFoundWithDefaultAndGivenMessage) {
  EXPECT_EQ(Capture([](THTTPProxyServer& s, TTCPConnection& c) { s.SendFileNotFound(c); }),
            Expected("HTTP/1.0 404 File not Found\r\n", "<title>404 File not found</title>",
                     "<h1>404 File not found</h1>",
                     "<h2>The requested file was not found on this server.</h2>\r\n"));
  EXPECT_EQ(Capture([](THTTPProxyServer& s, TTCPConnection& c) { s.SendFileNotFound(c, "gone"); }),
            Expected("HTTP/1.0 404 File not Found\r\n", "<title>404 File not found</title>",
                     "<h1>404 File not found</h1>", "<h2>gone</h2>\r\n"));
}

TEST(ResponsePages, AccessDeniedWithDefaultAndGivenMessage) {
  EXPECT_EQ(Capture([](THTTPProxyServer& s, TTCPConnection& c) { s.SendAccessDenied(c); }),
            Expected("HTTP/1.0 401 Access denied\r\n", "<title>401 Access denied</title>",
                     "<h1>401 Access denied</h1>",
                     "<h2>Your request requires authentication.</h2>\r\n"));
}

TEST(ResponsePages, ProxyAuthRequiredWithoutMessageGoesFromHeadingToRule) {
  EXPECT_EQ(Capture([](THTTPProxyServer& s, TTCPConnection& c) { s.SendProxyAuthRequired(c); }),
            Expected("HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic "
                     "realm=\"Quorvane 1.20\"\r\n",
                     "<title>407 Proxy Authentication Required</title>",
                     "<h1>407 Proxy Authentication Required</h1>", ""));
}

TEST(ResponsePages, HostNotFoundCarriesTheDetailsUnchanged) {
  EXPECT_EQ(Capture([](THTTPProxyServer& s, TTCPConnection& c) {
              s.SendHostNotFound(c, "<p>details</p>");
            }),
            Expected("HTTP/1.1 404 Not found\r\n", "<title>Host not found</title>",
                     "<h2>Host not found</h2>", "<p>details</p>\r\n"));
}

TEST(ResponsePages, EveryPageBodyIsLongerThan512Bytes) {
  const std::string page =
      Capture([](THTTPProxyServer& s, TTCPConnection& c) { s.SendProxyAuthRequired(c); });
  EXPECT_GT(page.size() - page.find("\r\n\r\n") - 4, 512u);
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
