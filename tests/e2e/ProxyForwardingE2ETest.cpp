// SPDX-License-Identifier: GPL-3.0-or-later
// GET, POST and HEAD through the running program to real origins on loopback.
#include "E2ETest.h"

#include <gmock/gmock.h>
#include <optional>
#include <sstream>
#include <string_view>

namespace e2e {
namespace {

using e2e::PrintTo;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::size_t MiB = 1024 * 1024;

// The lines of the echo origin's report that start with `prefix`.
std::vector<std::string> ReportLines(const std::string& report, const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) == 0) {
      found.push_back(line.substr(prefix.size()));
    }
  }
  return found;
}

class ProxyForwardingE2E : public TE2ETest {};

// Sizes around the relay's 65535-byte block, an empty body and a large one.
class ProxyGetBodySizeE2E : public TE2ETest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ProxyGetBodySizeE2E, GetBodyArrivesByteExactWithItsLength) {
  const std::size_t size = GetParam();
  const std::string body = PatternBytes(size, static_cast<std::uint32_t>(size) + 1);
  Publish("data.bin", body);
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy();

  const TCurlResult r = CurlVia(proxy, {Url(origin.HttpPort, "/data.bin")});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(size));
  ASSERT_EQ(r.Body.size(), size);
  EXPECT_TRUE(r.Body == body) << "body differs from the origin's file";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProxyGetBodySizeE2E,
                         ::testing::Values(std::size_t{0}, std::size_t{1}, std::size_t{65535},
                                           std::size_t{65536}, std::size_t{131071}, 16 * MiB),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

// The origin sends no Content-Length and ends the body by closing.
class ProxyUnknownLengthE2E : public TE2ETest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ProxyUnknownLengthE2E, ResponseWithoutContentLengthArrivesWhole) {
  const std::size_t size = GetParam();
  const std::string body = PatternBytes(size, 7);
  Publish("nolength.bin", body);
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();

  const TCurlResult r = CurlVia(proxy, {Url(origin, "/file/nolength.bin")});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.Status, 200);
  EXPECT_FALSE(r.HasHeader("Content-Length"));
  ASSERT_EQ(r.Body.size(), size);
  EXPECT_TRUE(r.Body == body) << "body differs from the origin's file";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProxyUnknownLengthE2E,
                         ::testing::Values(std::size_t{1}, std::size_t{200000}, 3 * MiB),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

struct TPostCase {
  const char* Name;
  std::size_t Size;
  std::vector<std::string> Args;
};

class ProxyPostE2E : public TE2ETest, public ::testing::WithParamInterface<TPostCase> {};

TEST_P(ProxyPostE2E, PostBodyArrivesIntactAtOrigin) {
  const std::string body = PatternBytes(GetParam().Size, 11);
  const auto bodyFile = Folder / "post.bin";
  WriteFile(bodyFile, body);
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();

  std::vector<std::string> args = GetParam().Args;
  args.insert(args.end(), {"--data-binary", "@" + bodyFile.string(), "-H",
                           "Content-Type: application/octet-stream", Url(origin, "/echo?q=1")});

  const TCurlResult r = CurlVia(proxy, args);

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  ASSERT_EQ(r.Status, 200) << r.Body;
  // Sent straight to the origin: the local target, asking for HTTP/1.0 as GET does.
  EXPECT_THAT(ReportLines(r.Body, "request: "), ::testing::ElementsAre("POST /echo?q=1 HTTP/1.0"));
  EXPECT_THAT(ReportLines(r.Body, "body-length: "),
              ::testing::ElementsAre(std::to_string(body.size())));
  EXPECT_THAT(ReportLines(r.Body, "body-sha256: "), ::testing::ElementsAre(Sha256Hex(body)));
}

