// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/Context.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <pthread.h>
#include <string>
#include <vector>

class TConnectionHandler;
struct sockaddr_storage;

// The text of a peer's address as the access rule compares it (an IPv4 client seen
// through an IPv6 socket in its IPv4 form), and its port.
void PeerAddress(const sockaddr_storage& peer, std::string& ip, std::uint16_t& port);

// Threaded TCP server: each connection is served on the thread that accepted it.
// Idle threads wait on the listening sockets themselves, so a connection needs no
// hand-over to another thread; a thread that accepts starts a successor when no
// other thread is left waiting, up to a cap beyond which further connections wait
// in the listen backlog. The server joins its threads when it is deactivated and
// when it is destroyed.
class TTCPServer {
public:
  // Listen on these (IPv4 or IPv6 address text); none means every local address,
  // IPv6 and IPv4, on DefaultPort.
  struct TBinding {
    std::string IP;
    std::uint16_t Port = 0;
  };

  // Generous, and bounded further by the descriptors the process may open.
  static constexpr std::size_t MaxConnectionThreads = 4096;
  // A waiting thread ends after this long without a connection, unless it is the last
  // one waiting.
  static constexpr std::chrono::seconds IdleThreadLifetime{15};
  // Stack of each connection thread: the deepest connection path (name resolution
  // included) uses a small part of it.
  static constexpr std::size_t ConnectionThreadStackSize = 256 * 1024;

  explicit TTCPServer(TConnectionHandler& handler);
  ~TTCPServer();
  TTCPServer(const TTCPServer&) = delete;
  TTCPServer& operator=(const TTCPServer&) = delete;

  std::uint16_t DefaultPort = 0;
  std::vector<TBinding> Bindings;

  // Raises ESocketError when a binding cannot listen; nothing listens then.
  void Activate();
  // Closes every live connection and the upstream connection linked to it, waits
  // for the connection threads to end, then closes the listening sockets. Not to be
  // called from a connection thread.
  void Deactivate();
  bool Active() const { return FActive.load(); }
  // The port the first binding listens on (the kernel's choice for port 0).
  std::uint16_t BoundPort() const { return FBoundPort.load(); }
  std::size_t ConnectionCount() const;
  // Connection threads alive, serving or waiting; one keeps waiting while active.
  std::size_t ThreadCount() const;

private:
  struct TWorker {
    TTCPServer* Server = nullptr;
    pthread_t Thread{};
    int Poller = -1; // the thread's own wait on the listeners
    bool Finished = false;
  };

  // Both under FLock.
  void StartWorker();
  void JoinFinishedWorkers();
  void WorkerLoop(TWorker& self);
  // Waits for a connection on the listeners; -1 when stopping, idle too long, or
  // another thread took the connection.
  int AcceptOne(int poller, bool& timedOut, std::string& peerIP, std::uint16_t& peerPort);
  void Serve(TContext& context);

  TConnectionHandler& FHandler;
  std::atomic<bool> FActive{false};
  std::atomic<std::uint16_t> FBoundPort{0};
  std::vector<int> FListeners;
  int FWakeup = -1; // eventfd, readable once the server stops
  std::size_t FThreadCap = MaxConnectionThreads;

  mutable std::mutex FLock; // guards FWorkers, FIdle, FLive, FStopping, FContexts
  std::list<TWorker> FWorkers;
  std::size_t FIdle = 0; // threads waiting for a connection
  std::size_t FLive = 0;
  std::atomic<bool> FStopping{true}; // written under FLock, peeked at without it
  std::list<TContext*> FContexts;
};
