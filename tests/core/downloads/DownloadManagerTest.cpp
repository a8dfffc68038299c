// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "downloads/DownloadManagerKeys.h"
#include "downloads/DownloadManagerUnit.h"
#include "downloads/DownloadRecordCodec.h"
#include "platform/MessageQueue.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Refused at once on loopback: the workers these tests start end quickly.
constexpr const char* ClosedPortURL = "http://127.0.0.1:9/";

class DownloadManager : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "download-manager-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
      new QCoreApplication(argc, argv);
  }

  DownloadManager() {
    FHome.Environment().Set("XDG_RUNTIME_DIR", (FHome.Path() / "run").string());
    std::filesystem::create_directories(FHome.Path() / "run");
    FRegistry = std::make_unique<TRegistry>(TRegistryLocations::FromEnvironment());
  }

  std::unique_ptr<TDownloadManagerClass> NewManager() {
    auto manager = std::make_unique<TDownloadManagerClass>(*FRegistry);
    TDownloadOptions options;
    options.DefaultDMDirectory = Downloads().string();
    manager->SetOptions(options);
    return manager;
  }
  std::filesystem::path Downloads() const { return FHome.Path() / "Downloads"; }

  void StoreValue(const std::string& name, const std::vector<std::uint8_t>& data) {
    TRegKey key;
    ASSERT_EQ(FRegistry->CreateKey(TRootKey::CurrentUser, DownloadManagerKeys::Files, "", key),
              TRegResult::Ok);
    TRegValue value;
    value.Type = TRegValueType::Binary;
    value.Data = data;
    ASSERT_EQ(FRegistry->SetValue(key, name, value), TRegResult::Ok);
  }
  std::vector<std::string> StoredNames() {
    TRegKey key;
    std::vector<std::string> names;
    if (FRegistry->OpenKey(TRootKey::CurrentUser, DownloadManagerKeys::Files, key) ==
        TRegResult::Ok)
      FRegistry->EnumValueNames(key, names);
    return names;
  }

  TTestHome FHome;
  std::unique_ptr<TRegistry> FRegistry;
};

TEST_F(DownloadManager, LoadSkipsEmptyDamagedAndRepeatedRecords) {
  const TDownloadRecord first{"http://h/a.zip", "/t/a.zip", "", 10, TDownloadState::Paused};
  const TDownloadRecord second{"ftp://h/b.iso", "/t/b.iso", "x", 0, TDownloadState::Error};
  auto damaged = EncodeDownloadRecord(second);
  damaged.back() = 9;
  StoreValue("0", EncodeDownloadRecord(first));
  StoreValue("1", {});
  StoreValue("2", damaged);
  StoreValue("3", EncodeDownloadRecord(first));
  StoreValue("4", EncodeDownloadRecord(second));

  auto manager = NewManager();
  ASSERT_EQ(manager->Entries().size(), 2u);
  EXPECT_EQ(static_cast<TDownloadRecord&>(*manager->Entries()[0]), first);
  EXPECT_EQ(static_cast<TDownloadRecord&>(*manager->Entries()[1]), second);
  EXPECT_EQ(manager->RunningCount(), 0);
  EXPECT_TRUE(manager->AllStopped());

  manager->SaveList();
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"0", "1"}));
}

TEST_F(DownloadManager, AddingSavesIntoTheDefaultFolderWithoutAsking) {
  auto manager = NewManager();
  std::vector<std::string> announced;
  int asked = 0;
  manager->OnNewDownload = [&](const std::string& url) { announced.push_back(url); };
  manager->OnAskFileName = [&](const std::string&) -> std::optional<std::string> {
    ++asked;
    return std::nullopt;
  };
  const std::string url = std::string(ClosedPortURL) + "get/tool.zip?v=2";
  ASSERT_TRUE(manager->AddDownload(url, ""));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(announced, std::vector<std::string>{url});
  ASSERT_EQ(manager->Entries().size(), 1u);
  const TDownloadEntry& entry = *manager->Entries()[0];
  EXPECT_EQ(entry.FileName, (Downloads() / "tool.zip").string());
  EXPECT_TRUE(std::filesystem::exists(entry.FileName));
  EXPECT_EQ(entry.State, TDownloadState::Running) << "started at once";
  EXPECT_TRUE(manager->IsKnownURL(url));
  EXPECT_FALSE(manager->IsKnownURL(url + "#"));
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"0"});
}

