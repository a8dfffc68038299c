// SPDX-License-Identifier: GPL-3.0-or-later
// The response header reader and the body relay: a real proxy on loopback forwards
// one request to a scripted origin that answers with the fuzz bytes and closes.
// The browser must get the origin's header block line for line and then the body
// the header block announces (or what arrived of it), and the proxy must finish.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "LoopbackSockets.h"
#include "proxy/HTTPProxyServer.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr std::string_view PostBody = "a=1&b=2";
// The origin has closed by the time the browser waits, so the proxy must finish: this
// long a silence is a hang.
constexpr std::chrono::milliseconds SilenceLimit = 20s;

// libFuzzer checks a unit's time on SIGALRM, every (-timeout / 2 + 1) s, handled
// without SA_RESTART: a poll or recv it interrupts fails with EINTR, which read as a
// proxy silent for the whole limit or a reply cut short. The fuzzing thread keeps the
// alarm (libFuzzer checks only there) and waits through it; this blocks the alarm in
// the calling thread for a scope, and threads started inside it inherit the block, so
// the origin's and the proxy's threads never take the alarm.
class TAlarmHeldBack {
public:
  TAlarmHeldBack() {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, &FPrevious);
  }
  ~TAlarmHeldBack() { pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr); }
  TAlarmHeldBack(const TAlarmHeldBack&) = delete;
  TAlarmHeldBack& operator=(const TAlarmHeldBack&) = delete;

private:
  sigset_t FPrevious;
};

// Answers every connection with the current script after reading the request head
// and the body the request announces.
class TOrigin {
public:
  TOrigin() {
    FListener = loopback::Listen(FPort);
    std::thread([this] { Serve(); }).detach(); // lives as long as the fuzzing process
  }
  std::uint16_t Port() const { return FPort; }
  void Script(std::string response) {
    std::lock_guard lock(FLock);
    FResponse = std::move(response);
  }

private:
  void Serve() {
    for (;;) {
      const int handle = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
      if (handle < 0) {
        continue;
      }
      loopback::ReceiveRequest(handle);
      std::string response;
      {
        std::lock_guard lock(FLock);
        response = FResponse;
      }
      try {
        loopback::SendAll(handle, response);
      } catch (const std::exception&) {
        // The proxy may stop reading early (limits): that is its right.
      }
      ::close(handle);
    }
  }

  int FListener = -1;
  std::uint16_t FPort = 0;
  std::mutex FLock; // guards FResponse
  std::string FResponse;
};

struct TExpected {
  bool Complete = false; // the origin's header block ended within the limits
  std::vector<std::string> Lines;
  std::string Rest; // the bytes after the header block
};

std::string_view StatusCode(std::string_view statusLine) {
  const std::size_t space = statusLine.find(' ');
  return space == std::string_view::npos || statusLine.size() < space + 4
             ? std::string_view()
             : statusLine.substr(space + 1, 3);
}

// One header block from offset on; Complete tells whether it ended within the limits.
TExpected SplitHead(const std::string& bytes, std::size_t start) {
  TExpected expected;
  for (std::size_t lf; (lf = bytes.find('\n', start)) != std::string::npos; start = lf + 1) {
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') {
      --end;
    }
    if (end - start > TTCPConnection::MaxLineLength) {
      return expected;
    }
    if (end == start) {
      expected.Complete = true;
      expected.Rest = bytes.substr(lf + 1);
      return expected;
    }
    if (expected.Lines.size() == TTCPConnection::MaxHeaderLines) {
      return expected;
    }
    expected.Lines.push_back(bytes.substr(start, end - start));
  }
  return expected;
}

// The final response head: interim 1xx heads (but a protocol switch) are skipped.
TExpected SplitResponse(const std::string& bytes) {
  std::size_t start = 0;
  for (;;) {
    TExpected expected = SplitHead(bytes, start);
    if (!expected.Complete || expected.Lines.empty()) {
      return expected;
    }
    const std::string_view code = StatusCode(expected.Lines[0]);
    if (code.empty() || code[0] != '1' || code == "101") {
      return expected;
    }
    start = bytes.size() - expected.Rest.size();
  }
}

std::int64_t AnnouncedLength(const THeaderList& headers) {
  const std::string text = headers.Value("Content-Length");
  std::int64_t length = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
  return text.empty() || error != std::errc() || end != text.data() + text.size() || length < 0
             ? -1
             : length;
}

