// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RemoteAccess.h"

#include "platform/NetworkInterfaces.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace {

constexpr std::string_view PppInterfacePrefix = "ppp";
constexpr std::string_view PidFilePrefix = "ppp-";
constexpr std::string_view PidFileSuffix = ".pid";

bool IsPppInterface(const TInterfaceState& state) {
  return state.Name.starts_with(PppInterfacePrefix);
}

} // namespace

TPppRemoteAccess::TPppRemoteAccess(std::shared_ptr<const TNetworkInterfaces> interfaces,
                                   std::filesystem::path runFolder,
                                   std::filesystem::path peersFolder)
    : FInterfaces(std::move(interfaces)), FRunFolder(std::move(runFolder)),
      FPeersFolder(std::move(peersFolder)) {}

std::optional<std::vector<TRasConnection>>
TPppRemoteAccess::EnumConnections(std::size_t room) const {
  const auto interfaces = FInterfaces->Read();
  if (!interfaces)
    return std::nullopt;
  std::vector<TRasConnection> connections;
  for (const TInterfaceState& state : *interfaces) {
    if (connections.size() == room)
      break;
    // pppd switches its interface on when the link is negotiated and off when it ends.
    if (IsPppInterface(state) && state.Up)
      connections.push_back({state.Index, EntryNameOf(state.Name), state.Name});
  }
  return connections;
}

std::optional<TRasConnStatus> TPppRemoteAccess::GetConnectStatus(TRasHandle handle) const {
  const auto interfaces = FInterfaces->Read();
  if (!interfaces)
    return std::nullopt;
  const auto found = std::find_if(interfaces->begin(), interfaces->end(), [&](const auto& state) {
    return state.Index == handle && IsPppInterface(state) && state.Up;
  });
  if (found == interfaces->end())
    return TRasConnStatus{RASCS_Disconnected, RasErrorInvalidHandle};
  return TRasConnStatus{found->Running ? RASCS_Connected : RASCS_Connecting, 0};
}

std::vector<TPhonebookEntry> TPppRemoteAccess::EnumEntries(std::size_t room) const {
  std::vector<TPhonebookEntry> entries = ReadPhonebook(FPeersFolder);
  if (entries.size() > room)
    entries.resize(room);
  return entries;
}

std::string TPppRemoteAccess::EntryNameOf(const std::string& interfaceName) const {
  std::error_code error;
  for (std::filesystem::directory_iterator it(FRunFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string file = it->path().filename().string();
    if (!file.starts_with(PidFilePrefix) || !file.ends_with(PidFileSuffix) ||
        file.size() <= PidFilePrefix.size() + PidFileSuffix.size())
      continue;
    std::ifstream in(it->path());
    std::string pid;
    std::string device;
    if (std::getline(in, pid) && std::getline(in, device) && device == interfaceName)
      return file.substr(PidFilePrefix.size(),
                         file.size() - PidFilePrefix.size() - PidFileSuffix.size());
  }
  return interfaceName;
}

std::unique_ptr<TRemoteAccess> SystemRemoteAccess() {
  return std::make_unique<TPppRemoteAccess>(std::make_shared<TSystemNetworkInterfaces>(), "/run",
                                            PppPeersFolder());
}
