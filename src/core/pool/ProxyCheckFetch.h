// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// The two requests of the proxy checks, on libcurl: the check page fetched through
// a proxy, and the address echo fetched directly. Neither looks at the
// environment's proxy variables, and neither can hang.
namespace ProxyCheckFetch {

inline constexpr std::chrono::milliseconds ConnectTimeout{10000};
// A transfer below StallBytesPerSecond for StallTime fails.
inline constexpr long StallBytesPerSecond = 1;
inline constexpr std::chrono::seconds StallTime{10};
inline constexpr std::chrono::milliseconds TotalTimeout{30000};
inline constexpr long MaxRedirects = 5;
inline constexpr std::size_t MaxBodySize = 64 * 1024;

inline constexpr std::string_view CheckPath = "/proxytest/quorvane.php";
inline constexpr std::string_view OwnAddressPath = "/proxytest/ip.php";
inline constexpr std::string_view CheckMarker = "Quorvane Test OK";
inline constexpr std::string_view CheckUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";

struct TResult {
  bool Reached = false; // status 200 with the marker
  std::chrono::milliseconds Elapsed{0};
  // The proxy answered a CONNECT to the web server with an error (only tried once
  // the page came through).
  bool RefusesConnect = false;
};

// The web server's base address: QUORVANE_WEB_SERVER when set, else the product's.
std::string WebServer();

// A host libcurl may take as a proxy host: a name of letters, digits, ".", "-" and
// "_", or an IPv4 or IPv6 address. Anything else ("@", "/", blanks) is refused
// before libcurl sees it.
bool UsableProxyHost(std::string_view host);

// The check page through host:port. abort, when it turns true, ends the transfer.
TResult CheckProxy(const std::string& webServer, const std::string& host, std::uint16_t port,
                   const std::atomic<bool>& abort);

// The echo page's body, direct; empty on any failure.
std::string FetchOwnAddress(const std::string& webServer, const std::atomic<bool>& abort);

// The body trimmed when it is an IPv4 or IPv6 address, else "n/a".
std::string AddressOrUnknown(std::string_view body);

} // namespace ProxyCheckFetch
