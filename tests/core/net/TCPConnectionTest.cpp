// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPConnection.h"

#include "BlockedThread.h"
#include "LoopbackSockets.h"
#include "net/NetError.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Our connection on one end of a loopback TCP connection, a raw socket on the other.
class TCPConnectionTest : public testing::Test {
protected:
  TCPConnectionTest() {
    const auto [peer, ours] = loopback::Pair();
    FPeer = peer;
    FConnection = std::make_unique<TTCPConnection>(ours);
    FConnection->SetReadTimeout(5000ms);
  }
  ~TCPConnectionTest() override {
    if (FPeer >= 0) {
      ::close(FPeer);
    }
  }
  void ClosePeer() {
    ::close(FPeer);
    FPeer = -1;
  }

  int FPeer = -1;
  std::unique_ptr<TTCPConnection> FConnection;
};

TEST_F(TCPConnectionTest, ReadsLinesEndedByCRLFOrBareLF) {
  loopback::SendAll(FPeer, "GET / HTTP/1.0\r\nHost: a\n\r\nrest");
  EXPECT_EQ(FConnection->ReadLn(), "GET / HTTP/1.0");
  EXPECT_EQ(FConnection->ReadLn(), "Host: a");
  EXPECT_EQ(FConnection->ReadLn(), "");
  std::string rest;
  EXPECT_EQ(FConnection->TakeBuffered(rest), 4u);
  EXPECT_EQ(rest, "rest");
}

TEST_F(TCPConnectionTest, LineArrivingInPiecesIsJoined) {
  std::thread writer([this] {
    loopback::SendAll(FPeer, "Hea");
    std::this_thread::sleep_for(20ms);
    loopback::SendAll(FPeer, "der: x\r\n");
  });
  EXPECT_EQ(FConnection->ReadLn(), "Header: x");
  writer.join();
}

TEST_F(TCPConnectionTest, LineAtTheLimitIsReadAndOneBeyondIsRefused) {
  loopback::SendAll(FPeer, std::string(TTCPConnection::MaxLineLength, 'a') + "\r\n");
  EXPECT_EQ(FConnection->ReadLn().size(), TTCPConnection::MaxLineLength);
  std::thread writer([this] {
    loopback::SendAll(FPeer, std::string(TTCPConnection::MaxLineLength + 1, 'b') + "\r\n");
  });
  EXPECT_THROW(FConnection->ReadLn(), ELimitExceeded);
  writer.join();
}

TEST_F(TCPConnectionTest, EndlessLineIsRefusedWithoutWaitingForItsEnd) {
  std::thread writer([this] { loopback::SendAll(FPeer, std::string(200000, 'x')); });
  EXPECT_THROW(FConnection->ReadLn(), ELimitExceeded);
  writer.join();
}

TEST_F(TCPConnectionTest, CaptureReadsUpToEmptyLineAndRefusesTooManyLines) {
  loopback::SendAll(FPeer, "A: 1\r\nB: 2\r\n\r\n");
  EXPECT_EQ(FConnection->Capture(), (std::vector<std::string>{"A: 1", "B: 2"}));

  std::string many;
  for (std::size_t i = 0; i <= TTCPConnection::MaxHeaderLines; ++i) {
    many += "X: " + std::to_string(i) + "\r\n";
  }
  loopback::SendAll(FPeer, many + "\r\n");
  EXPECT_THROW(FConnection->Capture(), ELimitExceeded);
}

TEST_F(TCPConnectionTest, SilentPeerRaisesReadTimeout) {
  FConnection->SetReadTimeout(50ms);
  EXPECT_THROW(FConnection->ReadLn(), EReadTimeout);
  std::string data;
  EXPECT_EQ(FConnection->ReadAvailable(data, 100), 0u);
}

TEST_F(TCPConnectionTest, PeerCloseRaisesClosedGracefullyAndEndsConnected) {
  loopback::SendAll(FPeer, "partial");
  ClosePeer();
  EXPECT_THROW(FConnection->ReadLn(), EConnClosedGracefully);
  EXPECT_FALSE(FConnection->Connected());
}