TEST_F(DownloadManager, AnExistingFileOrNoNameAsksAndACancelAddsNothing) {
  std::filesystem::create_directories(Downloads());
  std::ofstream(Downloads() / "taken.exe") << "mine";
  auto manager = NewManager();
  std::vector<std::string> proposals;
  manager->OnAskFileName = [&](const std::string& proposed) -> std::optional<std::string> {
    proposals.push_back(proposed);
    return std::nullopt;
  };
  EXPECT_FALSE(manager->AddDownload(std::string(ClosedPortURL) + "taken.exe", ""));
  EXPECT_FALSE(manager->AddDownload(std::string(ClosedPortURL) + "dir/", ""));
  EXPECT_FALSE(manager->AddDownload(std::string(ClosedPortURL) + "..", ""));
  EXPECT_EQ(proposals, (std::vector<std::string>{"taken.exe", "", ""}));
  EXPECT_TRUE(manager->Entries().empty());
  std::ifstream kept(Downloads() / "taken.exe");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
}

TEST_F(DownloadManager, URLsOfOtherSchemesTouchNoFile) {
  auto manager = NewManager();
  for (const std::string url : {"file:///etc/hostname", "gopher://h/x.zip", "x.zip"}) {
    EXPECT_FALSE(manager->AddDownload(url, "")) << url;
  }
  EXPECT_TRUE(manager->Entries().empty());
  EXPECT_FALSE(std::filesystem::exists(Downloads() / "hostname"));
  EXPECT_FALSE(std::filesystem::exists(Downloads() / "x.zip"));
}

