// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyCheckClassUnit.h"

#include <algorithm>

namespace {

constexpr std::uint8_t PurgedFailureLevel = 2; // above this, administrator mode drops the entry

std::uint16_t StoredResponseTime(std::chrono::milliseconds elapsed) {
  return static_cast<std::uint16_t>(std::clamp<std::chrono::milliseconds::rep>(
      elapsed.count(), 1, TQuorvaneServerListEntry::MaxResponseTime));
}

} // namespace

TProxyCheckEnvironment
NetworkCheckEnvironment(std::function<void(std::function<void()> fn)> postToMain) {
  TProxyCheckEnvironment environment;
  environment.PostToMain = std::move(postToMain);
  const std::string webServer = ProxyCheckFetch::WebServer();
  environment.Check = [webServer](const std::string& host, std::uint16_t port,
                                  const std::atomic<bool>& abort) {
    return ProxyCheckFetch::CheckProxy(webServer, host, port, abort);
  };
  environment.FetchOwnAddress = [webServer](const std::atomic<bool>& abort) {
    return ProxyCheckFetch::FetchOwnAddress(webServer, abort);
  };
  return environment;
}

TProxyCheckClass::TProxyCheckClass(std::filesystem::path file, bool adminMode,
                                   TProxyCheckEnvironment environment)
    : TProxyFileClass(std::move(file), adminMode), FEnvironment(std::move(environment)) {}

TProxyCheckClass::~TProxyCheckClass() {
  StopCheck();
  FClosing = true;
  JoinThreads();
}

void TProxyCheckClass::JoinThreads() {
  if (FCheckerThread.joinable()) {
    FCheckerThread.join();
  }
  if (FOwnIPThread.joinable()) {
    FOwnIPThread.join();
  }
  if (FTestThread.joinable()) {
    FTestThread.join();
  }
}

bool TProxyCheckClass::DueInPass(std::uint8_t failureLevel, std::uint64_t passNumber) {
  if (failureLevel <= PurgedFailureLevel) {
    return true;
  }
  const unsigned shift = std::min<unsigned>(failureLevel - PurgedFailureLevel, 5);
  return passNumber % (std::uint64_t{1} << shift) == 0;
}

void TProxyCheckClass::StartCheck() {
  FStopped = false;
  if (FPassRunning && !FAbort) {
    return;
  }
  // The thread of a stopped pass ends within a fetch's abort interval.
  if (FCheckerThread.joinable()) {
    FCheckerThread.join();
  }
  FAbort = false;
  ++FGeneration;
  ++FPassNumber;
  std::vector<TItem> items;
  for (const TProxyEntryPtr& entry : FList) {
    if (entry->Enabled && (!FParallel || DueInPass(entry->FailureLevel, FPassNumber))) {
      items.push_back({entry, entry->Host, entry->Port});
    }
  }
  FPassRunning = true;
  const std::uint64_t generation = FGeneration;
  if (FParallel) {
    FCheckerThread = std::thread([this, items = std::move(items), generation]() mutable {
      RunParallel(std::move(items), generation);
    });
  } else {
    FCheckerThread = std::thread([this, items = std::move(items), generation]() mutable {
      RunPass(std::move(items), generation, true);
    });
  }
}

void TProxyCheckClass::StopCheck() {
  FStopped = true;
  // Results of the pass that ends here are no longer wanted.
  ++FGeneration;
  {
    std::lock_guard lock(FPauseLock);
    FAbort = true;
  }
  FWake.notify_all();
}

bool TProxyCheckClass::PauseBeforeCheck() {
  if (FEnvironment.Pause) {
    return FEnvironment.Pause(FPacing) && !FAbort;
  }
  std::unique_lock lock(FPauseLock);
  FWake.wait_for(lock, FPacing, [this] { return FAbort.load(); });
  return !FAbort;
}

void TProxyCheckClass::RunPass(std::vector<TItem> items, std::uint64_t generation, bool paced) {
  for (const TItem& item : items) {
    if (FAbort || (paced && !PauseBeforeCheck())) {
      break;
    }
    CheckOne(item, generation);
  }
  if (!FAbort) {
    Post([this, generation] { PassEnd(generation); });
  }
  FPassRunning = false;
}

