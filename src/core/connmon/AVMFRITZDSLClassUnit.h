// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connmon/PollTimer.h"
#include "platform/FritzDSL.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

// The DSL watcher: polls the DSL software's connection object every second on the
// main thread and reports when the line connects (naming the connection after the
// software's event log) and when it drops.
class TAVMFRITZDSL {
public:
  using TConnectEvent = std::function<void(TAVMFRITZDSL& sender, const std::string& connectionName,
                                           const std::string& detail1, const std::string& detail2,
                                           const std::string& detail3)>;
  using TNotifyEvent = std::function<void(TAVMFRITZDSL& sender)>;

  static constexpr std::chrono::milliseconds PollInterval{1000};

  // eventLog: the software's event log "FRIDSLEV.DBF". Attaches to the software at once.
  TAVMFRITZDSL(TFritzDSLSoftware& software, std::filesystem::path eventLog,
               std::unique_ptr<TPollTimer> pollTimer);
  ~TAVMFRITZDSL();
  TAVMFRITZDSL(const TAVMFRITZDSL&) = delete;
  TAVMFRITZDSL& operator=(const TAVMFRITZDSL&) = delete;

  // Whether the software's connection object could be reached at construction.
  bool Available() const { return FAvailable; }
  bool Active() const { return FActive; }
  void SetActive(bool active);
  bool Connected() const { return FConnected; }
  const std::string& ConnectionName() const { return FConnectionName; }
  const std::string& ConnectTimeText() const { return FConnectTimeText; }

  TConnectEvent OnConnect;
  TNotifyEvent OnDisconnect;

private:
  void PollTimerTimer();
  void Poll();
  void Reconnect();
  void ReportConnect();

  TFritzDSLSoftware& FSoftware;
  std::filesystem::path FEventLog;
  std::unique_ptr<TPollTimer> FPollTimer;
  std::unique_ptr<TFritzDSLConnection> FConnection;
  bool FAvailable = false;
  bool FActive = false;
  bool FConnected = false;
  std::string FConnectionName;
  std::chrono::system_clock::time_point FConnectTime;
  std::string FConnectTimeText;
};

// The connection name as the event log's last message completes it: with a message
// "... Verbindung zu 'Name' ... aufgebaut ..." it becomes "<name> - Name".
std::string NameWithLogMessage(const std::string& connectionName, const std::string& message);
