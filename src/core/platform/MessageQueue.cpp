// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageQueue.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

using TClock = std::chrono::steady_clock;

std::string ErrnoText(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

class TFd {
public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0)
      close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Release() { return std::exchange(FFd, -1); }

private:
  int FFd;
};

// Makes sure the folder exists, belongs to us and is closed to group and others.
void PrepareFolder(const std::filesystem::path& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw TMessageQueueError(ErrnoText("cannot create " + folder.string(), errno));
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0)
    throw TMessageQueueError(ErrnoText("cannot inspect " + folder.string(), errno));
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid())
    throw TMessageQueueError(folder.string() + " is not a folder of this user");
  if ((info.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0)
    throw TMessageQueueError(ErrnoText("cannot protect " + folder.string(), errno));
}

sockaddr_un AddressOf(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.size() >= sizeof(address.sun_path))
    throw TMessageQueueError("socket path too long: " + text);
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return address;
}

int NewSocket() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    throw TMessageQueueError(ErrnoText("socket", errno));
  return fd;
}

bool PeerIsSameUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         credentials.uid == geteuid();
}

// Waits for fd to become ready for events until deadline; false on time-out or error.
bool WaitReady(int fd, short events, TClock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0)
      return false;
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left));
    if (ready > 0)
      return true;
    if (ready < 0 && errno != EINTR)
      return false;
  }
}

bool ReadAll(int fd, std::uint8_t* data, std::size_t size, TClock::time_point deadline) {
  while (size > 0) {
    if (!WaitReady(fd, POLLIN, deadline))
      return false;
    const ssize_t got = recv(fd, data, size, 0);
    if (got == 0)
      return false;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN)
        continue;
      return false;
    }
    data += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, TClock::time_point deadline) {
  while (size > 0) {
    if (!WaitReady(fd, POLLOUT, deadline))
      return false;
    const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN)
        continue;
      return false;
    }
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