void TProxyCheckClass::RunParallel(std::vector<TItem> items, std::uint64_t generation) {
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  const std::size_t count = std::min(ParallelCheckCount, items.size());
  for (std::size_t i = 0; i < count; ++i) {
    workers.emplace_back([&] {
      for (std::size_t at = next++; at < items.size() && !FAbort; at = next++) {
        CheckOne(items[at], generation);
      }
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  if (!FAbort) {
    Post([this, generation] { PassEnd(generation); });
  }
  FPassRunning = false;
}

void TProxyCheckClass::CheckOne(const TItem& item, std::uint64_t generation) {
  const ProxyCheckFetch::TResult result = FEnvironment.Check(item.Host, item.Port, FAbort);
  if (FAbort) {
    return;
  }
  Post([this, entry = item.Entry, generation, result] { StoreResult(entry, generation, result); });
}

void TProxyCheckClass::StoreResult(const std::weak_ptr<TQuorvaneServerListEntry>& weak,
                                   std::uint64_t generation,
                                   const ProxyCheckFetch::TResult& result) {
  const TProxyEntryPtr entry = weak.lock();
  if (generation != FGeneration || !Contains(entry)) {
    return;
  }
  if (result.Reached) {
    entry->ResponseTime = StoredResponseTime(result.Elapsed);
    entry->FailureLevel = 1;
    entry->RefusesConnect = result.RefusesConnect;
  } else {
    entry->ResponseTime = 0;
    if (entry->FailureLevel < TQuorvaneServerListEntry::MaxFailureLevel) {
      ++entry->FailureLevel;
    }
  }
  if (OnChecked) {
    OnChecked(entry);
  }
  SetModified(true);
}

void TProxyCheckClass::PassEnd(std::uint64_t generation) {
  if (generation != FGeneration) {
    return;
  }
  if (AdminMode()) {
    std::erase_if(FList,
                  [](const TProxyEntryPtr& e) { return e->FailureLevel > PurgedFailureLevel; });
  }
  SetModified(true);
  SaveToFile();
  if (OnCheckDone) {
    OnCheckDone();
  }
}

void TProxyCheckClass::QueryOwnIP() {
  if (FOwnIPRunning) {
    return;
  }
  if (FOwnIPThread.joinable()) {
    FOwnIPThread.join();
  }
  FOwnIPRunning = true;
  FOwnIPThread = std::thread([this] {
    const std::string body = FEnvironment.FetchOwnAddress(FClosing);
    const std::string address = ProxyCheckFetch::AddressOrUnknown(body);
    FOwnIPRunning = false;
    Post([this, address] {
      if (OnOwnIP) {
        OnOwnIP(address);
      }
    });
  });
}

void TProxyCheckClass::Post(std::function<void()> fn) {
  std::weak_ptr<TAlive> alive = FAlive;
  FEnvironment.PostToMain([alive = std::move(alive), fn = std::move(fn)] {
    if (alive.lock()) {
      fn();
    }
  });
}

bool TProxyCheckClass::TestProxies(
    std::vector<TProxyEntryPtr> entries,
    std::function<void(const TProxyEntryPtr& entry, bool reached)> onResult,
    std::function<void()> onDone) {
  if (FTestRunning) {
    return false;
  }
  if (FTestThread.joinable()) {
    FTestThread.join();
  }
  std::vector<TItem> items;
  for (const TProxyEntryPtr& entry : entries) {
    items.push_back({entry, entry->Host, entry->Port});
  }
  FTestRunning = true;
  FTestThread = std::thread(
      [this, items = std::move(items), onResult = std::move(onResult), onDone = std::move(onDone)] {
        for (const TItem& item : items) {
          if (FClosing) {
            break;
          }
          const bool reached = FEnvironment.Check(item.Host, item.Port, FClosing).Reached;
          Post([this, entry = item.Entry, reached, onResult] {
            // Gone from the list meanwhile: nothing to report on.
            if (const TProxyEntryPtr alive = entry.lock(); Contains(alive)) {
              onResult(alive, reached);
            }
          });
        }
        Post(onDone);
        FTestRunning = false;
      });
  return true;
}