TEST_F(DownloadManager, AnOfferIsTakenOnceAndRecordedForTheAddOn) {
  auto manager = NewManager();
  const std::string url = std::string(ClosedPortURL) + "offered.zip";
  std::vector<std::uint8_t> answer(OfferAnswerSize, 0);
  manager->HandleQueueMessage(EncodeDownloadOffer(url), answer);
  EXPECT_EQ(answer, (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_TRUE(IsPendingURL(*FRegistry, url));

  std::vector<std::uint8_t> second(OfferAnswerSize, 0);
  manager->HandleQueueMessage(EncodeDownloadOffer(url), second);
  EXPECT_EQ(second, std::vector<std::uint8_t>(OfferAnswerSize, 0)) << "answered unchanged";
  EXPECT_EQ(manager->Entries().size(), 1u);

  std::vector<std::uint8_t> endSession(OfferAnswerSize, 0);
  manager->HandleQueueMessage(EncodeDownloadOffer("", QueryEndSessionMessageNumber), endSession);
  EXPECT_EQ(endSession[OfferAcceptedByte], 1);

  std::vector<std::uint8_t> shortMessage(OfferAnswerSize, 0);
  manager->HandleQueueMessage(std::vector<std::uint8_t>(100, 0), shortMessage);
  EXPECT_EQ(shortMessage, std::vector<std::uint8_t>(OfferAnswerSize, 0));
}

TEST_F(DownloadManager, DeletingStopsTheWorkerKeepsTheFileAndForgetsThePendingURL) {
  auto manager = NewManager();
  const std::string url = std::string(ClosedPortURL) + "gone.zip";
  std::vector<std::uint8_t> answer(OfferAnswerSize, 0);
  manager->HandleQueueMessage(EncodeDownloadOffer(url), answer);
  ASSERT_EQ(manager->Entries().size(), 1u);
  TDownloadEntry& entry = *manager->Entries()[0];
  ASSERT_TRUE(entry.Worker);
  const std::string file = entry.FileName;
  std::vector<bool> changes;
  manager->OnListChanged = [&](bool deleted) { changes.push_back(deleted); };
  manager->DeleteDownload(entry);
  EXPECT_TRUE(manager->Entries().empty());
  EXPECT_FALSE(IsPendingURL(*FRegistry, url));
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(changes, std::vector<bool>{true});
  EXPECT_TRUE(StoredNames().empty());
}

TEST_F(DownloadManager, TheQueueDeliversOffersToTheMainThread) {
  auto manager = NewManager();
  ASSERT_TRUE(manager->OpenQueue());
  TDownloadManagerClass second(*FRegistry);
  EXPECT_FALSE(second.OpenQueue()) << "one receiver per queue";

  const std::string url = std::string(ClosedPortURL) + "queued.zip";
  std::vector<std::uint8_t> answer;
  std::thread sender([&] {
    answer = SendQueueMessage(DownloadManagerQueueName, EncodeDownloadOffer(url), OfferAnswerSize,
                              std::chrono::seconds(10));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  QCoreApplication::exec();
  sender.join();
  EXPECT_EQ(answer[OfferAcceptedByte], 1);
  EXPECT_TRUE(manager->IsKnownURL(url));
}

TEST_F(DownloadManager, AnOfferWaitingWhileTheQueueClosesIsAnsweredUnchanged) {
  auto manager = NewManager();
  ASSERT_TRUE(manager->OpenQueue());
  std::vector<std::uint8_t> answer(OfferAnswerSize, 0);
  std::thread sender([&] {
    try {
      answer = SendQueueMessage(DownloadManagerQueueName, EncodeDownloadOffer("http://h/x.zip"),
                                OfferAnswerSize, std::chrono::seconds(10));
    } catch (const TMessageQueueError&) {
      // Closed before the offer got through: refused, which is as good as unchanged.
    }
  });
  // The main thread never runs the intake here; closing must not wait for it.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  manager->CloseQueue();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  sender.join();
  EXPECT_EQ(answer, std::vector<std::uint8_t>(OfferAnswerSize, 0));
  EXPECT_FALSE(manager->IsKnownURL("http://h/x.zip"));
}

TEST_F(DownloadManager, ErrorsAreClearedByTheTwoIgnoreCommands) {
  std::filesystem::create_directories(Downloads());
  const auto file = Downloads() / "e.zip";
  std::ofstream(file) << "part";
  StoreValue("0", EncodeDownloadRecord({"http://127.0.0.1:9/e.zip", file.string(), "boom - 500", 4,
                                        TDownloadState::Error}));
  auto manager = NewManager();
  TDownloadEntry& entry = *manager->Entries()[0];
  manager->CreateWorkers();
  EXPECT_FALSE(entry.Worker) << "an entry in error gets no worker";

  manager->IgnoreErrorAndContinue(entry, false);
  EXPECT_EQ(entry.State, TDownloadState::Paused);
  EXPECT_TRUE(std::filesystem::exists(file));

  entry.State = TDownloadState::Error;
  manager->IgnoreErrorAndRestart(entry, true);
  EXPECT_FALSE(std::filesystem::exists(file) && std::filesystem::file_size(file) == 4u);
  EXPECT_EQ(entry.State, TDownloadState::Running);
  EXPECT_TRUE(entry.Worker);
  EXPECT_EQ(entry.Message, "");
}

TEST_F(DownloadManager, StopAllKeepsOrPausesTheStatesAndStartAllRunsThem) {
  auto manager = NewManager();
  ASSERT_TRUE(manager->AddDownload(std::string(ClosedPortURL) + "one.zip", ""));
  ASSERT_TRUE(manager->AddDownload(std::string(ClosedPortURL) + "two.zip", ""));
  manager->SetActive(true);
  manager->StopAll(true);
  EXPECT_EQ(manager->RunningCount(), 2) << "states kept for the next connection";
  EXPECT_FALSE(manager->Entries()[0]->Worker);
  manager->StartAll();
  EXPECT_EQ(manager->RunningCount(), 2);
  EXPECT_TRUE(manager->Entries()[1]->Worker);
  manager->StopAll(false);
  EXPECT_EQ(manager->RunningCount(), 0);
  EXPECT_TRUE(manager->AllStopped());
  manager->ContinueAll();
  EXPECT_EQ(manager->RunningCount(), 2);
}

} // namespace
