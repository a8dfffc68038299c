// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "downloads/DownloadState.h"
#include "downloads/DownloadThread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QObject;
class TRegistry;
class TMessageQueueServer;

// The queue through which the browser add-on offers downloads.
inline constexpr const char* DownloadManagerQueueName = "QuorvaneDownloadManager";

// One download of the list: its stored record plus the worker that runs it, if any.
struct TDownloadEntry : TDownloadRecord {
  std::unique_ptr<TDownloadThread> Worker; // never stored
  // Routes a worker's reports to the entry: the entry's own number and the worker's.
  std::uint64_t Serial = 0;
  std::uint64_t WorkerSerial = 0;
};

// The options of the main settings that the manager follows, handed over by TMain at
// start and after each change; they apply to downloads added or started afterwards.
struct TDownloadOptions {
  bool DMNoQuorvane = true;
  std::string DefaultDMDirectory;
  bool DontRequestDMFileName = true;
  bool DMDrossel = false;
  int DMMaxDownload = 768;
  int DMDrosselPercent = 100;
};

// The list of downloads, its storage below "Downloadmanager\Files", the intake of the
// add-on's offers and one TDownloadThread per active download. Every operation runs
// on the thread that created the manager (the one running the Qt event loop); workers
// report there through queued calls.
class TDownloadManagerClass {
public:
  // Loads the list. registry must outlive the manager.
  explicit TDownloadManagerClass(TRegistry& registry);
  // Closes the queue, stops the workers and saves the list.
  ~TDownloadManagerClass();
  TDownloadManagerClass(const TDownloadManagerClass&) = delete;
  TDownloadManagerClass& operator=(const TDownloadManagerClass&) = delete;

  // Listens on the add-on's queue; false when that fails (another instance has it).
  bool OpenQueue();
  // Stops taking offers; an offer waiting for the main thread is answered unchanged.
  void CloseQueue();

  // Entries were added (deleted = false) or one was deleted (deleted = true).
  std::function<void(bool deleted)> OnListChanged;
  // An entry's state or progress changed; received is the byte count last reported.
  std::function<void(TDownloadEntry& entry, std::int64_t received)> OnEntryChanged;
  std::function<void(const std::string& url)> OnNewDownload;
  // A transfer ended complete: raised once per completion, never for a stop.
  std::function<void(TDownloadEntry& entry)> OnDownloadCompleted;
  // The save dialog, for a URL whose file is not saved without asking: the full path
  // chosen, or nothing when cancelled. Unset: cancelled.
  std::function<std::optional<std::string>(const std::string& proposedName)> OnAskFileName;

  void SetOptions(const TDownloadOptions& options) { FOptions = options; }
  const TDownloadOptions& Options() const { return FOptions; }
  // The anonymous proxy in use (empty host: none); only workers made afterwards use it.
  void SetProxy(const std::string& host, int port);
  const std::string& ProxyHost() const { return FProxyHost; }
  int ProxyPort() const { return FProxyPort; }

  // Adds a download and starts it. An empty fileName is chosen from the default folder
  // or asked for. False when nothing was added (cancelled, or not http, https or ftp).
  bool AddDownload(const std::string& url, const std::string& fileName);
  bool IsKnownURL(const std::string& url) const;

  void SetActive(bool active);
  bool Active() const { return FActive; }
  void CreateWorkers();
  void StopWorkers();
  void PauseDownload(TDownloadEntry& entry);
  void ContinueDownload(TDownloadEntry& entry);
  // Stops and frees the entry's worker, whatever its state; keeps the local file.
  void DeleteDownload(TDownloadEntry& entry);
  // The connection came up: every waiting or running entry runs.
  void StartAll();
  void StopAll(bool keepStates);
  void ContinueAll();
  // "Fehler ignorieren und Download fortsetzen" / "... von Neuem beginnen" (the latter
  // deletes the local file); each continues at once when online is true.
  void IgnoreErrorAndContinue(TDownloadEntry& entry, bool online);
  void IgnoreErrorAndRestart(TDownloadEntry& entry, bool online);

  bool AnyRunning() const;
  int RunningCount() const;
  bool AllStopped() const;

  // In one registry transaction.
  void SaveList();
  void LoadList();

  const std::vector<std::unique_ptr<TDownloadEntry>>& Entries() const { return FEntries; }
  TDownloadEntry* FindEntry(const std::string& url) const;

  // The intake of one queue message, on the main thread: fills answer.
  void HandleQueueMessage(std::span<const std::uint8_t> message, std::span<std::uint8_t> answer);

private:
  class TWorkerLink;

  TDownloadEntry* EntryBySerial(std::uint64_t serial, std::uint64_t workerSerial) const;
  void StopWorker(TDownloadEntry& entry);
  void EntryChanged(TDownloadEntry& entry, std::int64_t received);
  std::optional<std::string> ChooseFileName(const std::string& url);

  void WorkerProgress(TDownloadEntry& entry, std::int64_t total, std::int64_t received);
  void WorkerDone(TDownloadEntry& entry, std::int64_t fileSize);
  void WorkerError(TDownloadEntry& entry, const std::string& text);

  TRegistry& FRegistry;
  TDownloadOptions FOptions;
  std::string FProxyHost;
  int FProxyPort = 80;
  bool FActive = false;
  std::vector<std::unique_ptr<TDownloadEntry>> FEntries;
  // The workers' report links by worker number; each outlives its worker's thread.
  std::map<std::uint64_t, std::unique_ptr<TWorkerLink>> FLinks;
  std::uint64_t FNextSerial = 1;
  std::unique_ptr<QObject> FReceiver; // lives on the main thread; target of queued reports
  std::shared_ptr<std::atomic<bool>> FQueueClosing;
  std::unique_ptr<TMessageQueueServer> FQueue;
};
