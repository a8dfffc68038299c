// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadManagerUnit.h"

#include "downloads/DownloadFileNames.h"
#include "downloads/DownloadManagerKeys.h"
#include "downloads/DownloadRecordCodec.h"
#include "platform/MessageQueue.h"
#include "platform/Registry.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <mutex>

namespace {

// How often an offer waiting for the main thread looks whether the queue closes.
constexpr std::chrono::milliseconds OfferWaitStep{50};

bool InState(const TDownloadEntry& entry, std::initializer_list<TDownloadState> states) {
  return std::find(states.begin(), states.end(), entry.State) != states.end();
}

} // namespace

// Hands one worker's reports to the main thread, addressed by the entry's and the
// worker's numbers, so that a report of a worker already replaced is dropped. Progress
// is coalesced: at most one report waits at a time and it carries the latest figures.
class TDownloadManagerClass::TWorkerLink : public TDownloadThreadEvents {
public:
  TWorkerLink(TDownloadManagerClass& manager, std::uint64_t serial, std::uint64_t workerSerial)
      : FManager(manager), FSerial(serial), FWorkerSerial(workerSerial),
        FProgress(std::make_shared<TProgressCell>()) {}

  void Progress(std::int64_t total, std::int64_t received) override {
    FProgress->Total = total;
    FProgress->Received = received;
    if (FProgress->Pending.exchange(true))
      return;
    Post([cell = FProgress](TDownloadManagerClass& manager, TDownloadEntry& entry) {
      cell->Pending = false;
      manager.WorkerProgress(entry, cell->Total, cell->Received);
    });
  }
  void Done(std::int64_t fileSize) override {
    FlushProgress();
    Post([fileSize](TDownloadManagerClass& manager, TDownloadEntry& entry) {
      manager.WorkerDone(entry, fileSize);
    });
  }
  void Error(const std::string& text) override {
    FlushProgress();
    Post([text](TDownloadManagerClass& manager, TDownloadEntry& entry) {
      manager.WorkerError(entry, text);
    });
  }
  void ErrorWithCode(int code, const std::string& text) override {
    Error(text + " - " + std::to_string(code));
  }

private:
  struct TProgressCell {
    std::atomic<std::int64_t> Total{0};
    std::atomic<std::int64_t> Received{0};
    std::atomic<bool> Pending{false};
  };

  // The last figures go before the outcome, so the entry's size is known when it ends.
  void FlushProgress() {
    if (FProgress->Pending)
      return;
    FProgress->Pending = true;
    Post([cell = FProgress](TDownloadManagerClass& manager, TDownloadEntry& entry) {
      cell->Pending = false;
      manager.WorkerProgress(entry, cell->Total, cell->Received);
    });
  }

  template <typename TReport> void Post(TReport report) {
    TDownloadManagerClass* manager = &FManager;
    QMetaObject::invokeMethod(
        FManager.FReceiver.get(),
        [manager, report, serial = FSerial, workerSerial = FWorkerSerial] {
          if (TDownloadEntry* entry = manager->EntryBySerial(serial, workerSerial))
            report(*manager, *entry);
        },
        Qt::QueuedConnection);
  }

  TDownloadManagerClass& FManager;
  const std::uint64_t FSerial;
  const std::uint64_t FWorkerSerial;
  std::shared_ptr<TProgressCell> FProgress;
};

TDownloadManagerClass::TDownloadManagerClass(TRegistry& registry)
    : FRegistry(registry), FReceiver(std::make_unique<QObject>()),
      FQueueClosing(std::make_shared<std::atomic<bool>>(false)) {
  LoadList();
}

TDownloadManagerClass::~TDownloadManagerClass() {
  CloseQueue();
  if (FActive) {
    SetActive(false);
  } else {
    SaveList();
  }
  for (auto& entry : FEntries)
    StopWorker(*entry);
  FEntries.clear();
}

