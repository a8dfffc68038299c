// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageQueue.h"

#include "TempFolder.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class MessageQueue : public ::testing::Test {
protected:
  MessageQueue() { FEnvironment.Set("XDG_RUNTIME_DIR", FFolder.Path().string()); }

  static std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
  }
  static mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
  }

  TTempFolder FFolder;
  TScopedEnvironment FEnvironment;
};

// Echoes the message reversed into as much of the answer as fits.
void ReverseInto(std::span<const std::uint8_t> message, std::span<std::uint8_t> answer) {
  for (std::size_t i = 0; i < message.size() && i < answer.size(); ++i)
    answer[i] = message[message.size() - 1 - i];
}

TEST_F(MessageQueue, AnswersWithExactlyTheRequestedSizeZeroFilled) {
  TMessageQueueServer server("Echo", ReverseInto);
  struct Case {
    std::string message;
    std::uint32_t answerSize;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {"abc", 5, {'c', 'b', 'a', 0, 0}},
      {"abcdef", 2, {'f', 'e'}},
      {"abc", 0, {}},
      {"", 3, {0, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SendQueueMessage("Echo", Bytes(c.message), c.answerSize, 2s), c.expected)
        << c.message << " / " << c.answerSize;
}

TEST_F(MessageQueue, SocketAndFolderAreClosedToGroupAndOthers) {
  const auto folder = FFolder.Path() / "quorvane";
  std::filesystem::create_directories(folder);
  chmod(folder.c_str(), 0755);
  TMessageQueueServer server("Private", ReverseInto);
  EXPECT_EQ(server.Path(), folder / "Private");
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(server.Path()), 0600u);
}

TEST_F(MessageQueue, StaleSocketOfACrashedRunIsReplaced) {
  const auto path = MessageQueuePath("Stale");
  {
    // A bound socket that nobody listens on any more: what a killed run leaves.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  TMessageQueueServer server("Stale", ReverseInto);
  EXPECT_EQ(SendQueueMessage("Stale", Bytes("xy"), 2, 2s), Bytes("yx"));
}

TEST_F(MessageQueue, SecondReceiverOfTheSameQueueIsRefused) {
  TMessageQueueServer first("Once", ReverseInto);
  EXPECT_THROW(TMessageQueueServer("Once", ReverseInto), TMessageQueueError);
  EXPECT_EQ(SendQueueMessage("Once", Bytes("ok"), 2, 2s), Bytes("ko"));
}

TEST_F(MessageQueue, SocketIsRemovedWhenTheReceiverEnds) {
  std::filesystem::path path;
  {
    TMessageQueueServer server("Gone", ReverseInto);
    path = server.Path();
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_THROW(SendQueueMessage("Gone", Bytes("x"), 1, 1s), TMessageQueueNoReceiver);
}

TEST_F(MessageQueue, NamesThatAreNoPlainFileNameAreRefused) {
  for (const std::string name : {"", ".", "..", "a/b", "../x"})
    EXPECT_THROW(MessageQueuePath(name), TMessageQueueError) << name;
}

TEST_F(MessageQueue, SenderGivesUpWhenTheAnswerTakesTooLong) {
  std::atomic<bool> release{false};
  TMessageQueueServer server("Slow", [&](auto, auto) {
    for (int i = 0; i < 200 && !release; ++i)
      std::this_thread::sleep_for(10ms);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(SendQueueMessage("Slow", Bytes("x"), 4, 200ms), TMessageQueueError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  release = true;
}

TEST_F(MessageQueue, OversizedAnnouncementIsDroppedAndTheNextMessageServed) {
  TMessageQueueServer server("Guarded", ReverseInto);
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, server.Path().c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const std::uint8_t huge[4] = {0xff, 0xff, 0xff, 0xff};
    ASSERT_EQ(write(fd, huge, sizeof(huge)), 4);
    char byte = 0;
    EXPECT_EQ(read(fd, &byte, 1), 0); // closed without an answer
    close(fd);
  }
  EXPECT_EQ(SendQueueMessage("Guarded", Bytes("12"), 2, 2s), Bytes("21"));
}

} // namespace
