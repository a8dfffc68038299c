// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the connection monitor and what the controller does when the Internet
// connection comes up and goes down.
#include "app/MainUnit.h"
#include "app/MyTimer32PollTimer.h"
#include "connmon/ConnectionMonitorUnit.h"
#include "platform/FritzDSL.h"
#include "platform/RemoteAccess.h"
#include "platform/ShellFolders.h"

namespace {

// The DSL software's event log, in its folder below the user's application data.
std::filesystem::path DSLEventLog(TRegistry& registry) {
  return std::filesystem::path(ShellFolder(registry, ShellFolderAppData)) / "FRITZ!" /
         "FRIDSLEV.DBF";
}

} // namespace

void TMain::CreateConnectionMonitor() {
  FRemoteAccess = SystemRemoteAccess();
  FDSLSoftware = SystemFritzDSLSoftware();
  FConnectionMonitor = std::make_unique<TConnectionMonitor>(
      TConnectionMonitorServices{*FRemoteAccess, *FDSLSoftware, FRegistry, DSLEventLog(FRegistry),
                                 [] { return std::make_unique<TMyTimer32PollTimer>(); }});
  FConnectionMonitor->OnConnect = [this](TConnectionMonitor&, const std::string& dialUpEntry) {
    ConnectionMonitorConnect(dialUpEntry);
  };
  FConnectionMonitor->OnDisconnect = [this](TConnectionMonitor&) { ConnectionMonitorDisconnect(); };
}

void TMain::StartConnectionMonitor() {
  FConnectionMonitor->SetConnectionType(FSettings->ConnectionType);
  FConnectionMonitor->SetActive(true);
}

void TMain::StopConnectionMonitor() {
  // Its last report still finds everything its handlers use.
  FConnectionMonitor->SetActive(false);
  FConnectionMonitor.reset();
}

bool TMain::DSLConnectionAvailable() const {
  return FConnectionMonitor && FConnectionMonitor->DSLAvailable();
}

void TMain::ConnectionMonitorConnect(const std::string& dialUpEntry) {
  FOnline = true;
  FDialUpEntry = dialUpEntry;
  DialUpConnected(dialUpEntry);
  PoolGoesOnline();
  DownloadsConnected();
}

void TMain::ConnectionMonitorDisconnect() {
  PoolGoesOffline();
  FOnline = false;
  DownloadsDisconnected();
  FDialUpEntry.clear();
  FCurrentIP = "n/a";
  ShowStatistics();
}
