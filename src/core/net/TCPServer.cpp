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

// A listening socket of the family given, bound to address; -1 with the error number
// in error when the system cannot bind it.
int TryListen(const sockaddr* address, socklen_t length, bool v6Only, int& error) {
  const int handle = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (handle < 0) {
    error = errno;
    return -1;
  }
  const int on = 1;
  ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address->sa_family == AF_INET6) {
    const int only = v6Only ? 1 : 0;
    ::setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
  }
  // A connection is handed out once its first bytes are here, so the first read finds
  // the request instead of sleeping for it. One that stays silent comes after a second.
  const int deferSeconds = 1;
  ::setsockopt(handle, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
  if (::bind(handle, address, length) != 0 || ::listen(handle, SOMAXCONN) != 0) {
    error = errno;
    ::close(handle);
    return -1;
  }
  return handle;
}

// Without an address: one socket for IPv6 and IPv4 together, so that a browser that
// tries "localhost" as ::1 first finds the proxy there; IPv4 alone on a system
// without IPv6.
int Listen(const TTCPServer::TBinding& binding) {
  int error = 0;
  int handle = -1;
  if (binding.IP.empty()) {
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    any.sin6_addr = in6addr_any;
    any.sin6_port = htons(binding.Port);
    handle = TryListen(reinterpret_cast<sockaddr*>(&any), sizeof any, false, error);
    if (handle >= 0) {
      return handle;
    }
    if (error != EAFNOSUPPORT && error != EADDRNOTAVAIL) {
      throw ESocketError("bind", error);
    }
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_ANY);
    v4.sin_port = htons(binding.Port);
    handle = TryListen(reinterpret_cast<sockaddr*>(&v4), sizeof v4, false, error);
  } else {
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET, binding.IP.c_str(), &v4.sin_addr) == 1) {
      v4.sin_family = AF_INET;
      v4.sin_port = htons(binding.Port);
      handle = TryListen(reinterpret_cast<sockaddr*>(&v4), sizeof v4, false, error);
    } else if (::inet_pton(AF_INET6, binding.IP.c_str(), &v6.sin6_addr) == 1) {
      v6.sin6_family = AF_INET6;
      v6.sin6_port = htons(binding.Port);
      handle = TryListen(reinterpret_cast<sockaddr*>(&v6), sizeof v6, true, error);
    } else {
      throw ESocketError("bind " + binding.IP, EINVAL);
    }
  }
  if (handle < 0) {
    throw ESocketError("bind", error);
  }
  return handle;
}

std::uint16_t LocalPort(int handle) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
  return address.ss_family == AF_INET6
             ? ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port)
             : ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
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

void PeerAddress(const sockaddr_storage& peer, std::string& ip, std::uint16_t& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (peer.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(peer);
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
      // An IPv4 client on the shared socket: the access rule sees its IPv4 form.
      ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
    } else {
      ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    }
    port = ntohs(v6.sin6_port);
  } else {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(peer);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  }
  ip = text;
}

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
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int handle = ::accept4(events[i].data.fd, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (handle >= 0) {
      const int on = 1;
      ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      PeerAddress(peer, peerIP, peerPort);
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
