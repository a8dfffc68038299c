// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackSockets.h"
#include "TunnelPeers.h"
#include "net/Pipe.h"
#include "net/TCPConnection.h"
#include "net/TunnelRelay.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

int Unread(const TPipe& pipe) {
  int bytes = -1;
  ::ioctl(pipe.ReadEnd(), FIONREAD, &bytes);
  return bytes;
}

bool IsOpen(int handle) {
  return ::fcntl(handle, F_GETFD) != -1;
}

// Which pipe a lease holds: descriptor numbers come back after a close, inode numbers
// of pipes do not while the pipe is open.
ino_t Identity(const TPipe& pipe) {
  struct stat status {};
  ::fstat(pipe.ReadEnd(), &status);
  return status.st_ino;
}

// Leases the thread's next two pipes and tells which they are.
std::pair<ino_t, ino_t> NextTwo(bool giveBack) {
  TPipeLease first;
  TPipeLease second;
  const std::pair<ino_t, ino_t> identities{Identity(*first), Identity(*second)};
  if (giveBack) {
    first.GiveBack();
    second.GiveBack();
  }
  return identities;
}

TEST(PipeLeaseTest, AGivenBackPipeServesTheThreadsNextLease) {
  ino_t reused = 0;
  {
    TPipeLease first;
    reused = Identity(*first);
    first.GiveBack();
  }
  TPipeLease second;
  TPipeLease third;
  EXPECT_EQ(Identity(*second), reused);
  EXPECT_NE(Identity(*third), reused);
}

TEST(PipeLeaseTest, APipeNotGivenBackIsClosed) {
  int read = -1;
  int write = -1;
  {
    TPipeLease lease;
    read = lease->ReadEnd();
    write = lease->WriteEnd();
  }
  EXPECT_FALSE(IsOpen(read));
  EXPECT_FALSE(IsOpen(write));
}

TEST(PipeLeaseTest, SparesBelongToTheThreadThatGaveThemBack) {
  TPipeLease mine;
  const ino_t kept = Identity(*mine);
  mine.GiveBack();
  ino_t other = 0;
  std::thread([&] {
    TPipeLease lease;
    other = Identity(*lease);
  }).join();
  EXPECT_NE(other, kept);
  TPipeLease again;
  EXPECT_EQ(Identity(*again), kept);
}

TEST(PipeLeaseTest, AThreadKeepsNoMoreSparesThanATunnelUses) {
  std::vector<std::unique_ptr<TPipeLease>> leases;
  std::vector<int> ends;
  for (std::size_t i = 0; i < TPipeLease::SparesPerThread + 1; ++i) {
    leases.push_back(std::make_unique<TPipeLease>());
    ends.push_back((*leases.back())->ReadEnd());
  }
  for (auto& lease : leases) {
    lease->GiveBack();
  }
  leases.clear();
  EXPECT_EQ(std::count_if(ends.begin(), ends.end(), IsOpen),
            static_cast<std::ptrdiff_t>(TPipeLease::SparesPerThread));
}

// The relay runs on this thread, whose spare pipes are under test.
class PipeReuseByTunnelTest : public testing::Test, protected TTunnelPeers {
protected:
  PipeReuseByTunnelTest() {
    // splice has no MSG_NOSIGNAL; the program ignores SIGPIPE, as this process must here.
    std::signal(SIGPIPE, SIG_IGN);
  }
  // Runs the tunnel on this thread, whose spares are under test. A tunnel that does
  // not end within ten seconds is shut down, so that a fault fails instead of hanging.
  void Relay(const std::function<void()>& peers, bool expectFailure) {
    std::promise<void> ended;
    std::thread watchdog([this, done = ended.get_future()] {
      if (done.wait_for(10s) == std::future_status::timeout) {
        FTimedOut = true;
        FBrowser->Shutdown();
        FUpstream->Shutdown();
      }
    });
    std::thread peerThread(peers);
    bool failed = false;
    try {
      FRun();
    } catch (const std::exception&) {
      failed = true;
    }
    ended.set_value();
    watchdog.join();
    peerThread.join();
    EXPECT_FALSE(FTimedOut);
    EXPECT_EQ(failed, expectFailure);
  }

