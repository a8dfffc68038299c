// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/ConnectionMonitorUnit.h"

TConnectionMonitor::TConnectionMonitor(const TConnectionMonitorServices& services) {
  FCAPI = std::make_unique<TCAPITraceReg>(services.Registry, services.PollTimers());
  FCAPIInstalled = FCAPI->CAPIInstalled();

  FRAS = std::make_unique<TRASBase>(services.RemoteAccess, services.PollTimers());
  FRAS->OnConnected = [this](TRASBase& ras, int) { ReportConnect(ras.EntryNameOf(ras.Handle())); };
  FRAS->OnDisconnected = [this](TRASBase&) { ReportDisconnect(); };
  FRAS->SetInterval(TRASBase::PollInterval);
  FRASAvailable = FRAS->Available();

  FDSL = std::make_unique<TAVMFRITZDSL>(services.DSLSoftware, services.DSLEventLog,
                                        services.PollTimers());
  FDSLAvailable = FDSL->Available();

  FCAPI->OnCAPIConnect = [this](TCAPITraceReg&, TCAPIConnectInfo, int) { ReportConnect({}); };
  FCAPI->OnCAPIDisconnect = [this](TCAPITraceReg&, int, int) { ReportDisconnect(); };
  FDSL->OnConnect = [this](TAVMFRITZDSL&, const std::string&, const std::string&,
                           const std::string&, const std::string&) { ReportConnect({}); };
  FDSL->OnDisconnect = [this](TAVMFRITZDSL&) { ReportDisconnect(); };
}

TConnectionMonitor::~TConnectionMonitor() {
  OnConnect = nullptr;
  OnDisconnect = nullptr;
  StopWatchers();
}

int TConnectionMonitor::WatchableType(int connectionType) const {
  switch (connectionType) {
  case ckDialUp:
  case ckISDN:
    return connectionType;
  case ckDSL:
    return FDSLAvailable ? ckDSL : ckPermanent;
  default:
    return ckPermanent;
  }
}

void TConnectionMonitor::SetConnectionType(int connectionType) {
  const int type = WatchableType(connectionType);
  if (type == FConnectionType)
    return;
  const bool wasActive = FActive;
  SetActive(false);
  FConnectionType = type;
  StopWatchers();
  SetActive(wasActive);
}

void TConnectionMonitor::SetActive(bool active) {
  if (active == FActive)
    return;
  FActive = active;
  StopWatchers();
  if (FActive) {
    StartWatcher();
  } else {
    // Whichever watcher saw the connection, it is no longer watched.
    ReportDisconnect();
  }
}

void TConnectionMonitor::StopWatchers() {
  FCAPI->SetActive(false);
  FRAS->Stop();
  FDSL->SetActive(false);
}

void TConnectionMonitor::StartWatcher() {
  switch (FConnectionType) {
  case ckDialUp:
    FRAS->Start();
    break;
  case ckISDN:
    FCAPI->SetActive(true);
    break;
  case ckDSL:
    FDSL->SetActive(true);
    break;
  default:
    ReportConnect({});
    break;
  }
}

void TConnectionMonitor::ReportConnect(const std::string& dialUpEntry) {
  if (FConnected)
    return;
  FConnected = true;
  if (OnConnect)
    OnConnect(*this, dialUpEntry);
}

void TConnectionMonitor::ReportDisconnect() {
  if (!FConnected)
    return;
  FConnected = false;
  if (OnDisconnect)
    OnDisconnect(*this);
}
