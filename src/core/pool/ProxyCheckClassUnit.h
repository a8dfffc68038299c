// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pool/ProxyCheckFetch.h"
#include "pool/ProxyFileUnit.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the checks need from outside, so that tests replace the network, the main
// thread and the pause.
struct TProxyCheckEnvironment {
  // Runs fn later on the main thread (queued; never waits for it).
  std::function<void(std::function<void()> fn)> PostToMain;
  // One check through host:port; abort turns true when the check is to end early.
  std::function<ProxyCheckFetch::TResult(const std::string& host, std::uint16_t port,
                                         const std::atomic<bool>& abort)>
      Check;
  // The address echo's body; empty on failure.
  std::function<std::string(const std::atomic<bool>& abort)> FetchOwnAddress;
  // Pauses before a check; false when the pause ended because checking stops. Empty:
  // a real pause that StopCheck cuts short.
  std::function<bool(std::chrono::milliseconds pause)> Pause;
};

// The checks over the network (libcurl, the web server of ProxyCheckFetch::WebServer).
TProxyCheckEnvironment
NetworkCheckEnvironment(std::function<void(std::function<void()> fn)> postToMain);

// The pool's checks: passes over the enabled entries on a worker thread, one check
// after each pause (or several at once with ParallelChecks), results stored on the
// main thread; and the query of the own public address.
class TProxyCheckClass : public TProxyFileClass {
public:
  static constexpr std::chrono::milliseconds DefaultPacing{10000};
  // Checks in flight at once with ParallelChecks.
  static constexpr std::size_t ParallelCheckCount = 8;

  TProxyCheckClass(std::filesystem::path file, bool adminMode, TProxyCheckEnvironment environment);
  // Stops checking and waits for the worker threads.
  ~TProxyCheckClass() override;

  // Begins a pass unless one runs.
  void StartCheck();
  // Ends the running pass; results still on their way are dropped.
  void StopCheck();
  bool Stopped() const { return FStopped; }
  bool PassRunning() const { return FPassRunning.load(); }
  // Asks for the own address on a worker thread; OnOwnIP gets the answer on the main
  // thread ("n/a" unless it is an IPv4 or IPv6 address). A query still running is
  // not started twice.
  void QueryOwnIP();

  // The manual test: each entry checked in turn on a thread of its own, beside any
  // pass; each result (reached or not) and then the end arrive on the main thread.
  // Nothing is stored. False while a test runs.
  bool TestProxies(std::vector<TProxyEntryPtr> entries,
                   std::function<void(const TProxyEntryPtr& entry, bool reached)> onResult,
                   std::function<void()> onDone);

  // The pause before each check of a paced pass.
  void SetPacing(std::chrono::milliseconds pacing) { FPacing = pacing; }
  // Bounded parallel checks, with back-off for entries that keep failing.
  void SetParallelChecks(bool value) { FParallel = value; }

  // End of each pass, on the main thread, after the list was saved.
  std::function<void()> OnCheckDone;
  std::function<void(const std::string& address)> OnOwnIP;
  // A stored result, on the main thread: the entry and whether it was reached.
  std::function<void(const TProxyEntryPtr& entry)> OnChecked;

  // Whether a parallel pass checks an entry of this failure level: from the third
  // failure on, only every 2nd, 4th, ... up to every 32nd pass.
  static bool DueInPass(std::uint8_t failureLevel, std::uint64_t passNumber);

private:
  struct TItem {
    std::weak_ptr<TQuorvaneServerListEntry> Entry;
    std::string Host;
    std::uint16_t Port;
  };
  // The state shared with queued calls, which may run after this object is gone.
  struct TAlive {};

  void RunPass(std::vector<TItem> items, std::uint64_t generation, bool paced);
  void RunParallel(std::vector<TItem> items, std::uint64_t generation);
  void CheckOne(const TItem& item, std::uint64_t generation);
  bool PauseBeforeCheck();
  void StoreResult(const std::weak_ptr<TQuorvaneServerListEntry>& entry, std::uint64_t generation,
                   const ProxyCheckFetch::TResult& result);
  void PassEnd(std::uint64_t generation);
  void Post(std::function<void()> fn);
  void JoinThreads();

  TProxyCheckEnvironment FEnvironment;
  std::chrono::milliseconds FPacing = DefaultPacing;
  bool FParallel = false;
  bool FStopped = false;
  std::uint64_t FPassNumber = 0;
  // Set by StopCheck, read by the workers and the fetches they run.
  std::atomic<bool> FAbort{false};
  std::atomic<bool> FPassRunning{false};
  std::atomic<bool> FOwnIPRunning{false};
  std::atomic<bool> FClosing{false}; // the destructor runs: the address query ends
  // The pass whose results are wanted; written on the main thread only.
  std::uint64_t FGeneration = 0;
  std::mutex FPauseLock; // guards nothing but the pause's wait on FWake
  std::condition_variable FWake;
  std::thread FCheckerThread;
  std::thread FOwnIPThread;
  std::thread FTestThread;
  std::atomic<bool> FTestRunning{false};
  std::shared_ptr<TAlive> FAlive = std::make_shared<TAlive>();
};
