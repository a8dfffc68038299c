// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPClient.h"

#include "LoopbackSockets.h"
#include "net/NetError.h"

#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

TSocketAddress Address(const char* ip, std::uint16_t port) {
  const auto [storage, length] = loopback::AddressOf(ip, port);
  TSocketAddress address;
  address.Address = storage;
  address.Length = length;
  return address;
}

// A listener that takes no more connections: its queue is full, so the kernel drops
// further SYNs and a connect to it neither succeeds nor fails for a long while, as an
// address that is routed nowhere behaves.
class TSilentAddress {
public:
  TSilentAddress() {
    FListener = loopback::ListenOn("127.0.0.1", FPort, 0);
    for (int& filler : FFillers) {
      filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      const auto [address, length] = loopback::AddressOf("127.0.0.1", FPort);
      ::connect(filler, reinterpret_cast<const sockaddr*>(&address), length);
    }
    std::this_thread::sleep_for(50ms);
  }
  ~TSilentAddress() {
    for (const int filler : FFillers) {
      ::close(filler);
    }
    ::close(FListener);
  }
  std::uint16_t Port() const { return FPort; }

private:
  int FListener = -1;
  std::uint16_t FPort = 0;
  int FFillers[2] = {-1, -1};
};

// Whether the client's socket reaches the listener: a byte sent arrives there.
bool Reaches(TTCPClient& client, int listener) {
  const int accepted = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  client.Write("x");
  const bool arrived = loopback::ReceiveExactly(accepted, 1, 2000ms) == "x";
  ::close(accepted);
  return arrived;
}

TEST(TCPClient, ConnectsToIPv6AndIPv4Literals) {
  for (const char* ip : {"::1", "127.0.0.1"}) {
    std::uint16_t port = 0;
    const int listener = loopback::ListenOn(ip, port);
    TTCPClient client;
    client.Host = ip;
    client.Port = port;
    client.Connect();
    EXPECT_TRUE(Reaches(client, listener)) << ip;
    ::close(listener);
  }
}

TEST(TCPClient, AFailedAddressHandsOnToTheNextAtOnce) {
  std::uint16_t port = 0;
  const int listener = loopback::ListenOn("::1", port);
  TTCPClient client;
  const auto started = std::chrono::steady_clock::now();
  client.ConnectTo({Address("127.0.0.1", loopback::FreePort()), Address("::1", port)});
  EXPECT_LT(std::chrono::steady_clock::now() - started, TTCPClient::AttemptHeadStart);
  EXPECT_TRUE(Reaches(client, listener));
  ::close(listener);
}

TEST(TCPClient, AnAddressThatNeverAnswersDelaysTheNextByItsHeadStartOnly) {
  const TSilentAddress silent;
  std::uint16_t port = 0;
  const int listener = loopback::ListenOn("::1", port);
  TTCPClient client;
  const auto started = std::chrono::steady_clock::now();
  client.ConnectTo({Address("127.0.0.1", silent.Port()), Address("::1", port)});
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, TTCPClient::AttemptHeadStart - 10ms);
  EXPECT_LT(took, 5s);
  EXPECT_TRUE(Reaches(client, listener));
  ::close(listener);
}

TEST(TCPClient, TheTimeLimitHoldsForAllAddressesTogether) {
  const TSilentAddress first;
  const TSilentAddress second;
  TTCPClient client;
  client.ConnectTimeLimit = 600ms;
  const auto started = std::chrono::steady_clock::now();
  try {
    client.ConnectTo({Address("127.0.0.1", first.Port()), Address("127.0.0.1", second.Port())});
    ADD_FAILURE() << "connected to an address that never answers";
  } catch (const EConnectError& error) {
    EXPECT_NE(std::string(error.what()).find("timed out"), std::string::npos) << error.what();
  }
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, 600ms);
  EXPECT_LT(took, 3s);
}

TEST(TCPClient, EveryAddressRefusingOrNoneAtAllFails) {
  TTCPClient client;
  try {
    client.ConnectTo(
        {Address("127.0.0.1", loopback::FreePort()), Address("::1", loopback::FreePort())});
    ADD_FAILURE() << "connected to ports nobody listens on";
  } catch (const EConnectError& error) {
    EXPECT_NE(std::string(error.what()).find("Connection refused"), std::string::npos);
  }
  EXPECT_THROW(client.ConnectTo({}), EConnectError);
}

TEST(TCPClient, ShutdownFromAnotherThreadBreaksOffConnecting) {
  const TSilentAddress silent;
  TTCPClient client;
  std::thread stopper([&client] {
    std::this_thread::sleep_for(300ms);
    client.Shutdown();
  });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_THROW(client.ConnectTo({Address("127.0.0.1", silent.Port())}), EConnectError);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  stopper.join();
}

TEST(TCPClient, FamiliesTakeTurnsFromTheFirstOneOn) {
  const auto order =
      TTCPClient::Interleaved({Address("::1", 1), Address("::2", 2), Address("::3", 3),
                               Address("127.0.0.1", 4), Address("127.0.0.2", 5)});
  std::vector<std::uint16_t> ports;
  for (const TSocketAddress& address : order) {
    ports.push_back(ntohs(reinterpret_cast<const sockaddr_in*>(&address.Address)->sin_port));
  }
  EXPECT_EQ(ports, (std::vector<std::uint16_t>{1, 4, 2, 5, 3}));
}

} // namespace
