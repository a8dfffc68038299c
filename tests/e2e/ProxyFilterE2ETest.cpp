// SPDX-License-Identifier: GPL-3.0-or-later
// Blocked pages, blocked file types and the script filter, switched on by the
// program's command-line options.
#include "E2ETest.h"

#include <gmock/gmock.h>

namespace e2e {
namespace {

using e2e::PrintTo;
using ::testing::HasSubstr;
using ::testing::Not;

class ProxyFilterE2E : public TE2ETest {};

// ---------------------------------------------------------------- blocked pages

struct TBlockListCase {
  const char* Name;
  const char* Entry; // as given to --block-url
  const char* Path;
  bool Blocked;
};

class ProxyBlockListE2E : public TE2ETest, public ::testing::WithParamInterface<TBlockListCase> {};

TEST_P(ProxyBlockListE2E, BlockListDecidesWhichPagesReachTheOrigin) {
  const TBlockListCase& c = GetParam();
  for (const char* name : {"page.html", "public.html"}) {
    Publish(name, std::string("<p>content of ") + name + "</p>");
  }
  std::filesystem::create_directories(WebRoot() / "secret");
  WriteFile(WebRoot() / "secret" / "page.html", "<p>secret page</p>");
  WriteFile(WebRoot() / "secret" / "public.html", "<p>public page</p>");
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy({"--block-url", c.Entry});
  const std::string url = Url(origin.HttpPort, c.Path);

  const TCurlResult r = CurlVia(proxy, {url}, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  if (c.Blocked) {
    EXPECT_EQ(r.StatusLine, "HTTP/1.0 401 Access denied");
    EXPECT_THAT(r.Body, HasSubstr("<h2>Aufruf der Seite " + url + " nicht erlaubt.</h2>"));
    EXPECT_THAT(ReadFileOrEmpty(origin.AccessLog), Not(HasSubstr(c.Path)))
        << "a blocked page must not be requested from the origin";
  } else {
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.Body, ReadFileOrEmpty(WebRoot() / std::string(c.Path).substr(1)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ProxyBlockListE2E,
    ::testing::Values(TBlockListCase{"TermBlocks", "secret", "/secret/page.html", true},
                      TBlockListCase{"TermIgnoresCase", "SECRET", "/secret/page.html", true},
                      TBlockListCase{"OtherPagePasses", "secret", "/page.html", false},
                      TBlockListCase{"ExceptionPasses", "secret&&!nothing&&!public",
                                     "/secret/public.html", false},
                      TBlockListCase{"ExceptionElsewhereStillBlocks", "secret&&!public",
                                     "/secret/page.html", true}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TBlockedMethodCase {
  const char* Name;
  std::vector<std::string> Args;
};

class ProxyBlockedMethodE2E : public TE2ETest,
                              public ::testing::WithParamInterface<TBlockedMethodCase> {};

TEST_P(ProxyBlockedMethodE2E, BlockedPageIsRefusedForEveryMethod) {
  Publish("page.html", "blocked content\n");
  const TNginx origin = StartNginx();
  const TProxy proxy = StartProxy({"--block-url", "page.html"});
  std::vector<std::string> args = GetParam().Args;
  args.push_back(Url(origin.HttpPort, "/page.html"));

  const TCurlResult r = CurlVia(proxy, args, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.StatusLine, "HTTP/1.0 401 Access denied");
  EXPECT_THAT(ReadFileOrEmpty(origin.AccessLog), Not(HasSubstr("/page.html")));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ProxyBlockedMethodE2E,
    ::testing::Values(TBlockedMethodCase{"Get", {}}, TBlockedMethodCase{"Head", {"-I"}},
                      TBlockedMethodCase{"Post", {"--data-binary", "field=value"}}),
    [](const auto& info) { return std::string(info.param.Name); });

// The URI is the attacker's text; on the proxy's own page it must stay text.
TEST_F(ProxyFilterE2E, BlockedPageEscapesTheUriOnItsPage) {
  const TProxy proxy = StartProxy({"--block-url", "evil"});
  const std::string request =
      "GET http://evil.example/<script>alert(1)</script>?a=1&b=\"2\" HTTP/1.0\r\n"
      "Host: evil.example\r\n\r\n";

  const TRawReply reply = RawExchange(proxy.Port, request, std::chrono::seconds(20));

  ASSERT_FALSE(reply.TimedOut) << "the proxy did not close the connection: " << reply.Bytes;
  EXPECT_EQ(reply.Bytes.rfind("HTTP/1.0 401 Access denied\r\n", 0), 0u) << reply.Bytes;
  EXPECT_THAT(reply.Bytes, HasSubstr("Aufruf der Seite http://evil.example/"
                                     "&lt;script&gt;alert(1)&lt;/script&gt;?a=1&amp;b="));
  EXPECT_THAT(reply.Bytes, Not(HasSubstr("<script>")));
  EXPECT_THAT(reply.Bytes, Not(HasSubstr("b=\"2\"")));
}

// ---------------------------------------------------------------- blocked file types

struct TExtensionCase {
  const char* Name;
  const char* Switch;
  const char* Path;
};

class ProxyExtensionBlockE2E : public TE2ETest,
                               public ::testing::WithParamInterface<TExtensionCase> {
protected:
  TNginx PublishFilesAndStartOrigin() {
    for (const char* name : {"x.exe", "download.exe.html", "app.js", "page.JS", "movie.swf",
                             "control.cab", "control.ocx", "page.html"}) {
      Publish(name, std::string("file ") + name);
    }
    return StartNginx();
  }
};

TEST_P(ProxyExtensionBlockE2E, SwitchedOnExtensionGets404WithoutAskingOrigin) {
  const TExtensionCase& c = GetParam();
  const TNginx origin = PublishFilesAndStartOrigin();
  const TProxy proxy = StartProxy({c.Switch});

  const TCurlResult blocked =
      CurlVia(proxy, {Url(origin.HttpPort, c.Path)}, std::chrono::seconds(30));
  const TCurlResult other =
      CurlVia(proxy, {Url(origin.HttpPort, "/page.html")}, std::chrono::seconds(30));

  ASSERT_EQ(blocked.ExitCode, 0) << blocked.Describe();
  EXPECT_EQ(blocked.StatusLine, "HTTP/1.0 404 File not Found");
  EXPECT_THAT(blocked.Body, HasSubstr("<h1>404 File not found</h1>"));
  EXPECT_THAT(blocked.Body, HasSubstr("<h2>The requested file was not found on this server.</h2>"));
  EXPECT_THAT(ReadFileOrEmpty(origin.AccessLog), Not(HasSubstr(c.Path)));
  EXPECT_EQ(other.Status, 200) << "the switch blocks more than its extension";
}

// Without its option the switch is what a fresh settings store holds: ActiveX
// blocking is on there, the others are off.
TEST_P(ProxyExtensionBlockE2E, ExtensionFollowsStoredDefaultWithoutItsOption) {
  const TExtensionCase& c = GetParam();
  const bool onByDefault = std::string(c.Switch) == "--block-activex";
  const TNginx origin = PublishFilesAndStartOrigin();
  const TProxy proxy = StartProxy();

  const TCurlResult r = CurlVia(proxy, {Url(origin.HttpPort, c.Path)}, std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  if (onByDefault) {
    EXPECT_EQ(r.Status, 404) << r.Describe();
  } else {
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.Body, std::string("file ") + (c.Path + 1));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ProxyExtensionBlockE2E,
    ::testing::Values(TExtensionCase{"Exe", "--block-exe", "/x.exe"},
                      TExtensionCase{"ExeInsideName", "--block-exe", "/download.exe.html"},
                      TExtensionCase{"Script", "--block-js", "/app.js"},
                      TExtensionCase{"ScriptUpperCase", "--block-js", "/page.JS"},
                      TExtensionCase{"Flash", "--block-flash", "/movie.swf"},
                      TExtensionCase{"ActiveXCab", "--block-activex", "/control.cab"},
                      TExtensionCase{"ActiveXOcx", "--block-activex", "/control.ocx"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TContentTypeCase {
  const char* Name;
  const char* Switch;
  const char* ContentType; // as the origin sends it, URL-encoded for the query
  bool Blocked;
};

class ProxyContentTypeBlockE2E : public TE2ETest,
                                 public ::testing::WithParamInterface<TContentTypeCase> {};

TEST_P(ProxyContentTypeBlockE2E, ResponseContentTypeIsBlockedOnlyOnExactMatch) {
  const TContentTypeCase& c = GetParam();
  const std::uint16_t origin = StartEchoOrigin();
  const TProxy proxy = StartProxy({c.Switch});

  const TCurlResult r = CurlVia(proxy, {Url(origin, std::string("/typed?ct=") + c.ContentType)},
                                std::chrono::seconds(30));

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  if (c.Blocked) {
    EXPECT_EQ(r.StatusLine, "HTTP/1.0 404 File not Found");
    EXPECT_THAT(r.Body, Not(HasSubstr("typed body")));
  } else {
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.Body, "typed body\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, ProxyContentTypeBlockE2E,
    ::testing::Values(
        TContentTypeCase{"JavaScript", "--block-js", "application/x-javascript", true},
        TContentTypeCase{"VbScript", "--block-js", "application/x-vbscript", true},
        TContentTypeCase{"WithParameterPasses", "--block-js",
                         "application/x-javascript%3B%20charset%3Dutf-8", false},
        TContentTypeCase{"Flash", "--block-flash", "application/x-shockwave-flash", true},
        TContentTypeCase{"FlashTypeWithScriptSwitchPasses", "--block-js",
                         "application/x-shockwave-flash", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- script filter

// An HTML page with scripts in several spellings among text that must stay.
std::string PageWithScripts(std::size_t padding) {
  std::string page = "<html><head><script>var first = 1;</script></head><body>\n<p>keep-a</p>\n";
  page += "<SCRIPT type=\"text/javascript\">alert('upper');</SCRIPT>\n";
  page += std::string(padding, 'x');
  page += "\n<p>keep-b</p><script src=\"tracker.js\"></script><p>keep-c</p>\n</body></html>\n";
  return page;
}

struct TScriptCase {
  const char* Name;
  std::size_t Padding;
  bool KnownLength; // nginx sends Content-Length; the echo origin's /file/ does not
};

class ProxyScriptFilterE2E : public TE2ETest, public ::testing::WithParamInterface<TScriptCase> {
protected:
  TCurlResult FetchPage(const std::string& page, const std::vector<std::string>& proxyArgs) {
    Publish("page.html", page);
    const TProxy proxy = StartProxy(proxyArgs);
    if (GetParam().KnownLength) {
      return CurlVia(proxy, {Url(StartNginx().HttpPort, "/page.html")});
    }
    return CurlVia(proxy, {Url(StartEchoOrigin(), "/file/page.html")});
  }
};

TEST_P(ProxyScriptFilterE2E, ScriptBlockingRemovesEveryScriptAndAnnouncesNoLength) {
  const TCurlResult r = FetchPage(PageWithScripts(GetParam().Padding), {"--block-js"});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_EQ(r.Status, 200);
  EXPECT_FALSE(ContainsIgnoringCase(r.Body, "<script")) << r.Body.substr(0, 400);
  for (const char* kept : {"<p>keep-a</p>", "<p>keep-b</p>", "<p>keep-c</p>", "</body></html>"}) {
    EXPECT_THAT(r.Body, HasSubstr(kept));
  }
  // The filter changes the body, so its end is the end of the connection.
  EXPECT_EQ(r.Header("Content-Length"), "");
}

TEST_P(ProxyScriptFilterE2E, PageKeepsItsScriptsWhileBlockingIsOff) {
  const std::string page = PageWithScripts(GetParam().Padding);
  const TCurlResult r = FetchPage(page, {});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_TRUE(r.Body == page);
}

// One block, several blocks (scripts on both sides of block boundaries), and a body
// the relay cannot know the length of in advance.
INSTANTIATE_TEST_SUITE_P(Pages, ProxyScriptFilterE2E,
                         ::testing::Values(TScriptCase{"OneBlock", 100, true},
                                           TScriptCase{"ManyBlocks", 300000, true},
                                           TScriptCase{"UnknownLength", 300000, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Pages of any size are filtered on their way, with or without a known length.
struct TLargePageCase {
  const char* Name;
  std::size_t Size;
  bool KnownLength;
};

class ProxyLargePageE2E : public TE2ETest, public ::testing::WithParamInterface<TLargePageCase> {};

TEST_P(ProxyLargePageE2E, LargeHtmlIsFilteredWhole) {
  const TLargePageCase& c = GetParam();
  std::string page = PageWithScripts(0);
  page.insert(page.find("\n<p>keep-b"), std::string(c.Size - page.size(), 'y'));
  ASSERT_EQ(page.size(), c.Size);
  Publish("big.html", page);
  const TProxy proxy = StartProxy({"--block-js"});
  const std::string url = c.KnownLength ? Url(StartNginx().HttpPort, "/big.html")
                                        : Url(StartEchoOrigin(), "/file/big.html");

  const TCurlResult r = CurlVia(proxy, {url});

  ASSERT_EQ(r.ExitCode, 0) << r.Describe();
  EXPECT_FALSE(ContainsIgnoringCase(r.Body, "<script")) << r.Body.substr(0, 400);
  for (const char* kept : {"<p>keep-a</p>", "<p>keep-b</p>", "<p>keep-c</p>", "</body></html>"}) {
    EXPECT_THAT(r.Body, HasSubstr(kept));
  }
  EXPECT_THAT(r.Body, HasSubstr(std::string(c.Size - PageWithScripts(0).size(), 'y')));
}

INSTANTIATE_TEST_SUITE_P(Pages, ProxyLargePageE2E,
                         ::testing::Values(TLargePageCase{"KnownLength", 1048576, true},
                                           TLargePageCase{"UnknownLength", 3 * 1048576, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace e2e
