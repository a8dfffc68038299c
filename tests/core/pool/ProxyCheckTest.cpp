// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "pool/ProxyCheckClassUnit.h"

#include <deque>
#include <gtest/gtest.h>
#include <map>

namespace {

using namespace std::chrono_literals;
using ProxyCheckFetch::TResult;

// Stands in for the main thread, the network and the pause: posted calls queue up
// until the test runs them; checks answer from a table; pauses are recorded.
class TScriptedChecks {
public:
  TProxyCheckEnvironment Environment() {
    TProxyCheckEnvironment environment;
    environment.PostToMain = [this](std::function<void()> fn) {
      std::lock_guard lock(FLock);
      FPosted.push_back(std::move(fn));
      FChanged.notify_all();
    };
    environment.Check = [this](const std::string& host, std::uint16_t, const std::atomic<bool>&) {
      std::unique_lock lock(FLock);
      Checked.push_back(host);
      if (HoldChecks) {
        FChanged.wait_for(lock, 5s, [this] { return !HoldChecks; });
      }
      const auto found = Answers.find(host);
      return found == Answers.end() ? TResult{} : found->second;
    };
    environment.FetchOwnAddress = [this](const std::atomic<bool>&) { return OwnAddressBody; };
    environment.Pause = [this](std::chrono::milliseconds pause) {
      std::lock_guard lock(FLock);
      Pauses.push_back(pause);
      return true;
    };
    return environment;
  }

  // Runs posted calls on the test's thread until count of them ran (bounded).
  void RunPosted(std::size_t count) {
    for (std::size_t ran = 0; ran < count;) {
      std::function<void()> fn;
      {
        std::unique_lock lock(FLock);
        ASSERT_TRUE(FChanged.wait_for(lock, 5s, [this] { return !FPosted.empty(); }))
            << "only " << ran << " of " << count << " calls arrived";
        fn = std::move(FPosted.front());
        FPosted.pop_front();
      }
      fn();
      ++ran;
    }
  }
  void Release() {
    std::lock_guard lock(FLock);
    HoldChecks = false;
    FChanged.notify_all();
  }
  bool WaitUntilChecked(std::size_t count) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, 5s, [&] { return Checked.size() >= count; });
  }

  std::map<std::string, TResult> Answers;
  std::string OwnAddressBody;
  std::vector<std::string> Checked;
  std::vector<std::chrono::milliseconds> Pauses;
  bool HoldChecks = false;

private:
  std::mutex FLock; // guards every member
  std::condition_variable FChanged;
  std::deque<std::function<void()>> FPosted;
};

class ProxyCheck : public testing::Test {
protected:
  TProxyCheckClass& Pool(bool adminMode = false) {
    FPool =
        std::make_unique<TProxyCheckClass>(Folder / "proxies.dat", adminMode, Script.Environment());
    FPool->OnCheckDone = [this] { ++PassEnds; };
    return *FPool;
  }

  TTempFolder Folder;
  TScriptedChecks Script;
  int PassEnds = 0;

private:
  std::unique_ptr<TProxyCheckClass> FPool;
};

TEST_F(ProxyCheck, PassPausesBeforeEachEnabledEntryAndStoresResults) {
  TProxyCheckClass& pool = Pool();
  pool.AddProxyLines("good:1\noff:2\nbad:3");
  pool.List()[1]->Enabled = false;
  Script.Answers["good"] = TResult{true, 250ms, false};
  pool.StartCheck();
  Script.RunPosted(3); // two results and the pass end
  EXPECT_EQ(Script.Checked, (std::vector<std::string>{"good", "bad"}));
  EXPECT_EQ(Script.Pauses, (std::vector<std::chrono::milliseconds>{10000ms, 10000ms}));
  EXPECT_EQ(pool.List()[0]->ResponseTime, 250);
  EXPECT_EQ(pool.List()[0]->FailureLevel, 1);
  EXPECT_EQ(pool.List()[1]->ResponseTime, 1);
  EXPECT_EQ(pool.List()[2]->ResponseTime, 0);
  EXPECT_EQ(pool.List()[2]->FailureLevel, 2);
  EXPECT_EQ(PassEnds, 1);
  EXPECT_FALSE(pool.Modified()); // the pass end saved
}

TEST_F(ProxyCheck, TimesAndLevelsStayWithinTheirWidths) {
  TProxyCheckClass& pool = Pool();
  pool.AddProxyLines("slow\ninstant\nbad");
  pool.List()[2]->FailureLevel = 255;
  Script.Answers["slow"] = TResult{true, 70000ms, false};
  Script.Answers["instant"] = TResult{true, 0ms, false};
  pool.StartCheck();
  Script.RunPosted(4);
  EXPECT_EQ(pool.List()[0]->ResponseTime, 65535);
  EXPECT_EQ(pool.List()[1]->ResponseTime, 1);
  EXPECT_EQ(pool.List()[2]->FailureLevel, 255);
}

