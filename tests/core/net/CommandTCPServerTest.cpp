// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/CommandTCPServer.h"

#include "LoopbackSockets.h"
#include "net/NetError.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// An echo command server: "ECHO a b" answers "a|b" and closes; "STAY" answers and stays.
class TEchoServer : public TCommandTCPServer {
public:
  TEchoServer() {
    CommandHandlers = {
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
    };
  }
  ~TEchoServer() override { StopAndJoin(); }

  std::atomic<bool> Refuse{false};

protected:
  bool BeforeCommand(TContext& context) override {
    if (!Refuse) {
      return true;
    }
    context.Connection.WriteLn("refused");
    context.Connection.Close();
    return false;
  }
};

class CommandServerTest : public testing::Test {
protected:
  CommandServerTest() { FServer.Activate(); }
  std::uint16_t Port() const { return FServer.BoundPort(); }

  TEchoServer FServer;
};

TEST_F(CommandServerTest, MatchesCommandWordWithoutRegardToCaseAndClosesAfterHandler) {
  EXPECT_EQ(loopback::Exchange(Port(), "echo a  b\r\nECHO never\r\n"), "a|b\r\n");
}

TEST_F(CommandServerTest, UnknownCommandGetsCodeAndLineAndConnectionStaysOpen) {
  const int handle = loopback::Connect(Port());
  loopback::SendAll(handle, "OPTIONS * HTTP/1.1\r\nHost: x\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 37), "400 OPTIONS * HTTP/1.1\r\n400 Host: x\r\n");
  loopback::SendAll(handle, "\r\nSTAY\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  ::close(handle);
}

TEST_F(CommandServerTest, HandlerErrorReachesExceptionEventAndDisconnectFollows) {
  std::atomic<int> exceptions{0};
  std::atomic<int> disconnects{0};
  FServer.OnException = [&](TContext&, const std::exception& error) {
    EXPECT_STREQ(error.what(), "handler failed");
    ++exceptions;
  };
  FServer.OnDisconnect = [&](TContext&) { ++disconnects; };
  EXPECT_EQ(loopback::Exchange(Port(), "FAIL\r\n"), "");
  for (int i = 0; i < 200 && disconnects == 0; ++i) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(exceptions, 1);
  EXPECT_EQ(disconnects, 1);
}

TEST_F(CommandServerTest, BeforeCommandCanRefuseTheConnection) {
  FServer.Refuse = true;
  EXPECT_EQ(loopback::Exchange(Port(), "ECHO a\r\n"), "refused\r\n");
}

TEST_F(CommandServerTest, DeactivateClosesLiveConnectionsAndStopsListening) {
  const int handle = loopback::Connect(Port());
  loopback::SendAll(handle, "STAY\r\n");
  EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  EXPECT_EQ(FServer.ConnectionCount(), 1u);
  const std::uint16_t port = Port();
  FServer.Deactivate();
  EXPECT_EQ(loopback::ReceiveAll(handle, 2000ms), "");
  ::close(handle);
  EXPECT_THROW(loopback::Connect(port), std::runtime_error);
  for (int i = 0; i < 200 && FServer.ConnectionCount() > 0; ++i) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(FServer.ConnectionCount(), 0u);
}

TEST_F(CommandServerTest, ServesManyConnectionsAtOnceAndReusesThreads) {
  std::vector<int> handles;
  for (int i = 0; i < 50; ++i) {
    handles.push_back(loopback::Connect(Port()));
    loopback::SendAll(handles.back(), "STAY\r\n");
  }
  for (const int handle : handles) {
    EXPECT_EQ(loopback::ReceiveExactly(handle, 8), "stayed\r\n");
  }
  EXPECT_EQ(FServer.ThreadCount(), 50u);
  for (const int handle : handles) {
    ::close(handle);
  }
  for (int i = 0; i < 200 && FServer.ConnectionCount() > 0; ++i) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(loopback::Exchange(Port(), "ECHO again\r\n"), "again\r\n");
  EXPECT_EQ(FServer.ThreadCount(), 50u);
}

TEST(TCPServer, BindingAPortInUseFailsAndLeavesServerInactive) {
  TEchoServer first;
  first.Activate();
  TEchoServer second;
  second.DefaultPort = first.BoundPort();
  EXPECT_THROW(second.Activate(), ESocketError);
  EXPECT_FALSE(second.Active());
}

TEST(CommandParams, SplitAtSpacesWithoutEmptyParameters) {
  EXPECT_EQ(TCommandTCPServer::SplitParams("a  b c "), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(TCommandTCPServer::SplitParams("").empty());
}

} // namespace
