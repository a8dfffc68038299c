// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPServer.h"

#include "net/NetError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Each connection needs its own socket, an upstream socket and a pipe.
constexpr std::size_t DescriptorsPerConnection = 4;
constexpr std::size_t ReservedDescriptors = 64;
// Pause after accept failed for lack of descriptors, so the loop does not spin.
constexpr std::chrono::milliseconds AcceptRetryDelay{50};

std::size_t ThreadCapForDescriptors() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return TTCPServer::MaxConnectionThreads;
  }
  const std::size_t usable =
      limit.rlim_cur > ReservedDescriptors ? limit.rlim_cur - ReservedDescriptors : 1;
  return std::clamp<std::size_t>(usable / DescriptorsPerConnection, 1,
                                 TTCPServer::MaxConnectionThreads);
}

int Listen(const TTCPServer::TBinding& binding) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (handle < 0) {
    throw ESocketError("socket", errno);
  }
  const int on = 1;
  ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(binding.Port);
  if (binding.IP.empty()) {
    address.sin_addr.s_addr = htonl(INADDR_ANY);
  } else if (::inet_pton(AF_INET, binding.IP.c_str(), &address.sin_addr) != 1) {
    ::close(handle);
    throw ESocketError("bind " + binding.IP, EINVAL);
  }
  if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(handle, SOMAXCONN) != 0) {
    const int error = errno;
    ::close(handle);
    throw ESocketError("bind", error);
  }
  return handle;
}

std::uint16_t LocalPort(int handle) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

} // namespace

void TContext::Link(TTCPConnection* upstream) {
  std::lock_guard lock(FLinkLock);
  FLinked = upstream;
}

bool TContext::Linked() const {
  std::lock_guard lock(FLinkLock);
  return FLinked != nullptr;
}

void TContext::ShutdownLinked() {
  std::lock_guard lock(FLinkLock);
  if (FLinked) {
    FLinked->Shutdown();
  }
}

TTCPServer::~TTCPServer() {
  StopAndJoin();
}

void TTCPServer::Activate() {
  if (FActive) {
    return;
  }
  std::vector<TBinding> bindings = Bindings;
  if (bindings.empty()) {
    bindings.push_back({"", DefaultPort});
  }
  std::vector<int> listeners;
  try {
    for (const TBinding& binding : bindings) {
      listeners.push_back(Listen(binding));
    }
  } catch (...) {
    for (const int handle : listeners) {
      ::close(handle);
    }
    throw;
  }
  FListeners = std::move(listeners);
  FBoundPort = LocalPort(FListeners.front());
  FWakeup = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  FThreadCap = ThreadCapForDescriptors();
  {
    std::lock_guard lock(FPoolLock);
    FStopping = false;
  }
  FActive = true;
  FAcceptThread = std::thread([this] { AcceptLoop(); });
}

