// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace e2e {

// The full path of a peer program (PATH, then the sbin folders where Debian puts
// nginx). A missing peer throws with the hint to install it: a test that needs it
// fails instead of passing without having run.
std::filesystem::path FindProgram(std::string_view name);

struct TTlsFiles {
  std::filesystem::path Certificate;
  std::filesystem::path Key;
};
// A self-signed certificate for "localhost" and 127.0.0.1, valid one day, made by
// the openssl command in `folder`.
TTlsFiles MakeSelfSignedCertificate(const std::filesystem::path& folder);

struct TNginxSite {
  std::string ListenIP = "127.0.0.1"; // "::1" for a site reached over IPv6 only
  std::filesystem::path Prefix;       // pid, logs and temp folders go here
  std::filesystem::path Root;         // the files served
  std::uint16_t HttpPort = 0;
  std::optional<std::uint16_t> HttpsPort;
  TTlsFiles Tls; // used with HttpsPort
  // More directives for the server block (locations of generated answers).
  std::string ServerDirectives{};
};
// One foreground nginx process (no master, no daemon) that stops on SIGTERM and
// writes nothing outside Prefix.
std::string NginxConfig(const TNginxSite& site);

} // namespace e2e
