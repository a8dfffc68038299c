// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/NetError.h"

#include <string>
#include <string_view>

// A TCP port number written as text, or fallback when it is empty or not a valid port.
int ParsePort(std::string_view text, int fallback);

class EURIError : public ENetError {
public:
  using ENetError::ENetError;
};

// A request target split into its parts. For http://u:p@h.example:8000/dir/page.php?x=1#top:
// Protocol "http", Username "u", Password "p", Host "h.example", Port "8000",
// Path "/dir/", Document "page.php", Params "?x=1", Bookmark "top".
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

  // protocol://host[:port]/path/document?params; the port is left out when empty or "80",
  // credentials and fragment are dropped. Raises EURIError without protocol or host.
  std::string GetFullURI() const;
  // Path, document and parameters: the target a web server expects.
  std::string LocalTarget() const { return Path + Document + Params; }
  // The port as a number, or fallback when it is empty or not a valid port.
  int PortOr(int fallback) const { return ParsePort(Port, fallback); }
};
