// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ProductInfo.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

namespace {

// "<!-- " + seven runs of 64 dashes + "//-->": pads every page past 512 bytes, below
// which some browsers replace a server's error page with their own.
std::string FillerComment() {
  std::string filler = "<!-- ";
  for (int run = 0; run < 7; ++run) {
    filler.append(64, '-');
    filler += run < 6 ? " " : "";
  }
  return filler + "//-->";
}

} // namespace

std::string HTTPDate(std::time_t moment) {
  static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  ::gmtime_r(&moment, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", Days[utc.tm_wday],
                utc.tm_mday, Months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

std::string EscapeHTML(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
    case '<':
      escaped += "&lt;";
      break;
    case '>':
      escaped += "&gt;";
      break;
    case '&':
      escaped += "&amp;";
      break;
    case '"':
      escaped += "&quot;";
      break;
    case '\'':
      escaped += "&#39;";
      break;
    default:
      escaped += c;
    }
  }
  return escaped;
}

std::string THTTPProxyServer::PageFoot() const {
  static const std::string filler = FillerComment();
  const std::string home(ProductInfo::HomePage);
  return "<hr>\r\n<address>" + ServerName() + " Port " + std::to_string(ListeningPort()) +
         " &ndash; <a href=\"" + home + "\">" + std::string(ProductInfo::ProgramName) +
         "</a> privacy proxy</address>\r\n" + filler + "\r\n</body></html>\r\n";
}

void THTTPProxyServer::SendPage(TTCPConnection& connection, std::string_view statusLine,
                                std::string_view extraHeader, std::string_view title,
                                std::string_view heading, std::string_view messageLine) {
  std::string page;
  page.reserve(1024);
  page.append(statusLine).append("\r\n");
  if (!extraHeader.empty()) {
    page.append(extraHeader).append("\r\n");
  }
  page.append("Date: ").append(HTTPDate(std::time(nullptr))).append("\r\n");
  page.append("Server: ").append(ServerName()).append("\r\n");
  page.append("Via: ").append(Via()).append("\r\n");
  page.append("Connection: close\r\n\r\n");
  page.append("<html><head>\r\n").append(title).append("\r\n</head><body>\r\n");
  page.append(heading).append("\r\n");
  if (!messageLine.empty()) {
    page.append(messageLine).append("\r\n");
  }
  page.append(PageFoot());
  connection.Write(page);
}

void THTTPProxyServer::SendFileNotFound(TTCPConnection& connection, const std::string& message) {
  SendPage(connection, "HTTP/1.0 404 File not Found", {}, "<title>404 File not found</title>",
           "<h1>404 File not found</h1>",
           "<h2>" +
               (message.empty() ? std::string("The requested file was not found on this server.")
                                : message) +
               "</h2>");
}

void THTTPProxyServer::SendAccessDenied(TTCPConnection& connection, const std::string& message) {
  SendPage(connection, "HTTP/1.0 401 Access denied", {}, "<title>401 Access denied</title>",
           "<h1>401 Access denied</h1>",
           "<h2>" +
               (message.empty() ? std::string("Your request requires authentication.") : message) +
               "</h2>");
}

void THTTPProxyServer::SendProxyAuthRequired(TTCPConnection& connection,
                                             const std::string& message) {
  SendPage(connection, "HTTP/1.0 407 Proxy Authentication Required",
           "Proxy-Authenticate: Basic realm=\"" + ServerName() + "\"",
           "<title>407 Proxy Authentication Required</title>",
           "<h1>407 Proxy Authentication Required</h1>",
           message.empty() ? std::string() : "<h2>" + message + "</h2>");
}

void THTTPProxyServer::SendHostNotFound(TTCPConnection& connection, const std::string& details) {
  SendPage(connection, "HTTP/1.1 404 Not found", {}, "<title>Host not found</title>",
           "<h2>Host not found</h2>", details);
}

std::string THTTPProxyServer::HostNotFoundDetails(const std::string& host,
                                                  const std::string* document,
                                                  const std::string& error) const {
  std::string details = "<p><b>Host: </b>" + EscapeHTML(host) + "<br>";
  if (document) {
    details += "<b>Document: </b>" + EscapeHTML(*document) + "<br>";
  }
  return details + "<b>Error text: </b>" + EscapeHTML(error) + " (<a href=\"" +
         std::string(ProductInfo::ConnectErrorHelpLink) +
         "\">Winsock error codes</a>)</p><p>&nbsp;</p>";
}
