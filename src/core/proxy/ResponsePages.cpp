// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/ResponsePages.h"

#include "common/ProductInfo.h"

#include <cstdio>

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

std::string Page(const TPageSite& site, std::string_view statusLine, std::string_view extraHeader,
                 std::string_view title, std::string_view heading, std::string_view messageLine) {
  static const std::string filler = FillerComment();
  std::string page;
  page.reserve(1024);
  page.append(statusLine).append("\r\n");
  if (!extraHeader.empty()) {
    page.append(extraHeader).append("\r\n");
  }
  page.append("Date: ").append(site.Date).append("\r\n");
  page.append("Server: ").append(site.ServerName).append("\r\n");
  page.append("Via: ").append(site.Via).append("\r\n");
  page.append("Connection: close\r\n\r\n");
  page.append("<html><head>\r\n").append(title).append("\r\n</head><body>\r\n");
  page.append(heading).append("\r\n");
  if (!messageLine.empty()) {
    page.append(messageLine).append("\r\n");
  }
  page.append("<hr>\r\n<address>")
      .append(site.ServerName)
      .append(" Port ")
      .append(std::to_string(site.Port))
      .append(" &ndash; <a href=\"")
      .append(ProductInfo::HomePage)
      .append("\">")
      .append(ProductInfo::ProgramName)
      .append("</a> privacy proxy</address>\r\n");
  page.append(filler).append("\r\n</body></html>\r\n");
  return page;
}

std::string MessageLine(std::string_view message, std::string_view fallback) {
  std::string line = "<h2>";
  line.append(message.empty() ? fallback : message).append("</h2>");
  return line;
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

std::string FileNotFoundPage(const TPageSite& site, std::string_view message) {
  return Page(site, "HTTP/1.0 404 File not Found", {}, "<title>404 File not found</title>",
              "<h1>404 File not found</h1>",
              MessageLine(message, "The requested file was not found on this server."));
}

std::string AccessDeniedPage(const TPageSite& site, std::string_view message) {
  return Page(site, "HTTP/1.0 401 Access denied", {}, "<title>401 Access denied</title>",
              "<h1>401 Access denied</h1>",
              MessageLine(message, "Your request requires authentication."));
}

std::string ProxyAuthRequiredPage(const TPageSite& site, std::string_view message) {
  return Page(site, "HTTP/1.0 407 Proxy Authentication Required",
              "Proxy-Authenticate: Basic realm=\"" + site.ServerName + "\"",
              "<title>407 Proxy Authentication Required</title>",
              "<h1>407 Proxy Authentication Required</h1>",
              message.empty() ? std::string() : MessageLine(message, {}));
}

std::string HostNotFoundPage(const TPageSite& site, std::string_view details) {
  return Page(site, "HTTP/1.1 404 Not found", {}, "<title>Host not found</title>",
              "<h2>Host not found</h2>", details);
}

std::string HostNotFoundDetails(std::string_view host, const std::string* document,
                                std::string_view error) {
  std::string details = "<p><b>Host: </b>" + EscapeHTML(host) + "<br>";
  if (document) {
    details += "<b>Document: </b>" + EscapeHTML(*document) + "<br>";
  }
  return details + "<b>Error text: </b>" + EscapeHTML(error) + " (<a href=\"" +
         std::string(ProductInfo::ConnectErrorHelpLink) +
         "\">Winsock error codes</a>)</p><p>&nbsp;</p>";
}
