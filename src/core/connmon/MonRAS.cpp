// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/MonRAS.h"

namespace {

// Room for this many phonebook entries in one look.
constexpr std::size_t PhonebookRoom = 100;

} // namespace

TRASBase::TRASBase(TRemoteAccess& remoteAccess, std::unique_ptr<TPollTimer> pollTimer)
    : FRemoteAccess(remoteAccess), FPollTimer(std::move(pollTimer)) {
  FPollTimer->SetEnabled(false);
  FPollTimer->SetInterval(PollInterval);
  FPollTimer->SetOnTimer([this] { PollTimerTimer(); });
}

TRASBase::~TRASBase() {
  FPollTimer->SetEnabled(false);
}

void TRASBase::Start() {
  FConnected = false;
  if (FActive)
    Stop();
  FLastState = NoState;
  FHandle = 0;
  FActive = true;
  FPollTimer->SetEnabled(true);
  Fire(OnWaiting);
}

void TRASBase::Stop() {
  if (!FActive)
    return;
  FPollTimer->SetEnabled(false);
  FActive = false;
  Fire(OnStop);
  FConnected = false;
  FLastState = NoState;
}

void TRASBase::PollTimerTimer() {
  FPollTimer->SetEnabled(false);
  const bool wasConnected = FConnected;
  QueryState();
  if (FConnected != wasConnected) {
    if (!FConnected) {
      Fire(OnDisconnected);
      Fire(OnWaiting);
    } else if (OnConnected) {
      OnConnected(*this, static_cast<int>(FLastConnState));
    }
  }
  // A handler may have stopped the watcher.
  if (FActive)
    FPollTimer->SetEnabled(true);
}

// When the system cannot be asked at all the watcher keeps its state; a connection
// that has ended answers with the invalid-handle error instead.
void TRASBase::QueryState() {
  if (!FConnected) {
    const auto connections = FRemoteAccess.EnumConnections(ConnectionRoom);
    if (!connections || connections->empty())
      return;
    FHandle = connections->front().Handle;
    const auto status = FRemoteAccess.GetConnectStatus(FHandle);
    if (!status) {
      FHandle = 0;
      return;
    }
    if (OnStatus) {
      FLastState = NoState;
      OnStatus(*this, static_cast<int>(status->State));
    }
    ApplyState(status->State);
    return;
  }

  if (FHandle == 0) {
    FConnected = false;
    return;
  }
  const auto status = FRemoteAccess.GetConnectStatus(FHandle);
  if (!status)
    return;
  if (status->Error == RasErrorInvalidHandle) {
    FConnected = false;
    FHandle = 0;
    FLastState = NoState;
    if (OnStatus)
      OnStatus(*this, InvalidHandleState);
    return;
  }
  if (OnStatus && static_cast<int>(status->State) != FLastState) {
    FLastState = static_cast<int>(status->State);
    OnStatus(*this, FLastState);
  }
  ApplyState(status->State);
}

void TRASBase::ApplyState(std::uint32_t state) {
  FLastConnState = state;
  if (state == RASCS_Connected) {
    FConnected = true;
  } else if (state == RASCS_Disconnected) {
    FConnected = false;
    FHandle = 0;
  }
}

void TRASBase::ListPhonebookEntries() {
  FEntryNames.clear();
  FTelephoneNumbers.clear();
  if (!FRemoteAccess.Available())
    return;
  for (TPhonebookEntry& entry : FRemoteAccess.EnumEntries(PhonebookRoom)) {
    FEntryNames.push_back(std::move(entry.Name));
    FTelephoneNumbers.push_back(std::move(entry.TelephoneNumber));
  }
}

std::string TRASBase::EntryNameOf(TRasHandle handle) const {
  const auto connections = FRemoteAccess.EnumConnections(ConnectionRoom);
  if (!connections)
    return {};
  for (const TRasConnection& connection : *connections) {
    if (connection.Handle == handle)
      return connection.EntryName;
  }
  return {};
}

void TRASBase::Fire(const TNotifyEvent& event) {
  if (event)
    event(*this);
}