std::array<std::uint8_t, 4> LittleEndian(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t FromLittleEndian(const std::array<std::uint8_t, 4>& bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool ReadNumber(int fd, std::uint32_t& value, TClock::time_point deadline) {
  std::array<std::uint8_t, 4> bytes{};
  if (!ReadAll(fd, bytes.data(), bytes.size(), deadline))
    return false;
  value = FromLittleEndian(bytes);
  return true;
}

// True when something accepts connections on the socket file.
bool SomeoneListens(const sockaddr_un& address) {
  TFd probe(NewSocket());
  return connect(probe.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

} // namespace

std::filesystem::path MessageQueueFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path base;
  if (runtime != nullptr && runtime[0] == '/') {
    base = runtime;
  } else {
    // Without a session's runtime folder: a per-user folder of our own below /tmp.
    base = "/tmp/quorvane-runtime-" + std::to_string(geteuid());
    PrepareFolder(base);
  }
  const std::filesystem::path folder = base / "quorvane";
  PrepareFolder(folder);
  return folder;
}

std::filesystem::path MessageQueuePath(const std::string& queueName) {
  if (queueName.empty() || queueName == "." || queueName == ".." ||
      queueName.find('/') != std::string::npos || queueName.find('\0') != std::string::npos)
    throw TMessageQueueError("bad queue name: " + queueName);
  return MessageQueueFolder() / queueName;
}

TMessageQueueServer::TMessageQueueServer(const std::string& queueName, THandler handler)
    : FPath(MessageQueuePath(queueName)), FHandler(std::move(handler)) {
  const sockaddr_un address = AddressOf(FPath);
  TFd listener(NewSocket());
  if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    if (errno != EADDRINUSE)
      throw TMessageQueueError(ErrnoText("cannot bind " + FPath.string(), errno));
    if (SomeoneListens(address))
      throw TMessageQueueError("queue " + queueName + " already has a receiver");
    // Left by a run that ended without removing it.
    unlink(FPath.c_str());
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
      throw TMessageQueueError(ErrnoText("cannot bind " + FPath.string(), errno));
  }
  if (chmod(FPath.c_str(), 0600) != 0 || listen(listener.Get(), 16) != 0) {
    const int error = errno;
    unlink(FPath.c_str());
    throw TMessageQueueError(ErrnoText("cannot listen on " + FPath.string(), error));
  }
  FWake = eventfd(0, EFD_CLOEXEC);
  if (FWake < 0) {
    const int error = errno;
    unlink(FPath.c_str());
    throw TMessageQueueError(ErrnoText("eventfd", error));
  }
  FListen = listener.Release();
  FThread = std::thread([this] { Run(); });
}

TMessageQueueServer::~TMessageQueueServer() {
  const std::uint64_t one = 1;
  if (write(FWake, &one, sizeof(one)) != sizeof(one))
    std::abort(); // an eventfd write only fails on a broken descriptor
  FThread.join();
  close(FListen);
  close(FWake);
  unlink(FPath.c_str());
}

void TMessageQueueServer::Run() {
  for (;;) {
    std::array<pollfd, 2> entries{pollfd{FListen, POLLIN, 0}, pollfd{FWake, POLLIN, 0}};
    if (poll(entries.data(), entries.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (entries[1].revents != 0)
      return;
    if ((entries[0].revents & POLLIN) == 0)
      continue;
    TFd peer(accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (peer.Get() >= 0)
      Serve(peer.Get());
  }
}

void TMessageQueueServer::Serve(int peer) {
  if (!PeerIsSameUser(peer))
    return;
  const auto deadline = TClock::now() + QueuePeerTimeout;
  std::uint32_t messageSize = 0;
  if (!ReadNumber(peer, messageSize, deadline) || messageSize > MaxQueueMessageSize)
    return;
  std::vector<std::uint8_t> message(messageSize);
  std::uint32_t answerSize = 0;
  if (!ReadAll(peer, message.data(), message.size(), deadline) ||
      !ReadNumber(peer, answerSize, deadline) || answerSize > MaxQueueAnswerSize)
    return;
  std::vector<std::uint8_t> answer(answerSize, 0);
  FHandler(message, answer);
  // The handler may have waited for the user; the answer gets its own time.
  WriteAll(peer, answer.data(), answer.size(), TClock::now() + QueuePeerTimeout);
}

std::vector<std::uint8_t> SendQueueMessage(const std::string& queueName,
                                           std::span<const std::uint8_t> message,
                                           std::uint32_t answerSize,
                                           std::chrono::milliseconds timeout) {
  if (message.size() > MaxQueueMessageSize || answerSize > MaxQueueAnswerSize)
    throw TMessageQueueError("message or answer too large");
  const auto deadline = TClock::now() + timeout;
  const sockaddr_un address = AddressOf(MessageQueuePath(queueName));
  TFd fd(NewSocket());
  if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    const int error = errno;
    if (error == ENOENT || error == ECONNREFUSED)
      throw TMessageQueueNoReceiver(ErrnoText("queue " + queueName, error));
    throw TMessageQueueError(ErrnoText("queue " + queueName, error));
  }
  if (!PeerIsSameUser(fd.Get()))
    throw TMessageQueueError("queue " + queueName + " belongs to another user");
  if (fcntl(fd.Get(), F_SETFL, fcntl(fd.Get(), F_GETFL) | O_NONBLOCK) != 0)
    throw TMessageQueueError(ErrnoText("fcntl", errno));
  std::vector<std::uint8_t> request;
  request.reserve(message.size() + 8);
  const auto length = LittleEndian(static_cast<std::uint32_t>(message.size()));
  const auto size = LittleEndian(answerSize);
  request.insert(request.end(), length.begin(), length.end());
  request.insert(request.end(), message.begin(), message.end());
  request.insert(request.end(), size.begin(), size.end());
  if (!WriteAll(fd.Get(), request.data(), request.size(), deadline))
    throw TMessageQueueError("queue " + queueName + ": message not delivered");
  std::vector<std::uint8_t> answer(answerSize);
  if (!ReadAll(fd.Get(), answer.data(), answer.size(), deadline))
    throw TMessageQueueError("queue " + queueName + ": no answer");
  return answer;
}
