// SPDX-License-Identifier: GPL-3.0-or-later
// HTTPS through CONNECT tunnels to real TLS servers on loopback.
#include "E2ETest.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using ::testing::HasSubstr;

constexpr std::size_t MiB = 1024 * 1024;

class ProxyTunnelE2E : public TE2ETest {
protected:
  std::string HttpsUrl(std::uint16_t port, const std::string& path) {
    return "https://localhost:" + std::to_string(port) + path;
  }
  std::vector<std::string> TrustOurCertificate() {
    return {"--cacert", Certificate().Certificate.string()};
  }
};

TEST_F(ProxyTunnelE2E, HttpsPageArrivesThroughTunnel) {
  Publish("index.html", "<p>served over TLS</p>\n");
  const TNginx origin = StartNginx(true);
  const TProxy proxy = StartProxy();
  auto args = TrustOurCertificate();
  args.push_back(HttpsUrl(*origin.HttpsPort, "/index.html"));

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(r.Body, "<p>served over TLS</p>\n");
  EXPECT_THAT(r.AllHeaders, HasSubstr("HTTP/1.0 200 Connection established\r\n"
                                      "Proxy-agent: Quorvane 1.20\r\n\r\n"));
}

TEST_F(ProxyTunnelE2E, LargeDownloadThroughTunnelArrivesByteExact) {
  const std::string body = PatternBytes(16 * MiB, 21);
  Publish("big.bin", body);
  const TNginx origin = StartNginx(true);
  const TProxy proxy = StartProxy();
  auto args = TrustOurCertificate();
  args.push_back(HttpsUrl(*origin.HttpsPort, "/big.bin"));

  const TCurlResult r = CurlVia(proxy, args);

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  ASSERT_EQ(r.Body.size(), body.size());
  EXPECT_TRUE(r.Body == body) << "body differs from the origin's file";
}

// The browser-to-server direction of the relay, checked by the server's own hash.
TEST_F(ProxyTunnelE2E, LargeUploadThroughTunnelArrivesByteExact) {
  const std::string body = PatternBytes(16 * MiB, 23);
  WriteFile(Folder / "upload.bin", body);
  const std::uint16_t origin = StartEchoOrigin(Certificate());
  const TProxy proxy = StartProxy();
  auto args = TrustOurCertificate();
  args.insert(args.end(),
              {"--data-binary", "@" + (Folder / "upload.bin").string(), HttpsUrl(origin, "/echo")});

  const TCurlResult r = CurlVia(proxy, args);

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_THAT(r.Body, HasSubstr("body-length: " + std::to_string(body.size()) + "\n"));
  EXPECT_THAT(r.Body, HasSubstr("body-sha256: " + Sha256Hex(body) + "\n"));
  // Nothing in the tunnel is rewritten: the server sees the browser's own request.
  EXPECT_THAT(r.Body, HasSubstr("request: POST /echo HTTP/1.1\n"));
  EXPECT_EQ(r.Header("X-Seen-Via"), "(absent)");
}

TEST_F(ProxyTunnelE2E, ConcurrentTunnelsEachCarryTheirOwnBytes) {
  constexpr int Transfers = 8;
  const std::string body = PatternBytes(2 * MiB, 25);
  Publish("shared.bin", body);
  const TNginx origin = StartNginx(true);
  const TProxy proxy = StartProxy();

  std::vector<std::string> urls;
  for (int i = 0; i < Transfers; ++i) {
    urls.push_back(HttpsUrl(*origin.HttpsPort, "/shared.bin?n=" + std::to_string(i)));
  }

  const auto bodies = RunParallelCurlViaProxy(Folder, proxy.Port, urls, TrustOurCertificate(), 8);

  for (int i = 0; i < Transfers; ++i) {
    const std::string& got = bodies[static_cast<std::size_t>(i)];
    EXPECT_TRUE(got == body) << "tunnel " << i << " got " << got.size() << " bytes";
  }
}

// CONNECT always goes straight to the target, whatever upstream proxy is set.
TEST_F(ProxyTunnelE2E, TunnelIgnoresUpstreamProxy) {
  Publish("index.html", "direct\n");
  const TNginx origin = StartNginx(true);
  const TProxy proxy = StartProxy({"--upstream", "127.0.0.1:" + std::to_string(FreePort())});
  auto args = TrustOurCertificate();
  args.push_back(HttpsUrl(*origin.HttpsPort, "/index.html"));

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.Body, "direct\n");
}

TEST_F(ProxyTunnelE2E, UnreachableTunnelTargetGetsHostNotFoundPage) {
  const std::uint16_t closed = FreePort();
  const TProxy proxy = StartProxy();

  const TRawReply reply = RawExchange(proxy.Port,
                                      "CONNECT 127.0.0.1:" + std::to_string(closed) +
                                          " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                                      std::chrono::seconds(20));

  ASSERT_FALSE(reply.TimedOut) << "the proxy did not close the connection: " << reply.Bytes;
  EXPECT_EQ(reply.Bytes.rfind("HTTP/1.1 404 Not found\r\n", 0), 0u) << reply.Bytes;
  EXPECT_THAT(reply.Bytes, HasSubstr("<p><b>Host: </b>127.0.0.1<br><b>Error text: </b>"));
}

} // namespace
} // namespace e2e
