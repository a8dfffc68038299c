// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPServer.h"

#include "LoopbackSockets.h"
#include "net/CommandDispatcher.h"
#include "net/ConnectionHandler.h"
#include "net/NetError.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// An echo command handler: "ECHO a b" answers "a|b" and closes; "STAY" answers and stays.
class TEchoHandler : public TConnectionHandler {
public:
  std::atomic<bool> Refuse{false};
  std::atomic<int> Failures{0};
  std::atomic<int> Disconnects{0};
  std::string FailureText;

  void Execute(TContext& context) override {
    if (Refuse) {
      context.Connection.WriteLn("refused");
      context.Connection.Close();
      return;
    }
    FDispatcher.Execute(context);
  }
  void Failed(TContext&, const std::exception& error) override {
    FailureText = error.what();
    ++Failures;
  }
  void Disconnected(TContext&) override { ++Disconnects; }

private:
  const TCommandDispatcher FDispatcher{
      {
          {"ECHO", true, true,
           [](TCommand& command) {
             std::string reply;
             for (const std::string& param : command.Params) {
               reply += (reply.empty() ? "" : "|") + param;
             }
             command.Context.Connection.WriteLn(reply);
           }},
          {"STAY", true, false,
           [](TCommand& command) { command.Context.Connection.WriteLn("stayed"); }},
          {"FAIL", true, true, [](TCommand&) { throw ENetError("handler failed"); }},
      },
      "400"};
};

class TCPServerTest : public testing::Test {
protected:
  TCPServerTest() { FServer.Activate(); }
  std::uint16_t Port() const { return FServer.BoundPort(); }
  void AwaitNoConnections() const {
    for (int i = 0; i < 400 && FServer.ConnectionCount() > 0; ++i) {
      std::this_thread::sleep_for(5ms);
    }
  }

  TEchoHandler FHandler;
  TTCPServer FServer{FHandler};
};

TEST_F(TCPServerTest, MatchesCommandWordWithoutRegardToCaseAndClosesAfterHandler) {
  EXPECT_EQ(loopback::Exchange(Port(), "echo a  b\r\nECHO never\r\n"), "a|b\r\n");
}