TEST_F(TCPConnectionTest, ReadExactDeliversCountBytesAndFailsWhenPeerClosesEarly) {
  loopback::SendAll(FPeer, "line\r\n0123456789");
  EXPECT_EQ(FConnection->ReadLn(), "line");
  std::string body;
  FConnection->ReadExact(6, [&](const char* data, std::size_t size) { body.append(data, size); });
  EXPECT_EQ(body, "012345");
  ClosePeer();
  EXPECT_THROW(FConnection->ReadExact(10, [](const char*, std::size_t) {}), EConnClosedGracefully);
}

TEST_F(TCPConnectionTest, ReadUntilCloseStopsAtLimitOrClose) {
  loopback::SendAll(FPeer, "abcdef");
  std::string head;
  EXPECT_FALSE(FConnection->ReadUntilClose(head, 4));
  EXPECT_EQ(head, "abcd");
  ClosePeer();
  std::string rest;
  EXPECT_TRUE(FConnection->ReadUntilClose(rest, 100));
  EXPECT_EQ(rest, "ef");
}

TEST_F(TCPConnectionTest, ShutdownFromAnotherThreadWakesABlockedReader) {
  FConnection->SetReadTimeout(0ms);
  std::promise<pid_t> readerThread;
  auto reader = std::async(std::launch::async, [&] {
    readerThread.set_value(blockedthread::CurrentThreadId());
    FConnection->ReadLn();
  });
  EXPECT_TRUE(blockedthread::AwaitSleepInPoll(readerThread.get_future().get(), 5s));
  FConnection->Shutdown();
  const bool woken = reader.wait_for(5s) == std::future_status::ready;
  if (!woken) {
    ::shutdown(FPeer, SHUT_RDWR); // releases the reader, so the test fails instead of hanging
  }
  EXPECT_TRUE(woken);
  EXPECT_THROW(reader.get(), EConnClosedGracefully);
}

TEST_F(TCPConnectionTest, WriteToClosedPeerRaises) {
  ClosePeer();
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) {
          FConnection->Write(std::string(65536, 'x'));
        }
      },
      ESocketError);
}

// Relaying moves buffered bytes first, then the rest through the kernel, and
// reports every piece.
class RelayTest : public testing::Test {
protected:
  RelayTest() {
    const auto [sourcePeer, source] = loopback::Pair();
    const auto [target, targetPeer] = loopback::Pair();
    FSourcePeer = sourcePeer;
    FTargetPeer = targetPeer;
    FSource = std::make_unique<TTCPConnection>(source);
    FTarget = std::make_unique<TTCPConnection>(target);
    FSource->SetReadTimeout(5000ms);
  }
  ~RelayTest() override {
    ::close(FSourcePeer);
    ::close(FTargetPeer);
  }

  int FSourcePeer;
  int FTargetPeer;
  std::unique_ptr<TTCPConnection> FSource;
  std::unique_ptr<TTCPConnection> FTarget;
};

TEST_F(RelayTest, RelaysExactCountIncludingBufferedBytes) {
  std::string payload(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) {
    payload[i] = static_cast<char>(i * 7);
  }
  std::thread writer([&] { loopback::SendAll(FSourcePeer, "head\r\n" + payload + "trailing"); });
  EXPECT_EQ(FSource->ReadLn(), "head");
  std::uint64_t reported = 0;
  std::thread reader;
  std::string received;
  reader = std::thread([&] {
    while (received.size() < payload.size()) {
      std::string piece = loopback::ReceiveAll(FTargetPeer, 2000ms);
      if (piece.empty()) {
        return;
      }
      received += piece;
    }
  });
  EXPECT_EQ(FSource->RelayTo(*FTarget, payload.size(), 65535,
                             [&](std::size_t size) { reported += size; }),
            payload.size());
  FTarget->Close();
  reader.join();
  writer.join();
  EXPECT_EQ(reported, payload.size());
  EXPECT_TRUE(received == payload);
  std::string rest;
  FSource->ReadUntilClose(rest, 8);
  EXPECT_EQ(rest, "trailing");
}

