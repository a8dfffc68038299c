// SPDX-License-Identifier: GPL-3.0-or-later
#include "connmon/CAPITraceReg.h"

#include "common/AsciiText.h"

namespace {

// Bytes of the two records the watcher looks at; any value but 0 counts as set.
constexpr std::size_t Record1HasData = 0;
constexpr std::size_t Channel1Connected = 1;
constexpr std::size_t Record1Bundled = 261;
constexpr std::size_t Record2HasData = CAPIConnectInfoSize;
constexpr std::size_t Channel2Connected = CAPIConnectInfoSize + 1;

} // namespace

TCAPITraceReg::TCAPITraceReg(TRegistry& registry, std::unique_ptr<TPollTimer> pollTimer)
    : FRegistry(registry), FPollTimer(std::move(pollTimer)) {
  FPollTimer->SetEnabled(false);
  FPollTimer->SetInterval(PollInterval);
  FPollTimer->SetOnTimer([this] { Poll(); });
}

TCAPITraceReg::~TCAPITraceReg() {
  SetActive(false);
}

bool TCAPITraceReg::CAPIInstalled() const {
  const std::string manufacturer = LowerCaseASCII(Manufacturer());
  return manufacturer.find("avm") != std::string::npos ||
         manufacturer.find("berkom") != std::string::npos;
}

void TCAPITraceReg::SetActive(bool active) {
  if (active) {
    if (!CAPIInstalled())
      return;
    FLastInfo.fill(0);
    FConnectReported = false;
    FPollTimer->SetEnabled(false);
    TRegKey key;
    FKey.reset();
    if (FRegistry.CreateKey(TRootKey::CurrentUser, CAPITraceKey, "", key) == TRegResult::Ok)
      FKey = key;
    FActive = true;
    FPollTimer->SetEnabled(true);
    return;
  }
  FPollTimer->SetEnabled(false);
  FKey.reset();
  FActive = false;
}

std::optional<TCAPIConnectInfoArray> TCAPITraceReg::ReadRecords() {
  // The key may have been made after activation, by the counter.
  if (!FKey) {
    TRegKey key;
    if (FRegistry.OpenKey(TRootKey::CurrentUser, CAPITraceKey, key) != TRegResult::Ok)
      return std::nullopt;
    FKey = key;
  }
  TRegValue value;
  if (FRegistry.QueryValue(*FKey, CAPITraceValue, value) != TRegResult::Ok) {
    FKey.reset();
    return std::nullopt;
  }
  // More than both records does not fit the buffer: the read fails.
  if (value.Data.size() > CAPIConnectInfoArraySize)
    return std::nullopt;
  TCAPIConnectInfoArray info{};
  std::copy(value.Data.begin(), value.Data.end(), info.begin());
  return info;
}

void TCAPITraceReg::Poll() {
  const auto info = ReadRecords();
  if (!info || *info == FLastInfo)
    return;
  FLastInfo = *info;
  const auto set = [this](std::size_t offset) { return FLastInfo[offset] != 0; };
  const auto record = [this](std::size_t index) {
    return TCAPIConnectInfo(FLastInfo.data() + index * CAPIConnectInfoSize, CAPIConnectInfoSize);
  };

  if (set(Channel1Connected)) {
    if (!FConnectReported && OnCAPIConnect && set(Record1HasData))
      OnCAPIConnect(*this, record(0), 1);
    FConnectReported = true;
  }
  if (set(Channel2Connected) && set(Record1Bundled) && set(Record2HasData)) {
    if (OnCAPIConnect)
      OnCAPIConnect(*this, record(1), 2);
    FConnectReported = true;
  }
  if (!set(Channel1Connected) && FConnectReported) {
    FConnectReported = false;
    if (OnCAPIDisconnect)
      OnCAPIDisconnect(*this, 1, DisconnectReason);
  }
}
