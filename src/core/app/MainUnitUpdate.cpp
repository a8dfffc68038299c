// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the online update, its reminder and the merge of the delivered proxy list.
#include "app/MainUnit.h"
#include "app/OURegisterHelper.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

constexpr double ReminderDays = 30;
constexpr std::string_view ReminderQuestion =
    "Die letzte Ausführung des Online-Updates liegt mehr als 30 Tage zurück.\r\rMöchten Sie "
    "jetzt nachschauen ob neue Updates verfügbar sind?";
constexpr std::string_view RestartWarning =
    "Sie müssen %s beenden und neu starten, damit die Änderungen wirksam werden. Unter Windows "
    "9x/Me ist ein Neustart von Windows erforderlich.";

// The whole file, or nothing when it cannot be read to its end.
std::optional<std::string> ReadWhole(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad())
    return std::nullopt;
  return text.str();
}

} // namespace

TPoolUpdateActions TMain::PoolUpdateFromPool() {
  TPoolUpdateActions actions;
  actions.Hosts = [this] {
    std::vector<std::string> hosts;
    if (FProxyManager) {
      for (const TProxyEntryPtr& entry : FProxyManager->List())
        hosts.push_back(entry->Host);
    }
    return hosts;
  };
  actions.StopCheck = [this] {
    if (!FProxyManager || FProxyManager->Stopped())
      return false;
    FProxyManager->StopCheck();
    return true;
  };
  actions.AddAndSave = [this](const std::vector<ProxyListMerge::TNewProxy>& added) {
    if (!FProxyManager)
      return;
    for (const ProxyListMerge::TNewProxy& proxy : added)
      FProxyManager->AddProxy(proxy.Host, std::to_string(proxy.Port), 1);
    // A failed write keeps the list marked modified: it is written again at the end.
    if (!FProxyManager->SaveToFile())
      FProxyManager->SetModified(true);
    PublishFailoverRoutes();
  };
  actions.RebuildList = [this] {
    if (FProxyManager)
      UpdateProxyList(true);
  };
  actions.StartCheck = [this] {
    if (FProxyManager)
      StartCheckIfAllowed();
  };
  return actions;
}

TOnlineUpdateResult TMain::mnuOnlineUpdateExecute(bool unattended) {
  TOnlineUpdateResult result;
  TOURegisterHelper helper(FUserInterface, FProgramFolder, unattended);
  helper.Language = "Deutsch";
  helper.ProxySettings.Host.clear();
  helper.ProxySettings.Port = 80;
  helper.ProxySettings.UserName.clear();
  helper.ProxySettings.Password.clear();
  helper.DataFolder = FSettings->GetDataFolder();
  if (!helper.RunUpdateProgram())
    return result;
  result.Ran = true;
  if (helper.Updated() && helper.UpdateDate() != 0) {
    result.Updated = true;
    FSettings->LastUpdate = helper.UpdateDate();
    SaveSettings();
    result.Added = MergeProxyList();
  } else {
    FSettings->LastUpdate = DateClock();
    SaveSettings();
  }
  if (helper.Updated() && helper.RestartNeeded()) {
    std::string text(RestartWarning);
    text.replace(text.find("%s"), 2, ProductInfo::ProgramName);
    FUserInterface.ShowMessageBox(text, {}, TMsgKind::Warning, TMsgButtons::OK);
  }
  return result;
}

std::vector<ProxyListMerge::TNewProxy> TMain::MergeProxyList() {
  // Both files are read whole before anything changes: a read error adds nothing.
  const auto installed =
      ReadWhole(FSettings->GetDataFolder() + std::string(ProxyListMerge::InstalledFilesName));
  if (!installed)
    return {};
  const auto line = ProxyListMerge::ProxyListLine(ProxyListMerge::TextLines(*installed));
  if (!line)
    return {};
  const auto proxies = ReadWhole(*line);
  if (!proxies)
    return {};

  const bool stopped = PoolUpdate.StopCheck && PoolUpdate.StopCheck();
  const std::vector<ProxyListMerge::TNewProxy> added = ProxyListMerge::ProxiesToAdd(
      PoolUpdate.Hosts ? PoolUpdate.Hosts() : std::vector<std::string>{},
      ProxyListMerge::TextLines(*proxies));
  if (!added.empty() && PoolUpdate.AddAndSave)
    PoolUpdate.AddAndSave(added);
  if (PoolUpdate.RebuildList)
    PoolUpdate.RebuildList();
  if (stopped && PoolUpdate.StartCheck)
    PoolUpdate.StartCheck();
  return added;
}

void TMain::UpdateReminder() {
  if (!FSettings || std::floor(DateClock() - FSettings->LastUpdate) <= ReminderDays)
    return;
  if (FUserInterface.ShowMessageBox(ReminderQuestion, ProductInfo::ProgramName,
                                    TMsgKind::Confirmation,
                                    TMsgButtons::YesNoDefaultNo) == TModalResult::Yes) {
    mnuOnlineUpdateExecute();
    return;
  }
  FSettings->LastUpdate = DateClock();
  SaveSettings();
}
