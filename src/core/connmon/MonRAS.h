// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connmon/PollTimer.h"
#include "platform/RemoteAccess.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The dial-up watcher: polls the active dial-up connections and reports when one
// reaches the connected state and when it ends. Lives on the main thread.
class TRASBase {
public:
  using TNotifyEvent = std::function<void(TRASBase& sender)>;
  using TStateEvent = std::function<void(TRASBase& sender, int state)>;

  static constexpr std::chrono::milliseconds PollInterval{1000};
  // Room for this many active connections in one look.
  static constexpr std::size_t ConnectionRoom = 10;
  // The last reported state when none was reported.
  static constexpr int NoState = -9000;
  // Reported through OnStatus when the watched connection has ended.
  static constexpr int InvalidHandleState = -9999;

  TRASBase(TRemoteAccess& remoteAccess, std::unique_ptr<TPollTimer> pollTimer);
  ~TRASBase();
  TRASBase(const TRASBase&) = delete;
  TRASBase& operator=(const TRASBase&) = delete;

  // Whether dial-up networking can be asked at all.
  bool Available() const { return FRemoteAccess.Available(); }
  bool Active() const { return FActive; }
  bool Connected() const { return FConnected; }
  // The watched connection; 0 for none.
  TRasHandle Handle() const { return FHandle; }
  void SetInterval(std::chrono::milliseconds interval) { FPollTimer->SetInterval(interval); }

  // Begins to wait for a connection (restarting a running watcher).
  void Start();
  // Stops watching, when running.
  void Stop();

  // Refills EntryNames and TelephoneNumbers from the phonebook.
  void ListPhonebookEntries();
  const std::vector<std::string>& EntryNames() const { return FEntryNames; }
  const std::vector<std::string>& TelephoneNumbers() const { return FTelephoneNumbers; }
  // The phonebook entry of an active connection; empty when it is not active.
  std::string EntryNameOf(TRasHandle handle) const;

  TStateEvent OnConnected;
  TNotifyEvent OnDisconnected;
  TNotifyEvent OnWaiting; // began to wait for a connection
  TNotifyEvent OnStop;
  TStateEvent OnStatus;

private:
  void PollTimerTimer();
  void QueryState();
  void ApplyState(std::uint32_t state);
  void Fire(const TNotifyEvent& event);

  TRemoteAccess& FRemoteAccess;
  std::unique_ptr<TPollTimer> FPollTimer;
  TRasHandle FHandle = 0;
  bool FActive = false;
  bool FConnected = false;
  std::uint32_t FLastConnState = RASCS_Disconnected;
  int FLastState = NoState;
  std::vector<std::string> FEntryNames;
  std::vector<std::string> FTelephoneNumbers;
};