void TTCPServer::Deactivate() {
  {
    std::lock_guard lock(FContextsLock);
    for (TContext* context : FContexts) {
      context->Connection.Shutdown();
      context->ShutdownLinked();
    }
  }
  if (!FActive.exchange(false)) {
    return;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(FWakeup, &one, sizeof one);
  {
    // Taken so the accept thread cannot miss the wake-up between its check and its wait.
    std::lock_guard lock(FPoolLock);
  }
  FSpace.notify_all();
  FAcceptThread.join();
  for (const int handle : FListeners) {
    ::close(handle);
  }
  FListeners.clear();
  ::close(FWakeup);
  FWakeup = -1;
  FBoundPort = 0;
}

void TTCPServer::StopAndJoin() {
  Deactivate();
  std::list<TWorker> workers;
  {
    std::lock_guard lock(FPoolLock);
    FStopping = true;
    workers.swap(FWorkers);
  }
  FWork.notify_all();
  for (TWorker& worker : workers) {
    worker.Thread.join();
  }
  std::lock_guard lock(FPoolLock);
  FQueue.clear();
}

std::size_t TTCPServer::ConnectionCount() const {
  std::lock_guard lock(FContextsLock);
  return FContexts.size();
}

std::size_t TTCPServer::ThreadCount() const {
  std::lock_guard lock(FPoolLock);
  return FLive;
}

void TTCPServer::AcceptLoop() {
  std::vector<pollfd> fds;
  for (const int handle : FListeners) {
    fds.push_back({handle, POLLIN, 0});
  }
  fds.push_back({FWakeup, POLLIN, 0});
  for (;;) {
    {
      // At the cap, leave further connections in the backlog until a thread is free.
      std::unique_lock lock(FPoolLock);
      FSpace.wait(lock, [this] { return !FActive || FQueue.size() < FIdle || FLive < FThreadCap; });
    }
    if (!FActive) {
      return;
    }
    const int ready = ::poll(fds.data(), fds.size(), -1);
    if (ready < 0) {
      continue;
    }
    if (fds.back().revents != 0) {
      return;
    }
    for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
      if ((fds[i].revents & POLLIN) == 0) {
        continue;
      }
      sockaddr_in peer{};
      socklen_t length = sizeof peer;
      const int handle =
          ::accept4(fds[i].fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
      if (handle < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
          std::this_thread::sleep_for(AcceptRetryDelay);
        }
        continue;
      }
      const int on = 1;
      ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      auto context = std::make_unique<TContext>(handle);
      char text[INET_ADDRSTRLEN] = "";
      ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
      context->PeerIP = text;
      context->PeerPort = ntohs(peer.sin_port);
      Dispatch(std::move(context));
      break; // re-check the cap before the next accept
    }
  }
}

void TTCPServer::Dispatch(std::unique_ptr<TContext> context) {
  {
    std::lock_guard lock(FContextsLock);
    FContexts.push_back(context.get());
  }
  std::unique_lock lock(FPoolLock);
  FQueue.push_back(std::move(context));
  const auto covered = [this] { return FQueue.size() <= FIdle; };
  if (covered() || (FLive > 0 && FSpace.wait_for(lock, HandOverWait, covered))) {
    FWork.notify_one();
    return;
  }
  ReapFinishedWorkers();
  ++FLive;
  FWorkers.emplace_back();
  FWorkers.back().Thread = std::thread([this] { WorkerLoop(); });
}

void TTCPServer::ReapFinishedWorkers() {
  for (auto it = FWorkers.begin(); it != FWorkers.end();) {
    if (it->Finished) {
      it->Thread.join();
      it = FWorkers.erase(it);
    } else {
      ++it;
    }
  }
}

void TTCPServer::WorkerLoop() {
  std::unique_lock lock(FPoolLock);
  for (;;) {
    if (FQueue.empty()) {
      ++FIdle;
      FSpace.notify_one();
      const bool woken =
          FWork.wait_for(lock, IdleThreadLifetime, [this] { return FStopping || !FQueue.empty(); });
      --FIdle;
      if (!woken || FQueue.empty()) {
        break;
      }
    }
    std::unique_ptr<TContext> context = std::move(FQueue.front());
    FQueue.pop_front();
    lock.unlock();
    Serve(*context);
    {
      std::lock_guard contextsLock(FContextsLock);
      FContexts.remove(context.get());
    }
    context.reset();
    lock.lock();
  }
  --FLive;
  FSpace.notify_one();
  const auto self = std::this_thread::get_id();
  for (TWorker& worker : FWorkers) {
    if (worker.Thread.get_id() == self) {
      worker.Finished = true;
    }
  }
}

void TTCPServer::Serve(TContext& context) {
  try {
    if (OnConnect) {
      OnConnect(context);
    }
    while (context.Connection.Connected()) {
      Execute(context);
    }
  } catch (const EConnClosedGracefully&) {
    // The browser went away between requests: an ordinary end.
  } catch (const std::exception& error) {
    if (OnException) {
      try {
        OnException(context, error);
      } catch (...) {
        // A failing receiver must not take the pool thread down with it.
      }
    }
  }
  if (OnDisconnect) {
    try {
      OnDisconnect(context);
    } catch (...) {
      // As above: the connection is over either way.
    }
  }
  context.Connection.Close();
}