TEST_F(RelayTest, RelaysUntilCloseAndFailsWhenCountIsNotReached) {
  loopback::SendAll(FSourcePeer, "abc");
  ::shutdown(FSourcePeer, SHUT_WR);
  EXPECT_EQ(FSource->RelayTo(*FTarget, TTCPConnection::UntilClose, 65535, [](std::size_t) {}), 3u);
  FTarget->Close();
  EXPECT_EQ(loopback::ReceiveAll(FTargetPeer), "abc");

  const auto [peer, ours] = loopback::Pair();
  TTCPConnection shortSource(ours);
  shortSource.SetReadTimeout(5000ms);
  loopback::SendAll(peer, "xy");
  ::close(peer);
  const auto [sinkEnd, sinkPeer] = loopback::Pair();
  TTCPConnection sink(sinkEnd);
  EXPECT_THROW(shortSource.RelayTo(sink, 10, 65535, [](std::size_t) {}), EConnClosedGracefully);
  ::close(sinkPeer);
}

} // namespace

// What the browser sees when the proxy closes after its reply: the whole reply and
// the end, never a reset, however much of its own input the proxy left unread; and a
// request read to its end with nothing behind it does not keep the thread waiting for
// the browser's close.
TEST(TCPConnectionClose, ReplyArrivesWholeAndOnlyUnreadInputIsWaitedFor) {
  struct TCloseCase {
    const char* Name;
    bool RequestRead;  // the request was read to its end before the reply
    std::size_t Early; // bytes after the head, sent before the close begins
    std::size_t Late;  // bytes the browser sends after that, before it reads
    bool ClosesAtOnce; // the close does not wait for the browser
  };
  const TCloseCase cases[] = {
      {"request read, nothing after it", true, 0, 0, true},
      {"request read, yet more came", true, 64 * 1024, 1024 * 1024, false},
      {"refused before the body was read", false, 0, 1024 * 1024, false},
      {"refused with part of the body here", false, 64 * 1024, 1024 * 1024, false},
  };
  const std::string reply = "HTTP/1.0 403 Forbidden\r\n\r\n" + std::string(4096, 'x') + "</html>";
  for (const TCloseCase& c : cases) {
    const auto [peer, ours] = loopback::Pair();
    TTCPConnection connection(ours);
    connection.SetReadTimeout(5000ms);
    loopback::SendAll(peer, "POST / HTTP/1.0\r\n\r\n" + std::string(c.Early, 'b'));
    connection.Capture();
    if (c.RequestRead) {
      connection.MarkRequestRead();
    }
    std::promise<void> closed;
    std::future<void> closedSeen = closed.get_future();
    std::string received;
    bool sendFailed = false;
    bool reset = false;
    std::thread browser([&] {
      const std::string late(c.Late, 'c');
      for (std::size_t done = 0; done < late.size();) {
        const ssize_t n = ::send(peer, late.data() + done, late.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
          sendFailed = true;
          break;
        }
        done += static_cast<std::size_t>(n);
      }
      char buffer[4096];
      ssize_t n = 0;
      while ((n = ::recv(peer, buffer, sizeof buffer, 0)) > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
      }
      reset = n < 0;
      if (c.ClosesAtOnce) {
        // Kept open until the close is over, so that a close waiting for it would show.
        closedSeen.wait_for(5s);
      }
      ::close(peer);
    });
    connection.Write(reply);
    const auto start = std::chrono::steady_clock::now();
    connection.CloseGracefully();
    const auto took = std::chrono::steady_clock::now() - start;
    closed.set_value();
    browser.join();

    EXPECT_FALSE(sendFailed) << c.Name;
    EXPECT_FALSE(reset) << c.Name;
    EXPECT_EQ(received, reply) << c.Name;
    EXPECT_EQ(connection.Handle(), -1) << c.Name;
    if (c.ClosesAtOnce) {
      EXPECT_LT(took, TTCPConnection::LingerTimeout / 2) << c.Name;
    }
  }
}
