// SPDX-License-Identifier: GPL-3.0-or-later
// The browser side's reader: request lines and header blocks as the dispatcher and
// the handlers read them, fed through a socket pair, checked line by line against
// a plain split of the same bytes.
#include "FuzzInput.h"
#include "net/CommandDispatcher.h"
#include "net/NetError.h"
#include "net/TCPConnection.h"
#include "proxy/HeaderList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
  }
}

struct TReferenceLine {
  std::string Text;
  bool Terminated;
};

// Lines end at LF; one CR before it goes with the line end.
std::vector<TReferenceLine> SplitLines(const std::string& bytes) {
  std::vector<TReferenceLine> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = bytes.find('\n', start)) != std::string::npos; start = lf + 1) {
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') {
      --end;
    }
    lines.push_back({bytes.substr(start, end - start), true});
  }
  if (start < bytes.size()) {
    lines.push_back({bytes.substr(start), false});
  }
  return lines;
}

class TReader {
public:
  TReader(TTCPConnection& connection, const std::vector<TReferenceLine>& reference)
      : FConnection(connection), FReference(reference) {}

  // Reads as the proxy does: a request line (empty lines skipped), then its header
  // block, then the next request. Returns when the reader stops, by close or limit.
  void Run() {
    try {
      for (;;) {
        std::string requestLine;
        do {
          requestLine = Next();
        } while (requestLine.empty());
        for (const std::string& param : TCommandDispatcher::SplitParams(requestLine)) {
          Require(!param.empty() && param.find(' ') == std::string::npos, "parameter with a space");
        }
        FInCapture = true;
        std::vector<std::string> lines = FConnection.Capture();
        FInCapture = false;
        Require(lines.size() <= TTCPConnection::MaxHeaderLines, "header block over its limit");
        for (std::size_t i = 0; i < lines.size(); ++i) {
          Require(FIndex + i < FReference.size() && lines[i] == FReference[FIndex + i].Text,
                  "header line differs");
        }
        FIndex += lines.size() + 1;
        CheckHeaderList(std::move(lines));
      }
    } catch (const EConnClosedGracefully&) {
      Require(!BlockAhead().Terminated, "closed before the last complete line");
    } catch (const ELimitExceeded&) {
      const TBlock block = BlockAhead();
      Require(block.LongLine || (FInCapture && block.Lines > TTCPConnection::MaxHeaderLines),
              "limit raised without a reason");
    }
  }

private:
  std::string Next() {
    std::string line = FConnection.ReadLn();
    Require(FIndex < FReference.size(), "more lines than sent");
    Require(line == FReference[FIndex].Text, "line differs from the bytes sent");
    Require(FReference[FIndex].Terminated, "unterminated line handed out");
    ++FIndex;
    return line;
  }

  static void CheckHeaderList(std::vector<std::string> lines) {
    THeaderList headers(std::move(lines));
    headers.SetValue("Via", "1.0 fuzz");
    Require(headers.Value("via") == "1.0 fuzz", "Via not set");
    headers.Delete("Proxy-Connection");
    Require(headers.Value("Proxy-Connection").empty(), "Proxy-Connection not deleted");
    headers.SetValue("Keep-Alive", "");
    Require(headers.Value("Keep-Alive").empty() || headers.Count() > 0, "Keep-Alive not deleted");
  }

  // What lies ahead of the reader: in a header block, the lines up to its empty
  // line; otherwise the one line being read.
  struct TBlock {
    std::size_t Lines = 0;
    bool LongLine = false;
    bool Terminated =
        false; // the block ahead holds a complete line the reader should have returned
  };
  TBlock BlockAhead() const {
    TBlock block;
    for (std::size_t i = FIndex; i < FReference.size(); ++i) {
      const TReferenceLine& line = FReference[i];
      block.LongLine = block.LongLine || line.Text.size() > TTCPConnection::MaxLineLength;
      if (!FInCapture) {
        block.Terminated = line.Terminated;
        break;
      }
      if (line.Terminated && line.Text.empty()) {
        block.Terminated = true;
        break;
      }
      ++block.Lines;
    }
    return block;
  }

  TTCPConnection& FConnection;
  const std::vector<TReferenceLine>& FReference;
  std::size_t FIndex = 0;
  bool FInCapture = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzzinput::Expand(data, size);
  const std::vector<TReferenceLine> reference = SplitLines(bytes);
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    std::abort();
  }
  std::thread writer([&bytes, handle = fds[1]] {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::send(handle, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) {
        break; // the reader stopped early
      }
      done += static_cast<std::size_t>(n);
    }
    ::shutdown(handle, SHUT_WR);
  });
  {
    TTCPConnection connection(fds[0]);
    connection.SetReadTimeout(std::chrono::milliseconds(10000));
    TReader(connection, reference).Run();
  }
  writer.join();
  ::close(fds[1]);
  return 0;
}
