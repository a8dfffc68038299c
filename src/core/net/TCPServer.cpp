// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/TCPServer.h"

#include "net/ConnectionHandler.h"
#include "net/NetError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Each connection needs its own socket, an upstream socket, a pipe and its thread's poller.
constexpr std::size_t DescriptorsPerConnection = 5;
constexpr std::size_t ReservedDescriptors = 64;
// Pause after accept failed for lack of descriptors, so the loop does not spin.
constexpr std::chrono::milliseconds AcceptRetryDelay{50};
// Sanitizers put their shadow frames and red zones on the same stack.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t StackFactor = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr std::size_t StackFactor = 8;
#else
constexpr std::size_t StackFactor = 1;
#endif
#else
constexpr std::size_t StackFactor = 1;
#endif

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
  // A connection is handed out once its first bytes are here, so the first read finds
  // the request instead of sleeping for it. One that stays silent comes after a second.
  const int deferSeconds = 1;
  ::setsockopt(handle, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
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

// A poller over the listeners, each waking one waiting thread only, and the stop
// signal, which wakes them all.
int MakePoller(const std::vector<int>& listeners, int wakeup) {
  const int poller = ::epoll_create1(EPOLL_CLOEXEC);
  if (poller < 0) {
    return -1;
  }
  for (const int listener : listeners) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLEXCLUSIVE;
    event.data.fd = listener;
    ::epoll_ctl(poller, EPOLL_CTL_ADD, listener, &event);
  }
  epoll_event stop{};
  stop.events = EPOLLIN;
  stop.data.fd = wakeup;
  ::epoll_ctl(poller, EPOLL_CTL_ADD, wakeup, &stop);
  return poller;
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

TTCPServer::TTCPServer(TConnectionHandler& handler) : FHandler(handler) {}

TTCPServer::~TTCPServer() {
  Deactivate();
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
  const int wakeup = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeup < 0) {
    const int error = errno;
    for (const int handle : listeners) {
      ::close(handle);
    }
    throw ESocketError("eventfd", error);
  }
  FListeners = std::move(listeners);
  FWakeup = wakeup;
  FBoundPort = LocalPort(FListeners.front());
  FThreadCap = ThreadCapForDescriptors();
  std::lock_guard lock(FLock);
  FStopping = false;
  StartWorker();
  if (FLive == 0) {
    FStopping = true;
    for (const int handle : FListeners) {
      ::close(handle);
    }
    FListeners.clear();
    ::close(FWakeup);
    FWakeup = -1;
    FBoundPort = 0;
    throw ESocketError("thread", EAGAIN);
  }
  FActive = true;
}

void TTCPServer::Deactivate() {
  if (!FActive.exchange(false)) {
    return;
  }
  std::list<TWorker> workers;
  {
    std::lock_guard lock(FLock);
    FStopping = true;
    for (TContext* context : FContexts) {
      context->Connection.Shutdown();
      context->ShutdownLinked();
    }
    workers.swap(FWorkers);
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(FWakeup, &one, sizeof one);
  for (TWorker& worker : workers) {
    ::pthread_join(worker.Thread, nullptr);
  }
  for (const int handle : FListeners) {
    ::close(handle);
  }
  FListeners.clear();
  ::close(FWakeup);
  FWakeup = -1;
  FBoundPort = 0;
}

std::size_t TTCPServer::ConnectionCount() const {
  std::lock_guard lock(FLock);
  return FContexts.size();
}

std::size_t TTCPServer::ThreadCount() const {
  std::lock_guard lock(FLock);
  return FLive;
}

void TTCPServer::StartWorker() {
  JoinFinishedWorkers();
  const int poller = MakePoller(FListeners, FWakeup);
  if (poller < 0) {
    return; // out of descriptors: the threads there are carry on
  }
  FWorkers.push_back({});
  TWorker& worker = FWorkers.back();
  worker.Poller = poller;
  worker.Server = this;
  pthread_attr_t attributes;
  ::pthread_attr_init(&attributes);
  ::pthread_attr_setstacksize(&attributes, ConnectionThreadStackSize * StackFactor);
  const int error = ::pthread_create(
      &worker.Thread, &attributes,
      [](void* argument) -> void* {
        auto* self = static_cast<TWorker*>(argument);
        self->Server->WorkerLoop(*self);
        return nullptr;
      },
      &worker);
  ::pthread_attr_destroy(&attributes);
  if (error != 0) {
    ::close(poller);
    FWorkers.pop_back();
    return;
  }
  ++FLive;
}

void TTCPServer::JoinFinishedWorkers() {
  for (auto it = FWorkers.begin(); it != FWorkers.end();) {
    if (it->Finished) {
      ::pthread_join(it->Thread, nullptr);
      it = FWorkers.erase(it);
    } else {
      ++it;
    }
  }
}

int TTCPServer::AcceptOne(int poller, bool& timedOut, std::string& peerIP,
                          std::uint16_t& peerPort) {
  epoll_event events[8];
  const int ready = ::epoll_wait(
      poller, events, 8, static_cast<int>(std::chrono::milliseconds(IdleThreadLifetime).count()));
  timedOut = ready == 0;
  for (int i = 0; i < ready; ++i) {
    if (events[i].data.fd == FWakeup) {
      continue;
    }
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int handle = ::accept4(events[i].data.fd, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (handle >= 0) {
      const int on = 1;
      ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      char text[INET_ADDRSTRLEN] = "";
      ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
      peerIP = text;
      peerPort = ntohs(peer.sin_port);
      return handle;
    }
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      std::this_thread::sleep_for(AcceptRetryDelay);
    }
  }
  return -1;
}

void TTCPServer::WorkerLoop(TWorker& self) {
  std::unique_lock lock(FLock);
  while (!FStopping) {
    // A thread counts as waiting until it has a connection: one woken in vain, when
    // another took the connection, must not make the winner start a successor.
    ++FIdle;
    lock.unlock();
    std::unique_ptr<TContext> context;
    bool retire = false;
    while (!context && !retire) {
      bool timedOut = false;
      std::string peerIP;
      std::uint16_t peerPort = 0;
      const int handle = AcceptOne(self.Poller, timedOut, peerIP, peerPort);
      if (handle >= 0) {
        context = std::make_unique<TContext>(handle);
        context->PeerIP = std::move(peerIP);
        context->PeerPort = peerPort;
      } else if (timedOut || FStopping.load()) {
        lock.lock();
        // Another waiting thread keeps watch, or the server stops.
        retire = FStopping || FIdle > 1;
        lock.unlock();
      }
    }
    lock.lock();
    --FIdle;
    if (FStopping || !context) {
      break;
    }
    const auto entry = FContexts.insert(FContexts.end(), context.get());
    if (FIdle == 0 && FLive < FThreadCap) {
      StartWorker();
    }
    lock.unlock();
    Serve(*context);
    lock.lock();
    FContexts.erase(entry);
    context.reset();
  }
  --FLive;
  ::close(self.Poller);
  self.Finished = true;
}

void TTCPServer::Serve(TContext& context) {
  try {
    FHandler.Connected(context);
    while (context.Connection.Connected()) {
      FHandler.Execute(context);
    }
  } catch (const EConnClosedGracefully&) {
    // The browser went away between requests: an ordinary end.
  } catch (const std::exception& error) {
    try {
      FHandler.Failed(context, error);
    } catch (...) {
      // A failing receiver must not take the connection thread down with it.
    }
  }
  try {
    FHandler.Disconnected(context);
  } catch (...) {
    // As above: the connection is over either way.
  }
  context.Connection.Close();
}
