// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/NetError.h"

#include <optional>
#include <string>
#include <string_view>

// A TCP port number written as text, or fallback when it is empty or not a valid port.
int ParsePort(std::string_view text, int fallback);

// A host and its port as an authority or a CONNECT target writes them: "host",
// "host:port", "[v6]" or "[v6]:port". The host of a bracketed IPv6 literal comes without
// its brackets; the port is the text after the colon, empty when absent.
struct THostPort {
  std::string Host;
  std::string Port;
};
// nullopt when brackets hold anything but an IPv6 address, a zone id included (a page
// must not pick one of this machine's interfaces), or text follows them other than
// ":port".
std::optional<THostPort> SplitHostPort(std::string_view authority);
// The host as a URL or a Host header writes it: an IPv6 address in brackets.
std::string HostForURL(std::string_view host);

class EURIError : public ENetError {
public:
  using ENetError::ENetError;
};

// A request target split into its parts. For http://u:p@h.example:8000/dir/page.php?x=1#top:
// Protocol "http", Username "u", Password "p", Host "h.example", Port "8000",
// Path "/dir/", Document "page.php", Params "?x=1", Bookmark "top". The host of
// http://[::1]:8080/ is "::1"; an authority SplitHostPort refuses leaves Host and Port empty.
class TURI {
public:
  TURI() = default;
  explicit TURI(std::string_view text);

  std::string Protocol;
  std::string Username;
  std::string Password;
  std::string Host;
  std::string Port; // as written; empty when absent
  std::string Path;
  std::string Document;
  std::string Params; // with its leading "?"
  std::string Bookmark;

  // protocol://host[:port]/path/document?params, an IPv6 host in brackets; the port is
  // left out when empty or "80", credentials and fragment are dropped. Raises EURIError
  // without protocol or host.
  std::string GetFullURI() const;
  // Path, document and parameters: the target a web server expects.
  std::string LocalTarget() const { return Path + Document + Params; }
  // The port as a number, or fallback when it is empty or not a valid port.
  int PortOr(int fallback) const { return ParsePort(Port, fallback); }
  // The scheme, which URIs write in either case, is http.
  bool IsHTTP() const;
};
