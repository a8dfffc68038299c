// SPDX-License-Identifier: GPL-3.0-or-later
// One check pass over the proxies given on the command line (host:port each), with
// the pause between checks set to zero: wall time, checks per second and CPU per
// check, paced (one at a time) and with parallel checks. Uses QUORVANE_WEB_SERVER.
#include "pool/ProxyCheckClassUnit.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs one pass and reports it; the calling thread stands in for the main thread.
void Pass(const std::vector<std::string>& proxies, bool parallel) {
  std::mutex lock; // guards posted
  std::condition_variable changed;
  std::deque<std::function<void()>> posted;
  const auto file = std::filesystem::temp_directory_path() / "quorvane-bench-proxies.dat";
  std::filesystem::remove(file);
  TProxyCheckClass pool(file, false, NetworkCheckEnvironment([&](std::function<void()> fn) {
                          std::lock_guard guard(lock);
                          posted.push_back(std::move(fn));
                          changed.notify_all();
                        }));
  for (const std::string& proxy : proxies) {
    pool.AddProxyLine(proxy);
  }
  pool.SetPacing(std::chrono::milliseconds(0));
  pool.SetParallelChecks(parallel);
  bool done = false;
  pool.OnCheckDone = [&done] { done = true; };
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  pool.StartCheck();
  while (!done) {
    std::function<void()> fn;
    {
      std::unique_lock guard(lock);
      if (!changed.wait_for(guard, std::chrono::seconds(120), [&] { return !posted.empty(); })) {
        std::fprintf(stderr, "pool_checks: the pass did not end\n");
        return;
      }
      fn = std::move(posted.front());
      posted.pop_front();
    }
    fn();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;
  int reached = 0;
  for (const TProxyEntryPtr& entry : pool.List()) {
    reached += entry->ResponseTime != 0 ? 1 : 0;
  }
  const double count = static_cast<double>(proxies.size());
  std::printf("%s\t%zu\t%d\t%.3f\t%.1f\t%.2f\n", parallel ? "parallel" : "paced-0", proxies.size(),
              reached, seconds, count / seconds, cpu * 1000.0 / count);
  std::filesystem::remove(file);
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> proxies(argv + 1, argv + argc);
  std::printf("mode\tproxies\treached\tseconds\tchecks/s\tcpu ms/check\n");
  Pass(proxies, false);
  Pass(proxies, true);
  return 0;
}