TEST_F(TCPServerTest, UnknownCommandGetsCodeAndLineAndConnectionStaysOpen) {
  const int handle = loopback::Connect(Port());
  loopback::SendAll(handle, "OPTIONS * HTTP/1.1\r\nHost: x\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 37), "400 OPTIONS * HTTP/1.1\r\n400 Host: x\r\n");
  loopback::SendAll(handle, "\r\nSTAY\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  ::close(handle);
}

TEST_F(TCPServerTest, HandlerErrorIsReportedAndDisconnectFollows) {
  EXPECT_EQ(loopback::Exchange(Port(), "FAIL\r\n"), "");
  for (int i = 0; i < 400 && FHandler.Disconnects == 0; ++i) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(FHandler.Failures, 1);
  EXPECT_EQ(FHandler.FailureText, "handler failed");
  EXPECT_EQ(FHandler.Disconnects, 1);
}

TEST_F(TCPServerTest, HandlerCanRefuseTheConnectionBeforeReadingALine) {
  FHandler.Refuse = true;
  EXPECT_EQ(loopback::Exchange(Port(), "ECHO a\r\n"), "refused\r\n");
}

TEST_F(TCPServerTest, DeactivateClosesLiveConnectionsEndsItsThreadsAndStopsListening) {
  const int handle = loopback::Connect(Port());
  loopback::SendAll(handle, "STAY\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  EXPECT_EQ(FServer.ConnectionCount(), 1u);
  const std::uint16_t port = Port();
  FServer.Deactivate();
  EXPECT_EQ(FServer.ConnectionCount(), 0u);
  EXPECT_EQ(FServer.ThreadCount(), 0u);
  EXPECT_EQ(FHandler.Disconnects, 1);
  EXPECT_EQ(loopback::ReceiveAll(handle, 2000ms), "");
  ::close(handle);
  EXPECT_THROW(loopback::Connect(port), std::runtime_error);
}

// Each connection is served on the thread that accepted it; one more thread always
// waits for the next connection, and finished threads wait again instead of ending.
TEST_F(TCPServerTest, ServesManyConnectionsAtOnceAndReusesThreads) {
  EXPECT_EQ(FServer.ThreadCount(), 1u);
  std::vector<int> handles;
  for (int i = 0; i < 50; ++i) {
    handles.push_back(loopback::Connect(Port()));
    loopback::SendAll(handles.back(), "STAY\r\n");
  }
  for (const int handle : handles) {
    EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  }
  EXPECT_EQ(FServer.ConnectionCount(), 50u);
  EXPECT_EQ(FServer.ThreadCount(), 51u);
  for (const int handle : handles) {
    ::close(handle);
  }
  AwaitNoConnections();
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(loopback::Exchange(Port(), "ECHO again\r\n"), "again\r\n");
  }
  EXPECT_EQ(FServer.ThreadCount(), 51u);
}

TEST_F(TCPServerTest, ServesAgainAfterDeactivateAndActivate) {
  FServer.Deactivate();
  FServer.DefaultPort = 0;
  FServer.Activate();
  EXPECT_EQ(loopback::Exchange(Port(), "ECHO back\r\n"), "back\r\n");
}

TEST(TCPServer, BindingAPortInUseFailsAndLeavesServerInactive) {
  TEchoHandler handler;
  TTCPServer first(handler);
  first.Activate();
  TTCPServer second(handler);
  second.DefaultPort = first.BoundPort();
  EXPECT_THROW(second.Activate(), ESocketError);
  EXPECT_FALSE(second.Active());
  EXPECT_EQ(second.ThreadCount(), 0u);
}

// A peer that names itself, so that the test sees the address text the server saw.
class TPeerHandler : public TConnectionHandler {
public:
  void Execute(TContext& context) override {
    context.Connection.WriteLn(context.PeerIP);
    context.Connection.CloseGracefully();
  }
};

std::string PeerSeenOver(std::uint16_t port, const char* ip) {
  const int handle = loopback::ConnectTo(ip, port);
  // Connections are handed out once their first bytes are here.
  loopback::SendAll(handle, "\r\n");
  std::string reply = loopback::ReceiveAll(handle);
  ::close(handle);
  return reply;
}

TEST(TCPServer, WithoutBindingsListensOnIPv6AndIPv4AndNamesIPv4PeersInTheirOwnForm) {
  TPeerHandler handler;
  TTCPServer server(handler);
  server.Activate();
  EXPECT_EQ(PeerSeenOver(server.BoundPort(), "::1"), "::1\r\n");
  EXPECT_EQ(PeerSeenOver(server.BoundPort(), "127.0.0.1"), "127.0.0.1\r\n");
}

TEST(TCPServer, AnIPv6BindingTakesIPv6ClientsOnly) {
  TPeerHandler handler;
  TTCPServer server(handler);
  server.Bindings = {{"::1", 0}};
  server.Activate();
  EXPECT_EQ(PeerSeenOver(server.BoundPort(), "::1"), "::1\r\n");
  EXPECT_THROW(loopback::Connect(server.BoundPort()), std::runtime_error);
}

TEST(TCPServer, PeerAddressGivesIPv4MappedAddressesInIPv4Form) {
  const std::pair<const char*, const char*> cases[] = {
      {"::ffff:192.0.2.7", "192.0.2.7"},
      {"192.0.2.7", "192.0.2.7"},
      {"2001:db8::7", "2001:db8::7"},
      {"::1", "::1"},
  };
  for (const auto& [given, expected] : cases) {
    const auto [address, length] = loopback::AddressOf(given, 4711);
    std::string ip;
    std::uint16_t port = 0;
    PeerAddress(address, ip, port);
    EXPECT_EQ(ip, expected) << given;
    EXPECT_EQ(port, 4711) << given;
  }
}

TEST(CommandParams, SplitAtSpacesWithoutEmptyParameters) {
  EXPECT_EQ(TCommandDispatcher::SplitParams("a  b c "), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(TCommandDispatcher::SplitParams("").empty());
}

} // namespace