TEST_F(ProxyCheck, ResultForDeletedEntryIsDropped) {
  TProxyCheckClass& pool = Pool();
  pool.AddProxyLines("a\nb");
  Script.HoldChecks = true;
  pool.StartCheck();
  ASSERT_TRUE(Script.WaitUntilChecked(1));
  // The entry under test goes; the one that moves into its place keeps its values.
  pool.DeleteProxy("a");
  Script.Release();
  Script.RunPosted(3);
  ASSERT_EQ(pool.List().size(), 1U);
  EXPECT_EQ(pool.List()[0]->Host, "b");
  EXPECT_EQ(pool.List()[0]->ResponseTime, 0);
  EXPECT_EQ(pool.List()[0]->FailureLevel, 2);
}

TEST_F(ProxyCheck, StoppedPassDeliversNothing) {
  TProxyCheckClass& pool = Pool();
  pool.AddProxyLines("a\nb");
  Script.HoldChecks = true;
  pool.StartCheck();
  ASSERT_TRUE(Script.WaitUntilChecked(1));
  pool.StopCheck();
  Script.Release();
  // A new pass after the stop: only its own results and end arrive and count.
  pool.StartCheck();
  for (int ran = 0; PassEnds == 0 && ran < 5; ++ran) {
    Script.RunPosted(1);
  }
  EXPECT_EQ(PassEnds, 1);
  // One failure counted: the stopped pass's result for "a" was dropped.
  EXPECT_EQ(pool.List()[0]->FailureLevel, 2);
}

TEST_F(ProxyCheck, AdminPassEndRemovesEntriesFailingTwice) {
  TProxyCheckClass& pool = Pool(true);
  pool.AddProxyLines("fails\nworks");
  pool.List()[0]->FailureLevel = 2;
  Script.Answers["works"] = TResult{true, 5ms, false};
  pool.StartCheck();
  Script.RunPosted(3);
  ASSERT_EQ(pool.List().size(), 1U);
  EXPECT_EQ(pool.List()[0]->Host, "works");
}

TEST_F(ProxyCheck, ParallelPassSkipsBackedOffEntriesWithoutPausing) {
  TProxyCheckClass& pool = Pool();
  pool.SetParallelChecks(true);
  pool.AddProxyLines("a\nb");
  pool.List()[1]->FailureLevel = 3; // every second pass only
  pool.StartCheck();                // pass 1
  Script.RunPosted(2);
  EXPECT_EQ(Script.Checked, (std::vector<std::string>{"a"}));
  EXPECT_TRUE(Script.Pauses.empty());
}

TEST(ProxyCheckBackOff, DueInPass) {
  EXPECT_TRUE(TProxyCheckClass::DueInPass(1, 7));
  EXPECT_TRUE(TProxyCheckClass::DueInPass(2, 7));
  EXPECT_FALSE(TProxyCheckClass::DueInPass(3, 7));
  EXPECT_TRUE(TProxyCheckClass::DueInPass(3, 8));
  EXPECT_FALSE(TProxyCheckClass::DueInPass(4, 6));
  EXPECT_TRUE(TProxyCheckClass::DueInPass(4, 8));
  EXPECT_FALSE(TProxyCheckClass::DueInPass(255, 16));
  EXPECT_TRUE(TProxyCheckClass::DueInPass(255, 32));
}

TEST_F(ProxyCheck, OwnAddressAcceptsOnlyAddresses) {
  TProxyCheckClass& pool = Pool();
  std::vector<std::string> answers;
  pool.OnOwnIP = [&answers](const std::string& address) { answers.push_back(address); };
  for (const char* body : {" 203.0.113.7\r\n", "2001:db8::1", "<html>hello</html>", ""}) {
    Script.OwnAddressBody = body;
    pool.QueryOwnIP();
    Script.RunPosted(1);
  }
  EXPECT_EQ(answers, (std::vector<std::string>{"203.0.113.7", "2001:db8::1", "n/a", "n/a"}));
}

TEST(ProxyCheckHost, OnlyPlainHostsReachLibcurl) {
  for (const char* host : {"10.0.0.1", "proxy-1.example", "::1", "my_host"}) {
    EXPECT_TRUE(ProxyCheckFetch::UsableProxyHost(host)) << host;
  }
  for (const char* host : {"", "user@evil", "a/b", "a b", "x:y", "[::1]", "h?q"}) {
    EXPECT_FALSE(ProxyCheckFetch::UsableProxyHost(host)) << host;
  }
}

} // namespace
