// SPDX-License-Identifier: GPL-3.0-or-later
// The browser side's reader: request lines and header blocks as the dispatcher and
// the handlers read them, fed through a socket pair, checked line by line against
// a plain split of the same bytes; and the pure reader, fed the same bytes in pieces
// without a socket, must find the same heads and stop at the same limit.
#include "FuzzInput.h"
#include "net/CommandDispatcher.h"
#include "net/HeadReader.h"
#include "net/NetError.h"
#include "net/TCPConnection.h"
#include "proxy/HeaderList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
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

  std::vector<std::vector<std::string>> Heads;
  bool Limited = false;

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
        Heads.push_back(lines);
        CheckHeaderList(std::move(lines));
      }
    } catch (const EConnClosedGracefully&) {
      Require(!BlockAhead().Terminated, "closed before the last complete line");
    } catch (const ELimitExceeded&) {
      Limited = true;
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

// The same reading over bytes alone, handed over `piece` bytes at a time.
struct TPureRead {
  std::vector<std::vector<std::string>> Heads;
  bool Limited = false;
};

TPureRead PureRead(const std::string& bytes, std::size_t piece) {
  TPureRead result;
  std::string buffer;
  std::size_t given = 0;
  std::optional<THeadReader> head;
  for (;;) {
    bool progress = false;
    if (!head) {
      const TLineRead line = ReadLine(buffer);
      if (line.Result == TReadResult::TooLong) {
        result.Limited = true;
        return result;
      }
      if (line.Result == TReadResult::Complete) {
        const bool request = !line.Text.empty();
        buffer.erase(0, line.Consumed);
        if (request) {
          head.emplace();
        }
        progress = true;
      }
    } else {
      buffer.erase(0, head->Feed(buffer));
      if (head->Result() == TReadResult::TooLong) {
        result.Limited = true;
        return result;
      }
      if (head->Result() == TReadResult::Complete) {
        result.Heads.push_back(std::move(head->Lines()));
        head.reset();
        progress = true;
      }
    }
    if (!progress) {
      if (given == bytes.size()) {
        return result;
      }
      const std::size_t size = std::min(piece, bytes.size() - given);
      buffer.append(bytes, given, size);
      given += size;
    }
  }
}

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
  TPureRead socketRead;
  {
    TTCPConnection connection(fds[0]);
    connection.SetReadTimeout(std::chrono::milliseconds(10000));
    TReader reader(connection, reference);
    reader.Run();
    socketRead.Heads = reader.Heads;
    socketRead.Limited = reader.Limited;
  }
  writer.join();
  ::close(fds[1]);
  const std::size_t piece = size > 0 ? 1 + data[0] * 257 % 70000 : 1;
  const TPureRead pure = PureRead(bytes, piece);
  Require(pure.Limited == socketRead.Limited, "pure reader stops at another limit");
  Require(pure.Heads == socketRead.Heads, "pure reader finds other heads");
  return 0;
}
