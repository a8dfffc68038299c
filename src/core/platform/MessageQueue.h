// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Named request/answer queues between processes of the same user, over Unix domain
// sockets in $XDG_RUNTIME_DIR/quorvane/ (folder 0700, socket 0600). One exchange per
// connection: the sender writes a 32-bit little-endian length, the message bytes and
// the 32-bit little-endian size of its answer buffer; the receiver answers with exactly
// that many bytes, zero-filled where its handler wrote nothing.

class TMessageQueueError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
// Nobody receives on the queue (no socket, or one left by a run that ended).
class TMessageQueueNoReceiver : public TMessageQueueError {
public:
  using TMessageQueueError::TMessageQueueError;
};

// The folder that holds the queues' sockets; created (0700) on first use.
std::filesystem::path MessageQueueFolder();
// The socket of a queue. Throws TMessageQueueError for a name that cannot be a file name.
std::filesystem::path MessageQueuePath(const std::string& queueName);

// Limits that keep a broken or hostile peer from making the receiver hold much memory.
inline constexpr std::uint32_t MaxQueueMessageSize = 1024 * 1024;
inline constexpr std::uint32_t MaxQueueAnswerSize = 1024 * 1024;
// How long one exchange may take on the receiver's side before the peer is dropped.
inline constexpr std::chrono::milliseconds QueuePeerTimeout{5000};

// Receives the messages of one queue on its own thread and answers each through the
// handler. The handler runs on that thread; the answer buffer arrives zero-filled.
class TMessageQueueServer {
public:
  using THandler =
      std::function<void(std::span<const std::uint8_t> message, std::span<std::uint8_t> answer)>;

  // Listens on the queue's socket. A socket left by a crashed run is removed and listened
  // on again; one that answers belongs to a running receiver: TMessageQueueError.
  TMessageQueueServer(const std::string& queueName, THandler handler);
  // Stops the thread (an exchange in progress is finished first) and removes the socket.
  ~TMessageQueueServer();
  TMessageQueueServer(const TMessageQueueServer&) = delete;
  TMessageQueueServer& operator=(const TMessageQueueServer&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

private:
  void Run();
  void Serve(int peer);

  std::filesystem::path FPath;
  THandler FHandler;
  int FListen = -1;
  int FWake = -1; // eventfd that ends Run()
  std::thread FThread;
};

// Sends one message to a queue and returns its answer of answerSize bytes. Throws
// TMessageQueueNoReceiver when nobody listens, TMessageQueueError when the peer is
// another user or the exchange does not finish within timeout.
std::vector<std::uint8_t> SendQueueMessage(const std::string& queueName,
                                           std::span<const std::uint8_t> message,
                                           std::uint32_t answerSize,
                                           std::chrono::milliseconds timeout);
