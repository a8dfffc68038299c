// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyCheckFetch.h"

#include "common/AsciiText.h"
#include "common/ProductInfo.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace ProxyCheckFetch {
namespace {

struct TCurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TCurl = std::unique_ptr<CURL, TCurlDeleter>;

TCurl NewHandle() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return TCurl(curl_easy_init());
}

struct TBody {
  std::string Text;
  bool Capped = false;
};

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<TBody*>(user);
  const std::size_t bytes = size * count;
  if (body->Text.size() + bytes > MaxBodySize) {
    body->Text.append(data, MaxBodySize - body->Text.size());
    body->Capped = true;
    return 0; // ends the transfer; what arrived is judged
  }
  body->Text.append(data, bytes);
  return bytes;
}

int AbortWhenAsked(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

// The limits every request of the checks shares.
void SetLimits(CURL* curl, const std::atomic<bool>& abort) {
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, StallBytesPerSecond);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(StallTime.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(TotalTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &AbortWhenAsked);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &abort);
}

// The proxy as libcurl's proxy string: only a validated host, bracketed when IPv6,
// with the port set on its own.
void SetProxy(CURL* curl, const std::string& host, std::uint16_t port) {
  const std::string proxy =
      "http://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host);
  curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(port));
  curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  // Nothing bypasses the proxy, whatever no_proxy says.
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
}

bool AcceptsConnect(const std::string& webServer, const std::string& host, std::uint16_t port,
                    const std::atomic<bool>& abort) {
  TCurl curl = NewHandle();
  if (!curl) {
    return false;
  }
  SetLimits(curl.get(), abort);
  SetProxy(curl.get(), host, port);
  curl_easy_setopt(curl.get(), CURLOPT_URL, webServer.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_HTTPPROXYTUNNEL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, std::string(CheckUserAgent).c_str());
  return curl_easy_perform(curl.get()) == CURLE_OK;
}

} // namespace

std::string WebServer() {
  const char* variable =
      std::getenv(std::string(ProductInfo::WebServerEnvironmentVariable).c_str());
  return variable != nullptr && *variable != '\0' ? std::string(variable)
                                                  : std::string(ProductInfo::WebServer);
}

bool UsableProxyHost(std::string_view host) {
  if (host.empty()) {
    return false;
  }
  const std::string text(host);
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    return true;
  }
  for (const char c : host) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    if (!allowed) {
      return false;
    }
  }
  return true;
}

TResult CheckProxy(const std::string& webServer, const std::string& host, std::uint16_t port,
                   const std::atomic<bool>& abort) {
  TResult result;
  const auto start = std::chrono::steady_clock::now();
  TCurl curl = NewHandle();
  if (!curl || !UsableProxyHost(host)) {
    return result;
  }
  const std::string url = webServer + std::string(CheckPath);
  TBody body;
  SetLimits(curl.get(), abort);
  SetProxy(curl.get(), host, port);
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, std::string(CheckUserAgent).c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, MaxRedirects);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &CollectBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  const CURLcode code = curl_easy_perform(curl.get());
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  const bool transferred = code == CURLE_OK || (code == CURLE_WRITE_ERROR && body.Capped);
  result.Reached = transferred && status == 200 && ContainsText(body.Text, CheckMarker);
  result.Elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  if (result.Reached) {
    result.RefusesConnect = !AcceptsConnect(webServer, host, port, abort);
  }
  return result;
}

std::string FetchOwnAddress(const std::string& webServer, const std::atomic<bool>& abort) {
  TCurl curl = NewHandle();
  if (!curl) {
    return {};
  }
  const std::string url = webServer + std::string(OwnAddressPath);
  TBody body;
  SetLimits(curl.get(), abort);
  // Direct, whatever the environment names as a proxy.
  curl_easy_setopt(curl.get(), CURLOPT_PROXY, "");
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, MaxRedirects);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &CollectBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  const CURLcode code = curl_easy_perform(curl.get());
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (code != CURLE_OK || status < 200 || status >= 300) {
    return {};
  }
  return body.Text;
}

std::string AddressOrUnknown(std::string_view body) {
  while (!body.empty() && static_cast<unsigned char>(body.front()) <= ' ') {
    body.remove_prefix(1);
  }
  while (!body.empty() && static_cast<unsigned char>(body.back()) <= ' ') {
    body.remove_suffix(1);
  }
  const std::string text(body);
  in_addr v4{};
  in6_addr v6{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1 || inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    return text;
  }
  return "n/a";
}

} // namespace ProxyCheckFetch
