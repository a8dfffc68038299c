// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/TCPConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One accepted connection and what the server keeps beside it.
class TContext {
public:
  TTCPConnection Connection;
  std::string PeerIP; // dotted IPv4 text
  std::uint16_t PeerPort = 0;

  explicit TContext(int handle) : Connection(handle) {}

  // The upstream connection serving this one while it lives (nullptr clears it); the
  // owner thread sets and clears it, any thread may shut it down meanwhile.
  void Link(TTCPConnection* upstream);
  bool Linked() const;
  void ShutdownLinked();

private:
  mutable std::mutex FLinkLock; // guards FLinked against being cleared while it is shut down
  TTCPConnection* FLinked = nullptr;
};

// Threaded TCP server: one thread per live connection, taken from a pool of
// idle threads or started anew, up to a cap beyond which further connections
// wait in the listen backlog.
class TTCPServer {
public:
  // Listen on these; none means every local IPv4 address on DefaultPort.
  struct TBinding {
    std::string IP;
    std::uint16_t Port = 0;
  };

  // Generous, and bounded further by the descriptors the process may open.
  static constexpr std::size_t MaxConnectionThreads = 4096;
  // An idle pooled thread ends after this long without work.
  static constexpr std::chrono::seconds IdleThreadLifetime{15};
  // Under load a thread finishing its connection is free within microseconds: a new
  // connection waits this long for it before a thread is started, which keeps the
  // pool near the number of live connections instead of twice that.
  static constexpr std::chrono::microseconds HandOverWait{300};

  TTCPServer() = default;
  virtual ~TTCPServer();
  TTCPServer(const TTCPServer&) = delete;
  TTCPServer& operator=(const TTCPServer&) = delete;

  std::uint16_t DefaultPort = 0;
  std::vector<TBinding> Bindings;

  // Raises ESocketError when a binding cannot listen; nothing listens then.
  void Activate();
  // Closes every live connection and the upstream connection linked to it, then the
  // listening sockets.
  void Deactivate();
  bool Active() const { return FActive.load(); }
  // The port the first binding listens on (the kernel's choice for port 0).
  std::uint16_t BoundPort() const { return FBoundPort.load(); }
  std::size_t ConnectionCount() const;
  std::size_t ThreadCount() const;

  std::function<void(TContext&)> OnConnect;
  std::function<void(TContext&)> OnDisconnect;
  std::function<void(TContext&, const std::exception&)> OnException;

protected:
  // Serves the connection until it closes; runs on the connection's thread.
  virtual void Execute(TContext& context) = 0;
  // Derived servers call this first in their destructor, while Execute is still theirs.
  void StopAndJoin();

private:
  void AcceptLoop();
  void Dispatch(std::unique_ptr<TContext> context);
  void WorkerLoop();
  void Serve(TContext& context);
  void ReapFinishedWorkers();

  struct TWorker {
    std::thread Thread;
    bool Finished = false;
  };

  std::atomic<bool> FActive{false};
  std::atomic<std::uint16_t> FBoundPort{0};
  std::vector<int> FListeners;
  int FWakeup = -1; // eventfd that stops the accept loop
  std::thread FAcceptThread;
  std::size_t FThreadCap = MaxConnectionThreads;

  mutable std::mutex FContextsLock; // guards FContexts
  std::list<TContext*> FContexts;

  mutable std::mutex FPoolLock;   // guards FQueue, FWorkers, FIdle, FLive, FStopping
  std::condition_variable FWork;  // a context is queued, or stopping
  std::condition_variable FSpace; // a thread became free, or stopping
  std::deque<std::unique_ptr<TContext>> FQueue;
  std::list<TWorker> FWorkers;
  std::size_t FIdle = 0;
  std::size_t FLive = 0;
  bool FStopping = false;
};
