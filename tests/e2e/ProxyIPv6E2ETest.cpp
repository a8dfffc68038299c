// SPDX-License-Identifier: GPL-3.0-or-later
// The running program on IPv6: curl through the proxy to an nginx that listens on ::1
// only, and the access rule for a peer on IPv6 that is not this machine.
#include "E2ETest.h"

#include <gmock/gmock.h>
#include <net/if.h>
#include <string_view>

namespace e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string V6Url(const std::string& scheme, std::uint16_t port, const std::string& path) {
  return scheme + "://[::1]:" + std::to_string(port) + path;
}

// curl through the proxy, which it reaches at [::1] as a browser set up with
// "localhost" does first.
std::vector<std::string> ViaV6Proxy(const TProxy& proxy, std::vector<std::string> args) {
  args.insert(args.begin(), {"-x", "http://[::1]:" + std::to_string(proxy.Port)});
  return args;
}

class ProxyIPv6E2E : public TE2ETest {};

TEST_F(ProxyIPv6E2E, CurlReachesAnOriginOnIPv6OnlyWithEveryMethodAndThroughATunnel) {
  Publish("page.html", "over six\n");
  const TNginx origin = StartNginx(true, "::1");
  const TProxy proxy = StartProxy();
  const std::string page = V6Url("http", origin.HttpPort, "/page.html");

  const TCurlResult get = Curl(ViaV6Proxy(proxy, {page}));
  const TCurlResult head = Curl(ViaV6Proxy(proxy, {"-I", page}));
  const TCurlResult tunnel =
      Curl(ViaV6Proxy(proxy, {"-k", V6Url("https", *origin.HttpsPort, "/page.html")}));
  EXPECT_EQ(get.Body, "over six\n") << get.Describe();
  EXPECT_EQ(head.Status, 200) << head.Describe();
  EXPECT_EQ(head.Header("Content-Length"), "9");
  EXPECT_EQ(tunnel.Body, "over six\n") << tunnel.Describe();

  // nginx refuses to change its static files, and says so: the request reached it and
  // its answer came back (today these get a "400 " line and hang for two minutes).
  struct TCase {
    const char* Method;
    std::vector<std::string> Extra;
  };
  const TCase cases[] = {
      {"POST", {"--data-binary", "a=1"}},
      {"PUT", {"--data-binary", "new content"}},
      {"DELETE", {}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args = {"-X", c.Method, page};
    args.insert(args.end(), c.Extra.begin(), c.Extra.end());
    const TCurlResult result = Curl(ViaV6Proxy(proxy, args), std::chrono::seconds(20));
    EXPECT_EQ(result.ExitCode, 0) << c.Method << ": " << result.Describe();
    EXPECT_EQ(result.Status, 405) << c.Method << ": " << result.Describe();
  }
  const std::string log = ReadFileOrEmpty(origin.AccessLog);
  EXPECT_THAT(log, HasSubstr("\"GET /page.html HTTP/1.0\" 200"));
  EXPECT_THAT(log, HasSubstr("\"HEAD /page.html HTTP/1.0\" 200"));
  EXPECT_THAT(log, HasSubstr("\"POST /page.html HTTP/1.0\" 405"));
  EXPECT_THAT(log, HasSubstr("\"PUT /page.html HTTP/1.0\" 405"));
  EXPECT_THAT(log, HasSubstr("\"DELETE /page.html HTTP/1.0\" 405"));
  EXPECT_THAT(log, HasSubstr("\"GET /page.html HTTP/1.1\" 200")) << "the tunnelled request";
}

// Whether this process runs where only loopback exists, as in the network namespace
// scripts/run-tests gives the suite: adding an address to lo touches nothing else there.
bool OnlyLoopbackExists() {
  struct if_nameindex* names = ::if_nameindex();
  if (!names) {
    return false;
  }
  bool onlyLoopback = true;
  for (const struct if_nameindex* entry = names; entry->if_index != 0; ++entry) {
    onlyLoopback = onlyLoopback && std::string_view(entry->if_name) == "lo";
  }
  ::if_freenameindex(names);
  return onlyLoopback;
}

// One more IPv6 address on lo for the test's lifetime. Loopback stands for this
// machine by ::1 alone, so a client on it counts as another machine.
class TExtraLoopbackAddress {
public:
  TExtraLoopbackAddress(TScratchFolder& folder, std::string address)
      : FFolder(folder), FAddress(std::move(address)) {
    Ip({"-6", "addr", "add", FAddress + "/128", "dev", "lo", "nodad"});
  }
  ~TExtraLoopbackAddress() { Ip({"-6", "addr", "del", FAddress + "/128", "dev", "lo"}); }

private:
  void Ip(std::vector<std::string> args) {
    args.insert(args.begin(), FindProgram("ip").string());
    const auto log = FFolder.UniquePath("ip-log");
    TChildProcess ip(TSpawnOptions{.Argv = args, .StdoutPath = log, .StderrPath = log});
    const auto exit = ip.WaitExit(std::chrono::seconds(10));
    if (!exit || !exit->Exited || exit->Code != 0) {
      ip.Stop();
      ADD_FAILURE() << "ip " << args[1] << " " << args[2] << " " << args[3]
                    << " failed: " << ReadFileOrEmpty(log);
    }
  }

  TScratchFolder& FFolder;
  std::string FAddress;
};

TEST_F(ProxyIPv6E2E, AccessRuleRefusesAnIPv6PeerThatIsNotThisMachineAtOnce) {
  ASSERT_TRUE(OnlyLoopbackExists())
      << "this test adds an address to lo; run it through scripts/run-tests, which gives the "
         "suite a network namespace of its own";
  const TExtraLoopbackAddress other(Folder, "fd00::2");
  Publish("page.html", "local only\n");
  const TNginx origin = StartNginx(false, "::1");
  const TProxy proxy = StartProxy();
  const std::string page = V6Url("http", origin.HttpPort, "/page.html");

  const auto started = std::chrono::steady_clock::now();
  const TCurlResult refused =
      Curl({"--interface", "fd00::2", "-x", "http://[fd00::2]:" + std::to_string(proxy.Port), page},
           std::chrono::seconds(30));
  const auto took = std::chrono::steady_clock::now() - started;
  const std::string logAfterRefusal = ReadFileOrEmpty(origin.AccessLog);
  const TCurlResult admitted =
      Curl(ViaV6Proxy(proxy, {"--interface", "::1", page}), std::chrono::seconds(30));

  ASSERT_EQ(refused.ExitCode, 0) << refused.Describe();
  EXPECT_EQ(refused.StatusLine, "HTTP/1.0 401 Access denied");
  EXPECT_THAT(refused.Body,
              HasSubstr("<h2>Your client is not allowed to access the http proxy server.</h2>"));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_THAT(logAfterRefusal, Not(HasSubstr("/page.html")))
      << "a refused client reached the origin";
  EXPECT_EQ(admitted.Body, "local only\n") << admitted.Describe();
}

} // namespace
} // namespace e2e