// curl asks "Expect: 100-continue" on its own for bodies over 1 MiB; an HTTP/1.1
// origin then answers "100 Continue" before its final response.
INSTANTIATE_TEST_SUITE_P(
    Bodies, ProxyPostE2E,
    ::testing::Values(TPostCase{"Empty", 0, {}}, TPostCase{"Small", 100, {}},
                      TPostCase{"SmallAskingContinue", 100, {"-H", "Expect: 100-continue"}},
                      TPostCase{"Large20MiBWithoutContinue", 20 * MiB, {"-H", "Expect:"}},
                      TPostCase{"Large20MiB", 20 * MiB, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ProxyForwardingE2E, HeadReturnsHeadersWithoutBody) {
  Publish("page.bin", PatternBytes(100000, 3));
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy();

  // Raw, because curl -I hides whether bytes followed the header block.
  const TRawReply reply =
      RawExchange(proxy.Port, "HEAD " + Url(origin.HttpPort, "/page.bin") + " HTTP/1.0\r\n\r\n",
                  std::chrono::seconds(30));

  ASSERT_FALSE(reply.TimedOut) << "the proxy did not close the connection: " << reply.Bytes;
  EXPECT_EQ(reply.Bytes.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply.Bytes;
  EXPECT_THAT(reply.Bytes, HasSubstr("\r\nContent-Length: 100000\r\n"));
  const std::size_t end = reply.Bytes.find("\r\n\r\n");
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(end + 4, reply.Bytes.size()) << "bytes after the header block";
}

// Every method reaches the origin with "Connection: close", without the browser's
// hop-by-hop keep-alive lines and with our Via replacing the browser's.
struct TMethodCase {
  const char* Name;
  std::vector<std::string> Args;
};

class ProxyRequestHeadersE2E : public TE2ETest,
                               public ::testing::WithParamInterface<TMethodCase> {};

TEST_P(ProxyRequestHeadersE2E, ForwardedRequestCarriesConnectionCloseAndOurVia) {
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();
  std::vector<std::string> args = GetParam().Args;
  args.insert(args.end(), {"-H", "Connection: keep-alive", "-H", "Proxy-Connection: keep-alive",
                           "-H", "Keep-Alive: timeout=300", "-H", "Via: 1.1 browser-side-proxy",
                           Url(origin, "/echo")});

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  ASSERT_EQ(r.Status, 200);
  EXPECT_EQ(r.Header("X-Seen-Connection"), "close");
  EXPECT_EQ(r.Header("X-Seen-Proxy-Connection"), "(absent)");
  EXPECT_EQ(r.Header("X-Seen-Keep-Alive"), "(absent)");
  EXPECT_EQ(r.Header("X-Seen-Via"), ExpectedVia);
}

INSTANTIATE_TEST_SUITE_P(Methods, ProxyRequestHeadersE2E,
                         ::testing::Values(TMethodCase{"Get", {}}, TMethodCase{"Head", {"-I"}},
                                           TMethodCase{"Post", {"--data-binary", "field=value"}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ProxyForwardingE2E, GetIsSentToOriginAsHttp10WithLocalTarget) {
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();

  const TCurlResult r = CurlVia(proxy, {Url(origin, "/echo?x=1&y=%41")});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_THAT(ReportLines(r.Body, "request: "),
              ::testing::ElementsAre("GET /echo?x=1&y=%41 HTTP/1.0"));
  // The browser's other headers pass as they were; User-Agent is replaced by the
  // stored default of the browser-name switch.
  EXPECT_THAT(ReportLines(r.Body, "header: "), ::testing::Contains("Accept: */*"));
  EXPECT_THAT(ReportLines(r.Body, "header: "), ::testing::Contains("User-Agent: Quorvane 1.20"));
}

// An HTTP/1.1 origin that would answer an HTTP/1.1 POST in chunks is asked with HTTP/1.0,
// so it sends the plain body and closes; the reply ends without waiting.
TEST_F(ProxyForwardingE2E, DirectPostGetsAPlainBodyFromAChunkingOrigin) {
  const std::string body = PatternBytes(300000, 5);
  Publish("chunks.bin", body);
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy();

  const TRawReply reply =
      RawExchange(proxy.Port,
                  "POST " + Url(origin, "/chunked/chunks.bin") +
                      " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1\r\n\r\nx",
                  std::chrono::seconds(20));

  ASSERT_FALSE(reply.TimedOut) << "the reply did not end; got " << reply.Bytes.size() << " bytes";
  const std::size_t headerEnd = reply.Bytes.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  EXPECT_THAT(reply.Bytes.substr(0, headerEnd), Not(HasSubstr("Transfer-Encoding")));
  EXPECT_TRUE(reply.Bytes.substr(headerEnd + 4) == body) << "body differs from the origin's file";
}

TEST_F(ProxyForwardingE2E, ConcurrentRequestsEachArriveWhole) {
  constexpr int Transfers = 24;
  const std::string body = PatternBytes(2 * MiB, 9);
  Publish("shared.bin", body);
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy();

  std::vector<std::string> urls;
  for (int i = 0; i < Transfers; ++i) {
    urls.push_back(Url(origin.HttpPort, "/shared.bin?n=" + std::to_string(i)));
  }

  const auto bodies = RunParallelCurlViaProxy(Folder, proxy.Port, urls, {}, 12);

  for (int i = 0; i < Transfers; ++i) {
    const std::string& got = bodies[static_cast<std::size_t>(i)];
    EXPECT_TRUE(got == body) << "transfer " << i << " got " << got.size() << " bytes";
  }
}

struct THostNotFoundCase {
  const char* Name;
  std::vector<std::string> Args;
  bool NamesDocument; // GET names the request target; POST does not
};

class ProxyHostNotFoundE2E : public TE2ETest,
                             public ::testing::WithParamInterface<THostNotFoundCase> {};

TEST_P(ProxyHostNotFoundE2E, UnreachableOriginGetsHostNotFoundPage) {
  const std::uint16_t closed = FreePort();
  const TProxy proxy = StartProxy();
  std::vector<std::string> args = GetParam().Args;
  args.push_back(Url(closed, "/missing/page.html"));

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.StatusLine, "HTTP/1.1 404 Not found");
  EXPECT_THAT(r.Body, HasSubstr("<title>Host not found</title>"));
  EXPECT_THAT(r.Body, HasSubstr("<p><b>Host: </b>127.0.0.1<br>"));
  EXPECT_THAT(r.Body, HasSubstr("<b>Error text: </b>"));
  if (GetParam().NamesDocument) {
    EXPECT_THAT(r.Body, HasSubstr("<b>Document: </b>/missing/page.html<br>"));
  } else {
    EXPECT_THAT(r.Body, Not(HasSubstr("<b>Document: </b>")));
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, ProxyHostNotFoundE2E,
                         ::testing::Values(THostNotFoundCase{"Get", {}, true},
                                           THostNotFoundCase{"Post", {"-d", "a=1"}, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// With an upstream proxy the request goes there, naming the absolute URI; the
// origin's host is never looked up (".invalid" could not be).
struct TUpstreamCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* RequestLine; // as the upstream proxy receives it
};

class ProxyUpstreamE2E : public TE2ETest, public ::testing::WithParamInterface<TUpstreamCase> {};

TEST_P(ProxyUpstreamE2E, UpstreamProxyReceivesAbsoluteUri) {
  const std::uint16_t upstream = StartEchoOrigin();
  const TProxy proxy = StartProxy({"--upstream", "127.0.0.1:" + std::to_string(upstream)});
  std::vector<std::string> args = GetParam().Args;
  args.push_back("http://origin.invalid:8000/echo?x=1");

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  ASSERT_EQ(r.Status, 200) << r.Body;
  EXPECT_EQ(r.Header("X-Seen-Request"), GetParam().RequestLine);
  EXPECT_EQ(r.Header("X-Seen-Via"), ExpectedVia);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ProxyUpstreamE2E,
    ::testing::Values(
        TUpstreamCase{"Get", {}, "GET http://origin.invalid:8000/echo?x=1 HTTP/1.0"},
        TUpstreamCase{"Head", {"-I"}, "HEAD http://origin.invalid:8000/echo?x=1 HTTP/1.0"},
        // POST keeps the browser's request line as it was.
        TUpstreamCase{"Post", {"-d", "a=1"}, "POST http://origin.invalid:8000/echo?x=1 HTTP/1.1"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Only plain http is fetched directly; an upstream proxy may handle other schemes.
TEST_F(ProxyForwardingE2E, HttpsUriInGetIsRefusedWhenForwardingDirectly) {
  const TProxy proxy = StartProxy();

  const TRawReply reply = RawExchange(
      proxy.Port, "GET https://origin.invalid/page HTTP/1.0\r\n\r\n", std::chrono::seconds(20));

  ASSERT_FALSE(reply.TimedOut) << reply.Bytes;
  EXPECT_EQ(reply.Bytes.rfind("HTTP/1.0 401 Access denied\r\n", 0), 0u) << reply.Bytes;
  EXPECT_THAT(reply.Bytes, HasSubstr("<h2>The server does only support http.</h2>"));
}

TEST_F(ProxyForwardingE2E, HttpsUriInGetGoesToUpstreamProxyAsItIs) {
  const std::uint16_t upstream = StartEchoOrigin();
  const TProxy proxy = StartProxy({"--upstream", "127.0.0.1:" + std::to_string(upstream)});

  const TRawReply reply = RawExchange(
      proxy.Port, "GET https://origin.invalid/echo HTTP/1.0\r\n\r\n", std::chrono::seconds(20));

  ASSERT_FALSE(reply.TimedOut) << reply.Bytes;
  EXPECT_THAT(reply.Bytes,
              HasSubstr("\r\nX-Seen-Request: GET https://origin.invalid/echo HTTP/1.0\r\n"));
}

// The access rule admits this machine's addresses: 127.0.0.1 and the first address
// of each network interface. 127.0.0.2 reaches the proxy over loopback but is
// neither, so it stands in for a client elsewhere.
TEST_F(ProxyForwardingE2E, ClientOutsideLocalAddressesIsRefused) {
  Publish("page.html", "local only\n");
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy();

  const TCurlResult refused =
      CurlVia(proxy, {"--interface", "127.0.0.2", Url(origin.HttpPort, "/page.html")},
              std::chrono::seconds(30));
  const std::string logAfterRefusal = ReadFileOrEmpty(origin.AccessLog);
  const TCurlResult admitted =
      CurlVia(proxy, {"--interface", "127.0.0.1", Url(origin.HttpPort, "/page.html")},
              std::chrono::seconds(30));

  ASSERT_EQ(refused.ExitCode, 0) << refused.Describe();
  EXPECT_EQ(refused.StatusLine, "HTTP/1.0 401 Access denied");
  EXPECT_THAT(refused.Body,
              HasSubstr("<h2>Your client is not allowed to access the http proxy server.</h2>"));
  EXPECT_THAT(logAfterRefusal, Not(HasSubstr("/page.html")))
      << "a refused client reached the origin";
  EXPECT_EQ(admitted.Body, "local only\n") << admitted.Describe();
}

} // namespace
} // namespace e2e