bool TDownloadManagerClass::OpenQueue() {
  if (FQueue)
    return true;
  *FQueueClosing = false;
  try {
    FQueue = std::make_unique<TMessageQueueServer>(
        DownloadManagerQueueName,
        [this, closing = FQueueClosing](std::span<const std::uint8_t> message,
                                        std::span<std::uint8_t> answer) {
          // The intake runs on the main thread; this thread waits for it, and gives up
          // (answer unchanged) only when the queue closes meanwhile.
          auto result = std::make_shared<std::promise<std::vector<std::uint8_t>>>();
          std::future<std::vector<std::uint8_t>> future = result->get_future();
          std::vector<std::uint8_t> copy(message.begin(), message.end());
          const std::size_t answerSize = answer.size();
          QMetaObject::invokeMethod(
              FReceiver.get(),
              [this, result, copy = std::move(copy), answerSize] {
                std::vector<std::uint8_t> filled(answerSize, 0);
                HandleQueueMessage(copy, filled);
                result->set_value(std::move(filled));
              },
              Qt::QueuedConnection);
          while (future.wait_for(OfferWaitStep) != std::future_status::ready) {
            if (*closing)
              return;
          }
          const std::vector<std::uint8_t> filled = future.get();
          std::copy(filled.begin(), filled.end(), answer.begin());
        });
  } catch (const TMessageQueueError&) {
    return false;
  }
  return true;
}

void TDownloadManagerClass::CloseQueue() {
  *FQueueClosing = true;
  FQueue.reset();
}

void TDownloadManagerClass::SetProxy(const std::string& host, int port) {
  FProxyHost = host;
  FProxyPort = port;
}

TDownloadEntry* TDownloadManagerClass::FindEntry(const std::string& url) const {
  for (const auto& entry : FEntries) {
    if (entry->URL == url)
      return entry.get();
  }
  return nullptr;
}

bool TDownloadManagerClass::IsKnownURL(const std::string& url) const {
  return FindEntry(url) != nullptr;
}

TDownloadEntry* TDownloadManagerClass::EntryBySerial(std::uint64_t serial,
                                                     std::uint64_t workerSerial) const {
  for (const auto& entry : FEntries) {
    if (entry->Serial == serial)
      return entry->WorkerSerial == workerSerial && entry->Worker ? entry.get() : nullptr;
  }
  return nullptr;
}

std::optional<std::string> TDownloadManagerClass::ChooseFileName(const std::string& url) {
  const std::string proposed = FileNameFromURL(url);
  if (FOptions.DontRequestDMFileName && !FOptions.DefaultDMDirectory.empty() &&
      IsUsableFileName(proposed)) {
    std::error_code ignored;
    const std::filesystem::path folder(FOptions.DefaultDMDirectory);
    std::filesystem::create_directories(folder, ignored);
    std::string error;
    if (CreateFileExclusively(folder / proposed, error) == TCreateResult::Created)
      return (folder / proposed).string();
  }
  if (!OnAskFileName)
    return std::nullopt;
  std::optional<std::string> chosen = OnAskFileName(IsUsableFileName(proposed) ? proposed : "");
  if (!chosen || chosen->empty())
    return std::nullopt;
  // The dialog asked before overwriting: the user said yes to replacing the file.
  std::error_code ignored;
  std::filesystem::remove(*chosen, ignored);
  return chosen;
}

bool TDownloadManagerClass::AddDownload(const std::string& url, const std::string& fileName) {
  if (ProtocolOfURL(url) == TDownloadProtocol::Unsupported)
    return false;
  std::string name = fileName;
  if (name.empty()) {
    std::optional<std::string> chosen = ChooseFileName(url);
    if (!chosen)
      return false;
    name = std::move(*chosen);
  }
  auto entry = std::make_unique<TDownloadEntry>();
  entry->URL = url;
  entry->FileName = name;
  entry->Serial = FNextSerial++;
  TDownloadEntry& added = *entry;
  FEntries.push_back(std::move(entry));
  SaveList();
  if (OnNewDownload)
    OnNewDownload(url);
  if (OnListChanged)
    OnListChanged(false);
  ContinueDownload(added);
  return true;
}

void TDownloadManagerClass::SetActive(bool active) {
  if (active == FActive)
    return;
  FActive = active;
  if (active) {
    CreateWorkers();
  } else {
    StopWorkers();
    SaveList();
  }
}

