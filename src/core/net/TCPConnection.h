// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/HeadReader.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// One TCP connection (either side) with buffered line reading. The socket is
// non-blocking; waits go through poll() with the read time-out, so a blocked
// reader can always be woken by Shutdown() from another thread.
class TTCPConnection {
public:
  // Longest line accepted by ReadLn, without its line end.
  static constexpr std::size_t MaxLineLength = ::MaxLineLength;
  // Most lines accepted by Capture before the empty line.
  static constexpr std::size_t MaxHeaderLines = ::MaxHeaderLines;
  // How long a write may wait for the peer to take data.
  static constexpr std::chrono::milliseconds WriteTimeout{120000};
  // How long CloseGracefully waits for the peer to finish sending.
  static constexpr std::chrono::milliseconds LingerTimeout{2000};
  // Passed as count to RelayTo: relay until the source closes.
  static constexpr std::uint64_t UntilClose = UINT64_MAX;

  using TBlockSink = std::function<void(const char* data, std::size_t size)>;

  // How a socket handed over was opened: one known to be non-blocking is taken as it is.
  enum class TSocketMode { Unknown, NonBlocking };

  TTCPConnection() = default;
  // Takes ownership of a connected socket.
  explicit TTCPConnection(int handle, TSocketMode mode = TSocketMode::Unknown);
  virtual ~TTCPConnection();
  TTCPConnection(const TTCPConnection&) = delete;
  TTCPConnection& operator=(const TTCPConnection&) = delete;

  int Handle() const { return FHandle.load(); }
  // Open, and the peer has not been seen closing.
  bool Connected() const;
  // Closes the socket; only the thread that owns the connection calls it.
  void Close();
  // Closes without discarding what the peer may still be reading: input unread at
  // close would make the kernel reset the connection, so this side's sending is
  // ended first and the peer's input drained until it closes or LingerTimeout. A
  // request read to its end (MarkRequestRead) with nothing after it is closed at once.
  void CloseGracefully();
  // The peer's request has been read to its end: nothing more is expected from it.
  void MarkRequestRead() { FRequestRead = true; }
  // Ends both directions from any thread; a blocked read or write returns at once,
  // and a connection still being opened gives up.
  void Shutdown();
  bool ShutDown() const { return FShutDown.load(); }

  // Zero waits without limit.
  void SetReadTimeout(std::chrono::milliseconds timeout) { FReadTimeout = timeout; }
  std::chrono::milliseconds ReadTimeout() const { return FReadTimeout; }

  void Write(std::string_view data);
  // Waits until the socket takes data again; raises after WriteTimeout.
  void WaitWritable();
  void WriteLn(std::string_view line = {});

  // One line without its CR LF (a bare LF also ends a line).
  std::string ReadLn();
  // Lines up to the empty line, which is consumed and not returned.
  std::vector<std::string> Capture();
  // Exactly count bytes, handed to sink in pieces; the peer closing early is an error.
  void ReadExact(std::uint64_t count, const TBlockSink& sink);
  // Whatever arrives within the read time-out, at most maxSize bytes: none at time-out.
  // The peer closing raises EConnClosedGracefully.
  std::size_t ReadAvailable(std::string& out, std::size_t maxSize);
  // Everything until the peer closes, up to maxSize bytes; returns true at the close.
  bool ReadUntilClose(std::string& out, std::size_t maxSize);

  // Moves count bytes (or everything until the source closes, with UntilClose) to
  // target, inside the kernel where it can, at most maxBlock bytes a step; onBlock
  // learns the size of each step after it has been written. Returns the number of
  // bytes moved.
  std::uint64_t RelayTo(TTCPConnection& target, std::uint64_t count, std::size_t maxBlock,
                        const std::function<void(std::size_t)>& onBlock);

  // Bytes already read from the socket but not yet consumed.
  std::size_t BufferedSize() const { return FEnd - FBegin; }
  // Hands over bytes already read from the socket but not yet consumed, at most maxSize.
  std::size_t TakeBuffered(std::string& out, std::uint64_t maxSize = UINT64_MAX);

protected:
  // For clients that open their socket later.
  void Attach(int handle, TSocketMode mode);

private:
  enum class TWait { Ready, TimedOut };
  TWait WaitFor(short events, std::chrono::milliseconds timeout);
  // The request was read to its end and nothing came after it, or the peer has closed.
  bool NothingMoreToCome(int handle) const;
  // Reads once into the line buffer; false at time-out, raises at close or error.
  bool Fill();
  void Consume(std::size_t count) { FBegin += count; }

  std::atomic<int> FHandle{-1};
  std::atomic<bool> FShutDown{false};
  std::mutex FHandleLock; // guards closing FHandle against a concurrent Shutdown
  std::chrono::milliseconds FReadTimeout{0};
  bool FPeerClosed = false;
  bool FRequestRead = false;
  std::vector<char> FBuffer; // line buffer; bytes [FBegin, FEnd) are unread
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
  std::size_t FScanned = 0; // bytes after FBegin already searched for a line end
};
