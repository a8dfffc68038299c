// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestFiles.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// What the curl program saw: the last response's status and header block (a CONNECT
// tunnel's "200 Connection established" block comes before it and is skipped) and the
// body as it arrived.
struct TCurlResult {
  int ExitCode = -1; // curl's own exit code; 28 means its --max-time ran out
  int Status = 0;    // from -w %{http_code}
  std::string StatusLine;
  std::string Headers;    // the last header block, lines ended by CR LF
  std::string AllHeaders; // every block, a tunnel's "Connection established" included
  std::string Body;
  std::string Stderr;

  // Value of the first header `name` (ASCII case ignored) in the last block, or "".
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
  // For assertion messages: exit code, status line and stderr.
  std::string Describe() const;
};

// Runs `curl -sS --max-time MAX -D ... -o ... -w %{http_code} ARGS...` and waits at most
// a little longer than MAX for it. Proxy variables are removed from its environment,
// so only an explicit -x puts a proxy in the path.
TCurlResult RunCurl(TScratchFolder& folder, const std::vector<std::string>& args,
                    std::chrono::seconds maxTime = std::chrono::seconds(60));

// The same through the proxy at 127.0.0.1:proxyPort.
TCurlResult RunCurlViaProxy(TScratchFolder& folder, std::uint16_t proxyPort,
                            const std::vector<std::string>& args,
                            std::chrono::seconds maxTime = std::chrono::seconds(60));

// Fetches every URL at once through the proxy (curl --parallel, at most
// `parallel` transfers open together). Returns the bodies in the order of `urls`;
// throws when curl fails or does not finish within `maxTime`.
std::vector<std::string>
RunParallelCurlViaProxy(TScratchFolder& folder, std::uint16_t proxyPort,
                        const std::vector<std::string>& urls, const std::vector<std::string>& args,
                        int parallel, std::chrono::seconds maxTime = std::chrono::seconds(60));

// Case-insensitive substring test, for HTML whose tag case varies.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle);

} // namespace e2e
