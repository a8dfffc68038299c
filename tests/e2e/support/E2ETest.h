// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChildProcess.h"
#include "Curl.h"
#include "LocalNet.h"
#include "Peers.h"
#include "TestFiles.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

// The Via value every forwarded request carries.
inline constexpr const char* ExpectedVia = "1.0 Quorvane (1.20 http://www.quorvane.example/)";

struct TNginx {
  std::uint16_t HttpPort = 0;
  std::optional<std::uint16_t> HttpsPort;
  TTlsFiles Tls;
  std::filesystem::path AccessLog;
};

struct TProxy {
  std::uint16_t Port = 0;
  TChildProcess* Process = nullptr;
};

// Base of the end-to-end tests: one temporary folder per test, and every peer and
// proxy the test starts is stopped by its PID at the end, newest first.
class TE2ETest : public ::testing::Test {
protected:
  void TearDown() override;

  // Files the origins serve; nginx serves them at "/NAME", the echo origin at
  // "/file/NAME" (no length) and "/chunked/NAME".
  std::filesystem::path WebRoot();
  void Publish(const std::string& name, std::string_view bytes);

  TChildProcess& Spawn(const TSpawnOptions& options);
  // On 127.0.0.1, or on listenIP alone ("::1" for an origin reached over IPv6 only).
  TNginx StartNginx(bool withTls = false, const std::string& listenIP = "127.0.0.1");
  // The echo origin (origin/echo_origin.py); with `tls`, HTTPS with that certificate.
  std::uint16_t StartEchoOrigin(const std::optional<TTlsFiles>& tls = std::nullopt);
  // `quorvane --headless --port P ARGS...`, once it accepts connections.
  TProxy StartProxy(const std::vector<std::string>& args = {});
  // Starts the program on `port` without waiting for it to listen.
  TChildProcess& LaunchProxy(std::uint16_t port, const std::vector<std::string>& args = {});
  TTlsFiles Certificate();

  TCurlResult Curl(const std::vector<std::string>& args,
                   std::chrono::seconds maxTime = std::chrono::seconds(60));
  TCurlResult CurlVia(const TProxy& proxy, const std::vector<std::string>& args,
                      std::chrono::seconds maxTime = std::chrono::seconds(60));

  static std::string Url(std::uint16_t port, const std::string& path);

  // Headless Chromium through the proxy (at proxyHost, "[::1]" for IPv6); returns the
  // DOM it dumps after loading `url`.
  std::string LoadPageInChromium(const TProxy& proxy, const std::string& url,
                                 const std::vector<std::string>& extraArgs = {},
                                 const std::string& proxyHost = "127.0.0.1");
  static constexpr auto BrowserTimeout = std::chrono::seconds(90);

  TScratchFolder Folder;

private:
  // Starts a server on a fresh port; retries with another port when the child ends
  // before it listens (another test may have taken the port in between).
  std::uint16_t StartListening(const std::string& what,
                               const std::function<TChildProcess&(std::uint16_t)>& launch,
                               const std::string& ip = "127.0.0.1");

  std::vector<std::unique_ptr<TChildProcess>> FChildren;
  std::optional<TTlsFiles> FTls;
  unsigned FLaunches = 0;
};

std::filesystem::path QuorvaneBinary();

// Table rows print as their Name in test listings instead of as raw bytes; a test
// file brings it into its namespace with `using e2e::PrintTo;`.
template <typename TCase>
requires requires(const TCase& c) {
  std::string(c.Name);
}
void PrintTo(const TCase& row, std::ostream* os) {
  *os << row.Name;
}

} // namespace e2e