void TDownloadManagerClass::CreateWorkers() {
  for (auto& owned : FEntries) {
    TDownloadEntry& entry = *owned;
    if (!InState(entry, {TDownloadState::Waiting, TDownloadState::Running, TDownloadState::Paused}))
      continue;
    if (entry.Worker && entry.Worker->Finished())
      StopWorker(entry);
    if (entry.Worker)
      continue;
    TDownloadJob job;
    job.URL = entry.URL;
    job.FileName = entry.FileName;
    job.KnownTotalSize = entry.TotalSize;
    if (!FOptions.DMNoQuorvane) {
      job.ProxyHost = FProxyHost;
      job.ProxyPort = FProxyPort;
    }
    if (FOptions.DMDrossel) {
      job.Throttle = true;
      job.ThrottlePercent = FOptions.DMDrosselPercent;
      job.MaxBandwidth = FOptions.DMMaxDownload;
    }
    entry.WorkerSerial = FNextSerial++;
    auto link = std::make_unique<TWorkerLink>(*this, entry.Serial, entry.WorkerSerial);
    entry.Worker = std::make_unique<TDownloadThread>(std::move(job), *link);
    FLinks[entry.WorkerSerial] = std::move(link);
  }
}

void TDownloadManagerClass::StopWorker(TDownloadEntry& entry) {
  if (!entry.Worker)
    return;
  entry.Worker->StopConnection();
  entry.Worker->WaitFor();
  if (entry.Worker->Aborted())
    entry.Message = "Aborted";
  entry.Worker.reset();
  FLinks.erase(entry.WorkerSerial);
}

void TDownloadManagerClass::StopWorkers() {
  for (auto& entry : FEntries)
    StopWorker(*entry);
}

void TDownloadManagerClass::EntryChanged(TDownloadEntry& entry, std::int64_t received) {
  if (OnEntryChanged)
    OnEntryChanged(entry, received);
}

void TDownloadManagerClass::PauseDownload(TDownloadEntry& entry) {
  if (entry.State != TDownloadState::Running || !entry.Worker)
    return;
  entry.State = TDownloadState::Paused;
  StopWorker(entry);
  EntryChanged(entry, 0);
}

void TDownloadManagerClass::ContinueDownload(TDownloadEntry& entry) {
  if (InState(entry, {TDownloadState::Waiting, TDownloadState::Paused}))
    CreateWorkers();
  if (!entry.Worker)
    return;
  entry.State = TDownloadState::Running;
  entry.Message.clear();
  entry.Worker->Resume();
  EntryChanged(entry, 0);
}

void TDownloadManagerClass::DeleteDownload(TDownloadEntry& entry) {
  StopWorker(entry);
  RemovePendingURL(FRegistry, entry.URL);
  std::erase_if(FEntries, [&entry](const auto& owned) { return owned.get() == &entry; });
  SaveList();
  if (OnListChanged)
    OnListChanged(true);
}

void TDownloadManagerClass::StartAll() {
  CreateWorkers();
  for (auto& entry : FEntries) {
    if (!InState(*entry, {TDownloadState::Waiting, TDownloadState::Running}))
      continue;
    entry->State = TDownloadState::Running;
    if (entry->Worker) {
      entry->Message.clear();
      entry->Worker->Resume();
    }
    EntryChanged(*entry, 0);
  }
}

void TDownloadManagerClass::StopAll(bool keepStates) {
  StopWorkers();
  for (auto& entry : FEntries) {
    if (!InState(*entry, {TDownloadState::Waiting, TDownloadState::Running}))
      continue;
    if (!keepStates)
      entry->State = TDownloadState::Paused;
    EntryChanged(*entry, 0);
  }
}

void TDownloadManagerClass::ContinueAll() {
  CreateWorkers();
  for (auto& entry : FEntries) {
    if (!InState(*entry, {TDownloadState::Waiting, TDownloadState::Paused}) || !entry->Worker)
      continue;
    entry->State = TDownloadState::Running;
    entry->Message.clear();
    entry->Worker->Resume();
    EntryChanged(*entry, 0);
  }
}

