// SPDX-License-Identifier: GPL-3.0-or-later
// The download worker alone, for scripts/bench-downloads:
//   download_worker fetch URL FILE [PERCENT MAXKBITS]   one transfer (throttled when given)
//   download_worker stop URL FILE PERCENT MAXKBITS N     N throttled starts, each stopped after
//                                                       a second; prints the stop latencies
#include "downloads/DownloadThread.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace {

class TWaiter : public TDownloadThreadEvents {
public:
  void Progress(std::int64_t, std::int64_t) override {}
  void Done(std::int64_t size) override { End(true, std::to_string(size)); }
  void Error(const std::string& text) override { End(false, text); }
  void ErrorWithCode(int code, const std::string& text) override {
    End(false, text + " - " + std::to_string(code));
  }
  bool Wait() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FEnded; });
    std::fprintf(stderr, "%s\n", FText.c_str());
    return FOk;
  }

private:
  void End(bool ok, const std::string& text) {
    std::lock_guard lock(FLock);
    FEnded = true;
    FOk = ok;
    FText = text;
    FChanged.notify_all();
  }
  std::mutex FLock; // guards the fields below
  std::condition_variable FChanged;
  bool FEnded = false;
  bool FOk = false;
  std::string FText;
};

TDownloadJob JobOf(char** argv, int argc) {
  TDownloadJob job;
  job.URL = argv[2];
  job.FileName = argv[3];
  if (argc >= 6) {
    job.Throttle = true;
    job.ThrottlePercent = std::stoi(argv[4]);
    job.MaxBandwidth = std::stoi(argv[5]);
  }
  return job;
}

} // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "fetch") {
    TWaiter waiter;
    TDownloadThread worker(JobOf(argv, argc), waiter);
    worker.Resume();
    return waiter.Wait() ? 0 : 1;
  }
  if (argc == 7 && std::string(argv[1]) == "stop") {
    for (int i = 0; i < std::stoi(argv[6]); ++i) {
      std::filesystem::remove(argv[3]);
      TWaiter waiter;
      TDownloadThread worker(JobOf(argv, argc), waiter);
      worker.Resume();
      std::this_thread::sleep_for(std::chrono::seconds(1));
      const auto start = std::chrono::steady_clock::now();
      worker.StopConnection();
      worker.WaitFor();
      std::printf("%.3f\n", std::chrono::duration<double, std::milli>(
                                std::chrono::steady_clock::now() - start)
                                .count());
    }
    return 0;
  }
  std::fprintf(stderr, "usage: download_worker fetch URL FILE [PERCENT MAXKBITS] | "
                       "stop URL FILE PERCENT MAXKBITS N\n");
  return 2;
}
