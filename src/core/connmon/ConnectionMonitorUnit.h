// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connmon/AVMFRITZDSLClassUnit.h"
#include "connmon/CAPITraceReg.h"
#include "connmon/MonRAS.h"
#include "connmon/PollTimer.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class TRegistry;
class TRemoteAccess;
class TFritzDSLSoftware;

// How the computer reaches the Internet ("ConnectionType").
enum TConnectionKind : int {
  ckPermanent = 0, // LAN, leased line, DSL through a router: up while the monitor is active
  ckDialUp = 1,
  ckISDN = 2,
  ckDSL = 3,
};

// What the monitor watches with. Everything named must outlive the monitor.
struct TConnectionMonitorServices {
  TRemoteAccess& RemoteAccess;
  TFritzDSLSoftware& DSLSoftware;
  TRegistry& Registry; // the ISDN records live in its HKEY_CURRENT_USER
  std::filesystem::path DSLEventLog;
  TPollTimerFactory PollTimers;
};

// Tells the controller when the Internet connection of the chosen kind comes up and
// goes down. Reports are edges: a connect only while not connected, a disconnect only
// while connected, and leaving or stopping a connected watch reports the disconnect
// once. Lives on the main thread; every report arrives there.
class TConnectionMonitor {
public:
  // dialUpEntry names the phonebook entry of a dial-up connection; empty otherwise.
  using TConnectEvent =
      std::function<void(TConnectionMonitor& sender, const std::string& dialUpEntry)>;
  using TNotifyEvent = std::function<void(TConnectionMonitor& sender)>;

  explicit TConnectionMonitor(const TConnectionMonitorServices& services);
  // Stops the watchers without reporting.
  ~TConnectionMonitor();
  TConnectionMonitor(const TConnectionMonitor&) = delete;
  TConnectionMonitor& operator=(const TConnectionMonitor&) = delete;

  bool DSLAvailable() const { return FDSLAvailable; }
  bool RASAvailable() const { return FRASAvailable; }
  bool CAPIInstalled() const { return FCAPIInstalled; }

  bool Active() const { return FActive; }
  void SetActive(bool active);
  // The kind watched; a kind that cannot be watched here (DSL without its software,
  // an unknown number) is watched as a permanent connection.
  int ConnectionType() const { return FConnectionType; }
  void SetConnectionType(int connectionType);
  bool Connected() const { return FConnected; }

  // The dial-up watcher, for its phonebook.
  TRASBase& RAS() { return *FRAS; }

  TConnectEvent OnConnect;
  TNotifyEvent OnDisconnect;

private:
  int WatchableType(int connectionType) const;
  void StopWatchers();
  void StartWatcher();
  void ReportConnect(const std::string& dialUpEntry);
  void ReportDisconnect();

  std::unique_ptr<TCAPITraceReg> FCAPI;
  std::unique_ptr<TAVMFRITZDSL> FDSL;
  bool FDSLAvailable = false;
  bool FRASAvailable = false;
  bool FCAPIInstalled = false;
  bool FActive = false;
  int FConnectionType = ckPermanent;
  std::unique_ptr<TRASBase> FRAS;
  bool FConnected = false;
};
