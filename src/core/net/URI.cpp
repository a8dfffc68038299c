// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/URI.h"

#include "common/AsciiText.h"

#include <arpa/inet.h>
#include <charconv>
#include <netinet/in.h>

TURI::TURI(std::string_view text) {
  if (const std::size_t hash = text.find('#'); hash != std::string_view::npos) {
    Bookmark = text.substr(hash + 1);
    text = text.substr(0, hash);
  }
  if (const std::size_t query = text.find('?'); query != std::string_view::npos) {
    Params = text.substr(query);
    text = text.substr(0, query);
  }
  if (const std::size_t scheme = text.find("://"); scheme != std::string_view::npos) {
    Protocol = text.substr(0, scheme);
    text = text.substr(scheme + 3);
    const std::size_t slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    text = slash == std::string_view::npos ? std::string_view("/") : text.substr(slash);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      const std::string_view credentials = authority.substr(0, at);
      const std::size_t colon = credentials.find(':');
      Username = credentials.substr(0, colon);
      if (colon != std::string_view::npos) {
        Password = credentials.substr(colon + 1);
      }
      authority = authority.substr(at + 1);
    }
    if (std::optional<THostPort> where = SplitHostPort(authority)) {
      Host = std::move(where->Host);
      Port = std::move(where->Port);
    }
  }
  const std::size_t lastSlash = text.rfind('/');
  if (lastSlash == std::string_view::npos) {
    Document = text;
  } else {
    Path = text.substr(0, lastSlash + 1);
    Document = text.substr(lastSlash + 1);
  }
}

std::string TURI::GetFullURI() const {
  if (Protocol.empty() || Host.empty()) {
    throw EURIError("The request target has no protocol or host.");
  }
  std::string uri = Protocol + "://" + HostForURL(Host);
  if (!Port.empty() && Port != "80") {
    uri += ":" + Port;
  }
  return uri + LocalTarget();
}

int ParsePort(std::string_view text, int fallback) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
      value > 65535) {
    return fallback;
  }
  return value;
}

bool TURI::IsHTTP() const {
  return SameTextASCII(Protocol, "http");
}

std::optional<THostPort> SplitHostPort(std::string_view authority) {
  if (!authority.starts_with('[')) {
    const std::size_t colon = authority.find(':');
    THostPort where{std::string(authority.substr(0, colon)), {}};
    if (colon != std::string_view::npos) {
      where.Port = authority.substr(colon + 1);
    }
    return where;
  }
  const std::size_t close = authority.find(']');
  if (close == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string literal(authority.substr(1, close - 1));
  // inet_pton takes neither a zone id nor anything else but the address itself.
  in6_addr address{};
  if (::inet_pton(AF_INET6, literal.c_str(), &address) != 1) {
    return std::nullopt;
  }
  const std::string_view rest = authority.substr(close + 1);
  if (!rest.empty() && !rest.starts_with(':')) {
    return std::nullopt;
  }
  return THostPort{literal, std::string(rest.empty() ? rest : rest.substr(1))};
}

std::string HostForURL(std::string_view host) {
  if (host.find(':') == std::string_view::npos) {
    return std::string(host);
  }
  return "[" + std::string(host) + "]";
}