bool BodyAllowed(const std::vector<std::string>& lines) {
  if (lines.empty()) {
    return true;
  }
  const std::string_view code = StatusCode(lines[0]);
  return code.empty() || !(code[0] == '1' || code == "204" || code == "304");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Both kept to the end of the process; their threads start with the alarm held back.
  static TOrigin& origin = *[] {
    const TAlarmHeldBack heldBack;
    return new TOrigin;
  }();
  static THTTPProxyServer* proxy = [] {
    const TAlarmHeldBack heldBack;
    auto* server = new THTTPProxyServer;
    server->SetPort(0);
    server->SetProxyAuthType(TAuthType::atAll);
    server->SetServerName("Fuzz");
    server->SetEnabled(true);
    return server;
  }();
  if (size == 0) {
    return 0;
  }
  const std::uint8_t flags = data[0];
  const bool post = (flags & 3) == 1;
  const bool head = (flags & 3) == 2;
  const bool filter = (flags & 4) != 0;
  proxy->SetBlockJavaScript(filter);
  proxy->SetDefaultTransferBlockSize((flags & 8) != 0 ? 1024 : 65535);
  const std::string response = fuzzinput::Expand(data + 1, size - 1);
  origin.Script(response);

  const std::string target = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/page.html";
  std::string request = (post   ? "POST "
                         : head ? "HEAD "
                                : "GET ") +
                        target + " HTTP/1.1\r\nHost: fuzz\r\n";
  request += post ? "Content-Length: " + std::to_string(PostBody.size()) + "\r\n\r\n" +
                        std::string(PostBody)
                  : "\r\n";
  int browser = -1;
  {
    // The loopback helpers take an interrupted call for a failure; both calls are brief.
    const TAlarmHeldBack heldBack;
    browser = loopback::Connect(proxy->ListeningPort());
    loopback::SendAll(browser, request);
  }
  std::string reply;
  char buffer[65536];
  auto heard = std::chrono::steady_clock::now();
  for (;;) {
    const auto silence = std::chrono::steady_clock::now() - heard;
    if (silence >= SilenceLimit) {
      std::fprintf(stderr,
                   "hang: nothing for %lld ms after %zu bytes, %zu live connections, %zu threads\n",
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(silence).count()),
                   reply.size(), proxy->ActiveConnections(), proxy->ThreadCount());
      FUZZ_REQUIRE(!"the proxy finished after the origin closed");
    }
    pollfd fd{browser, POLLIN, 0};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(SilenceLimit - silence);
    const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
      continue; // the silence is measured by the clock, not by one call
    }
    FUZZ_REQUIRE(ready > 0);
    const ssize_t n = ::recv(browser, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    reply.append(buffer, static_cast<std::size_t>(n));
    heard = std::chrono::steady_clock::now();
  }
  ::close(browser);

  const TExpected expected = SplitResponse(response);
  if (!expected.Complete) {
    // A header block cut short or over a limit: the browser gets nothing at all.
    FUZZ_REQUIRE(reply.empty());
    return 0;
  }
  THeaderList headers(expected.Lines);
  const std::string declaredType = headers.Value("Content-Type");
  if (filter && !post && !head &&
      (declaredType == "application/x-javascript" || declaredType == "application/x-vbscript")) {
    // Script downloads are refused by their type when scripts are blocked.
    FUZZ_REQUIRE(reply.starts_with("HTTP/1.0 404 File not Found\r\n"));
    return 0;
  }
  std::string contentType = declaredType;
  for (char& c : contentType) {
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const bool html = contentType.find("text/html") != std::string::npos;
  const bool hasBody = !head && BodyAllowed(expected.Lines);
  const std::int64_t length = hasBody ? AnnouncedLength(headers) : 0;
  if (filter && html && hasBody) {
    // Filtered documents may change; only the status line is sure to come through.
    FUZZ_REQUIRE(reply.empty() || reply.starts_with(expected.Lines.empty() ? std::string("\r\n")
                                                                           : expected.Lines[0]));
    return 0;
  }
  const std::string headBlock = headers.Text() + "\r\n";
  FUZZ_REQUIRE(reply.starts_with(headBlock));
  const std::string body = reply.substr(headBlock.size());
  if (length < 0) {
    FUZZ_REQUIRE(body == expected.Rest);
  } else if (static_cast<std::size_t>(length) <= expected.Rest.size()) {
    FUZZ_REQUIRE(body == expected.Rest.substr(0, static_cast<std::size_t>(length)));
  } else {
    // The origin closed early: what arrived goes on, then the connection ends.
    FUZZ_REQUIRE(expected.Rest.starts_with(body));
  }
  return 0;
}
