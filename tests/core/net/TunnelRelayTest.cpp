// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TunnelRelay.h"

#include "BlockedThread.h"
#include "LoopbackSockets.h"
#include "TunnelPeers.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

class TunnelRelayTest : public testing::Test, protected TTunnelPeers {
protected:
  std::future<std::uint64_t> Start() {
    return std::async(std::launch::async, [this] { return RelayTunnel(*FBrowser, *FUpstream); });
  }
};

TEST_F(TunnelRelayTest, MovesBothWaysAndCountsEveryByteOnce) {
  auto relay = Start();
  loopback::SendAll(FBrowserPeer, std::string(300, 'c'));
  const std::string atOrigin = loopback::ReceiveExactly(FOriginPeer, 300);
  loopback::SendAll(FOriginPeer, std::string(5000, 's'));
  ::shutdown(FOriginPeer, SHUT_RDWR);
  EXPECT_EQ(relay.get(), 5300u);
  EXPECT_EQ(loopback::ReceiveExactly(FBrowserPeer, 5000), std::string(5000, 's'));
  EXPECT_EQ(atOrigin, std::string(300, 'c'));
}

TEST_F(TunnelRelayTest, LargeTransferArrivesWholeWhileTheOtherSideTalks) {
  std::string payload(8 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) {
    payload[i] = static_cast<char>(i % 251);
  }
  auto relay = Start();
  std::thread origin([&] {
    loopback::SendAll(FOriginPeer, payload);
    ::shutdown(FOriginPeer, SHUT_WR);
  });
  loopback::SendAll(FBrowserPeer, "ping");
  const std::string received = loopback::ReceiveExactly(FBrowserPeer, payload.size());
  origin.join();
  EXPECT_EQ(relay.get(), payload.size() + 4);
  EXPECT_TRUE(received == payload);
}

TEST_F(TunnelRelayTest, ShutdownOfBrowserSideEndsTheTunnel) {
  std::promise<pid_t> relayThread;
  auto relay = std::async(std::launch::async, [&] {
    relayThread.set_value(blockedthread::CurrentThreadId());
    return RelayTunnel(*FBrowser, *FUpstream);
  });
  EXPECT_TRUE(blockedthread::AwaitSleepInPoll(relayThread.get_future().get(), 5s));
  FBrowser->Shutdown();
  const bool ended = relay.wait_for(5s) == std::future_status::ready;
  if (!ended) {
    ::shutdown(FOriginPeer, SHUT_RDWR); // ends the tunnel, so the test fails instead of hanging
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(relay.get(), 0u);
}

TEST_F(TunnelRelayTest, BytesReadBeforeTheTunnelArePassedOn) {
  loopback::SendAll(FBrowserPeer, "CONNECT x:1 HTTP/1.0\r\n\r\nearly");
  FBrowser->SetReadTimeout(1000ms);
  EXPECT_EQ(FBrowser->ReadLn(), "CONNECT x:1 HTTP/1.0");
  EXPECT_EQ(FBrowser->ReadLn(), "");
  auto relay = Start();
  EXPECT_EQ(loopback::ReceiveExactly(FOriginPeer, 5), "early");
  ::shutdown(FBrowserPeer, SHUT_RDWR);
  EXPECT_EQ(relay.get(), 5u);
}

} // namespace