  std::atomic<bool> FTimedOut{false};
  // The origin sends until every buffer on the way is full, the relay's pipe included,
  // then the browser resets its connection: the relay fails with bytes in its pipe,
  // and the thread's next pipes must come out empty.
  void FloodThenReset() {
    const auto before = NextTwo(true);
    Relay(
        [&] {
          ::fcntl(FOriginPeer, F_SETFL, ::fcntl(FOriginPeer, F_GETFL) | O_NONBLOCK);
          const std::string block(64 * 1024, 'x');
          for (int round = 0; round < 4096; ++round) {
            if (::send(FOriginPeer, block.data(), block.size(), MSG_NOSIGNAL) < 0) {
              pollfd fd{FOriginPeer, POLLOUT, 0};
              if (::poll(&fd, 1, 300) == 0) {
                break;
              }
            }
          }
          const linger reset{1, 0};
          ::setsockopt(FBrowserPeer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
          ::close(FBrowserPeer);
          FBrowserPeer = -1;
        },
        true);
    TPipeLease first;
    TPipeLease second;
    EXPECT_EQ(Unread(*first), 0);
    EXPECT_EQ(Unread(*second), 0);
    // The pipe that held the browser's bytes was closed, not kept.
    EXPECT_TRUE(Identity(*first) != before.first || Identity(*second) != before.second);
  }
  // What runs on this thread: a tunnel, or a body relayed from upstream to the browser.
  std::function<void()> FRun = [this] { RelayTunnel(*FBrowser, *FUpstream); };
  void RelayBody() {
    FRun = [this] {
      FUpstream->RelayTo(*FBrowser, TTCPConnection::UntilClose, 64 * 1024, [](std::size_t) {});
    };
  }
};

TEST_F(PipeReuseByTunnelTest, AClosedTunnelGivesItsPipesBack) {
  const auto before = NextTwo(true);
  Relay(
      [&] {
        loopback::SendAll(FBrowserPeer, "hello");
        loopback::ReceiveExactly(FOriginPeer, 5);
        loopback::SendAll(FOriginPeer, "world");
        ::shutdown(FOriginPeer, SHUT_RDWR);
      },
      false);
  EXPECT_EQ(loopback::ReceiveExactly(FBrowserPeer, 5), "world");
  const auto after = NextTwo(false);
  EXPECT_TRUE(after == before || after == std::make_pair(before.second, before.first));
}

TEST_F(PipeReuseByTunnelTest, ARelayedBodyUsesTheThreadsSpareAndGivesItBack) {
  const auto before = NextTwo(true);
  // While the body moves, the relay holds the spare given back last, so the one left
  // is the other.
  ino_t leftWhileRelaying = 0;
  FRun = [&] {
    FUpstream->RelayTo(*FBrowser, TTCPConnection::UntilClose, 64 * 1024, [&](std::size_t) {
      if (leftWhileRelaying == 0) {
        TPipeLease left;
        leftWhileRelaying = Identity(*left);
        left.GiveBack();
      }
    });
  };
  const std::string body(300 * 1024, 'b');
  Relay(
      [&] {
        loopback::SendAll(FOriginPeer, body);
        ::shutdown(FOriginPeer, SHUT_RDWR);
      },
      false);
  EXPECT_EQ(loopback::ReceiveExactly(FBrowserPeer, body.size()), body);
  EXPECT_EQ(leftWhileRelaying, before.first);
  const auto after = NextTwo(false);
  EXPECT_TRUE(after == before || after == std::make_pair(before.second, before.first));
}

TEST_F(PipeReuseByTunnelTest, BytesOfAFailedTunnelNeverReachTheNextOne) {
  FloodThenReset();
}

TEST_F(PipeReuseByTunnelTest, BytesOfAFailedBodyNeverReachTheNextRelay) {
  RelayBody();
  FloodThenReset();
}

} // namespace
