// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "downloads/MyIdInterceptThrottler.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// What a worker is to fetch, as the manager hands it over.
struct TDownloadJob {
  std::string URL;
  std::string FileName;
  // The size the list knew from an earlier run (0: none); another size on the server
  // means the partial file belongs to another document and is started over.
  std::int64_t KnownTotalSize = 0;
  std::string ProxyHost; // empty: direct
  int ProxyPort = 80;
  bool Throttle = false;
  int ThrottlePercent = 100;
  int MaxBandwidth = 1024; // kbit/s
};

// The worker's reports. They are called on the worker's thread; the receiver hands
// them on to its own thread.
class TDownloadThreadEvents {
public:
  virtual ~TDownloadThreadEvents() = default;
  // After each received buffer, and once before the transfer with received = the
  // local file's size.
  virtual void Progress(std::int64_t total, std::int64_t received) = 0;
  virtual void Done(std::int64_t fileSize) = 0;
  virtual void Error(const std::string& text) = 0;
  virtual void ErrorWithCode(int code, const std::string& text) = 0;
};

// Texts of the worker's own failures.
inline constexpr const char* NoFileSizeText = "Error: Can't get filesize.";
inline constexpr const char* UnsupportedURLText = "Error: Unsupported protocol.";
inline constexpr const char* IncompleteText = "Error: Transfer ended before the file was complete.";
inline constexpr const char* RangeRefusedText = "Error: Server sent another part of the file.";
// The code for a failure without a reply code.
inline constexpr int NoReplyCode = 999;
// The password of the anonymous FTP login.
inline constexpr const char* AnonymousFTPPassword = "anonym@";

// One transfer of one download into its local file, over HTTP(S) or FTP, on a thread
// of its own driven by its own libcurl multi handle. Created suspended; Resume starts
// it. StopConnection may be called from any thread and ends a transfer at once, a
// throttled one included.
class TDownloadThread : private TThrottleWaiter {
public:
  TDownloadThread(TDownloadJob job, TDownloadThreadEvents& events);
  // Stops the transfer and waits for the thread.
  ~TDownloadThread();
  TDownloadThread(const TDownloadThread&) = delete;
  TDownloadThread& operator=(const TDownloadThread&) = delete;

  void Resume();
  // Marks the stop as the user's (no error is reported) and cuts the transfer.
  void StopConnection();
  // Waits until the run has ended (nothing when never resumed).
  void WaitFor();
  // The run has ended, or was never started and was stopped.
  bool Finished() const { return FFinished; }
  // The run ended because of StopConnection while it was transferring.
  bool Aborted() const { return FAborted; }
  const TDownloadJob& Job() const { return FJob; }

private:
  TTimePoint Now() const override;
  bool WaitUntil(TTimePoint deadline) override;
  bool StopRequested() const { return FStop; }

  void Run();
  class TRun;
  friend class TRun;

  TDownloadJob FJob;
  TDownloadThreadEvents& FEvents;
  void* FMulti = nullptr; // CURLM*, made on the creating thread so StopConnection can wake it
  std::atomic<bool> FRunning{false};
  std::atomic<bool> FStop{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FAborted{false};
  std::mutex FStopMutex; // guards nothing but pairs with FStopChanged for the waits
  std::condition_variable FStopChanged;
  std::thread FThread;
};
