// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/AVMFRITZDSLClassUnit.h"

#include "connmon/DBaseFile.h"

#include <ctime>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

constexpr std::string_view MessageField = "MELDUNG";
constexpr std::string_view ConnectedTo = "Verbindung zu '";
constexpr std::string_view Established = "aufgebaut";
// The event log is a few hundred records; a larger file is not it.
constexpr std::uintmax_t MaxEventLogBytes = 16 * 1024 * 1024;

// The software writes its log in Latin-1.
std::string Latin1ToUtf8(std::string_view text) {
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      result.push_back(c);
    } else {
      result.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      result.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return result;
}

// Day, month, year and time of day, as the German short date and long time show it.
std::string DateTimeText(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return text;
}

std::optional<std::string> LastLogMessage(const std::filesystem::path& eventLog) {
  std::error_code error;
  const auto size = std::filesystem::file_size(eventLog, error);
  if (error || size > MaxEventLogBytes)
    return std::nullopt;
  std::ifstream in(eventLog, std::ios::binary);
  const std::string table{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return LastRecordField(table, MessageField);
}

} // namespace

std::string NameWithLogMessage(const std::string& connectionName, const std::string& message) {
  const std::size_t start = message.find(ConnectedTo);
  if (start == std::string::npos || message.find(Established) == std::string::npos)
    return connectionName;
  const std::size_t from = start + ConnectedTo.size();
  const std::size_t end = message.rfind('\'');
  if (end == std::string::npos || end < from)
    return connectionName;
  return connectionName + " - " + message.substr(from, end - from);
}

TAVMFRITZDSL::TAVMFRITZDSL(TFritzDSLSoftware& software, std::filesystem::path eventLog,
                           std::unique_ptr<TPollTimer> pollTimer)
    : FSoftware(software), FEventLog(std::move(eventLog)), FPollTimer(std::move(pollTimer)) {
  FPollTimer->SetEnabled(false);
  FPollTimer->SetInterval(PollInterval);
  FPollTimer->SetOnTimer([this] { PollTimerTimer(); });
  try {
    FConnection = FSoftware.Connect();
  } catch (const std::exception&) {
    FConnection.reset();
  }
  FAvailable = FConnection != nullptr;
}

TAVMFRITZDSL::~TAVMFRITZDSL() {
  FPollTimer->SetEnabled(false);
}

void TAVMFRITZDSL::SetActive(bool active) {
  FActive = active;
  if (!active)
    FConnected = false;
  FPollTimer->SetEnabled(active);
}

void TAVMFRITZDSL::PollTimerTimer() {
  FPollTimer->SetEnabled(false);
  // The software's errors are of no interest: the watcher keeps its state.
  try {
    Poll();
  } catch (const std::exception&) {
  }
  if (FActive)
    FPollTimer->SetEnabled(true);
}

void TAVMFRITZDSL::Reconnect() {
  try {
    FConnection.reset();
    FConnection = FSoftware.Connect();
    if (FConnection)
      FConnection->Refresh();
  } catch (const std::exception&) {
  }
}

void TAVMFRITZDSL::Poll() {
  if (!FConnection || FConnection->State() == 0)
    Reconnect();
  if (!FConnection)
    return;
  const int state = FConnection->State();
  if (state == 0 && FConnected) {
    FConnected = false;
    if (OnDisconnect)
      OnDisconnect(*this);
    return;
  }
  if (state != 1)
    return;
  const int lineStatus = FConnection->LineStatus();
  if (lineStatus != 1 && FConnected) {
    FConnected = false;
    if (OnDisconnect)
      OnDisconnect(*this);
  } else if (lineStatus == 1 && !FConnected) {
    ReportConnect();
  }
}

void TAVMFRITZDSL::ReportConnect() {
  std::error_code error;
  if (!std::filesystem::exists(FEventLog, error))
    return;
  FConnected = true;
  FConnectionName = FConnection->ConnectionName();
  FConnectTime = FConnection->ConnectTime();
  FConnectTimeText = DateTimeText(FConnectTime);
  if (const auto message = LastLogMessage(FEventLog))
    FConnectionName = NameWithLogMessage(FConnectionName, Latin1ToUtf8(*message));
  if (!OnConnect)
    return;
  try {
    const auto details = FConnection->Details();
    OnConnect(*this, FConnectionName, details[0], details[1], details[2]);
  } catch (const std::exception&) {
  }
}