void TDownloadManagerClass::IgnoreErrorAndContinue(TDownloadEntry& entry, bool online) {
  if (entry.State != TDownloadState::Error)
    return;
  entry.State = TDownloadState::Paused;
  if (online) {
    ContinueDownload(entry);
  } else {
    EntryChanged(entry, 0);
  }
}

void TDownloadManagerClass::IgnoreErrorAndRestart(TDownloadEntry& entry, bool online) {
  if (entry.State != TDownloadState::Error)
    return;
  entry.State = TDownloadState::Waiting;
  entry.TotalSize = 0;
  std::error_code ignored;
  std::filesystem::remove(entry.FileName, ignored);
  if (online) {
    ContinueDownload(entry);
  } else {
    EntryChanged(entry, 0);
  }
}

bool TDownloadManagerClass::AnyRunning() const {
  return RunningCount() > 0;
}

int TDownloadManagerClass::RunningCount() const {
  return static_cast<int>(std::count_if(FEntries.begin(), FEntries.end(), [](const auto& entry) {
    return entry->State == TDownloadState::Running;
  }));
}

bool TDownloadManagerClass::AllStopped() const {
  return !FEntries.empty() && std::none_of(FEntries.begin(), FEntries.end(), [](const auto& entry) {
    return InState(*entry, {TDownloadState::Waiting, TDownloadState::Running});
  });
}

void TDownloadManagerClass::SaveList() {
  TRegistry::TTransaction transaction(FRegistry, TRootKey::CurrentUser);
  if (transaction.Begun() != TRegResult::Ok)
    return;
  TRegKey key;
  if (FRegistry.OpenKey(TRootKey::CurrentUser, DownloadManagerKeys::Files, key) == TRegResult::Ok &&
      FRegistry.DeleteTree(key, true) != TRegResult::Ok)
    return;
  if (FRegistry.CreateKey(TRootKey::CurrentUser, DownloadManagerKeys::Files, "", key) !=
      TRegResult::Ok)
    return;
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    TRegValue value;
    value.Type = TRegValueType::Binary;
    value.Data = EncodeDownloadRecord(*FEntries[i]);
    if (FRegistry.SetValue(key, std::to_string(i), value) != TRegResult::Ok)
      return;
  }
  transaction.Commit();
}

void TDownloadManagerClass::LoadList() {
  StopWorkers();
  FEntries.clear();
  for (TDownloadRecord& record : ReadStoredDownloads(FRegistry)) {
    auto entry = std::make_unique<TDownloadEntry>();
    static_cast<TDownloadRecord&>(*entry) = std::move(record);
    entry->Serial = FNextSerial++;
    FEntries.push_back(std::move(entry));
  }
}

void TDownloadManagerClass::HandleQueueMessage(std::span<const std::uint8_t> message,
                                               std::span<std::uint8_t> answer) {
  const std::optional<TDownloadOffer> offer = DecodeDownloadOffer(message);
  if (!offer)
    return;
  const bool canAnswer = answer.size() > OfferAcceptedByte;
  if (offer->MessageNumber == QueryEndSessionMessageNumber) {
    if (canAnswer)
      answer[OfferAcceptedByte] = 1;
    return;
  }
  if (offer->MessageNumber != OfferMessageNumber || IsKnownURL(offer->URL))
    return;
  if (!AddDownload(offer->URL, ""))
    return;
  AddPendingURL(FRegistry, offer->URL);
  if (canAnswer)
    answer[OfferAcceptedByte] = 1;
}

void TDownloadManagerClass::WorkerProgress(TDownloadEntry& entry, std::int64_t total,
                                           std::int64_t received) {
  entry.TotalSize = total;
  EntryChanged(entry, received);
}

void TDownloadManagerClass::WorkerDone(TDownloadEntry& entry, std::int64_t fileSize) {
  const bool wasComplete = entry.State == TDownloadState::Complete;
  entry.State = TDownloadState::Complete;
  EntryChanged(entry, fileSize);
  if (!wasComplete && OnDownloadCompleted)
    OnDownloadCompleted(entry);
}

void TDownloadManagerClass::WorkerError(TDownloadEntry& entry, const std::string& text) {
  entry.State = TDownloadState::Error;
  entry.Message = text;
  EntryChanged(entry, 0);
}
