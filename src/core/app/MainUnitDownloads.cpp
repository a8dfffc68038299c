// SPDX-License-Identifier: GPL-3.0-or-later
// TMain: the download manager's wiring.
#include "app/MainUnit.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"
#include "downloads/DownloadFileNames.h"
#include "downloads/DownloadManagerUnit.h"

namespace {

constexpr std::string_view QueueInUseError =
    "Fehler beim Initialisieren von Quorvane. Wahrscheinlich wird die Anwendung mehrfach "
    "ausgeführt, dies ist nicht zulässig.";
constexpr std::string_view NoConnectionError =
    "Sie können diese Aktion nicht ausführen, da keine Internetverbindung besteht bzw. diese von "
    "%s nicht erkannt wurde.";
constexpr std::string_view UnsupportedURLError =
    "Die URL \"%s\" kann nicht heruntergeladen werden: nur http://, https:// und ftp:// werden "
    "unterstützt.";

std::string WithArgument(std::string_view format, std::string_view argument) {
  std::string text(format);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos)
    text.replace(at, 2, argument);
  return text;
}

TDownloadOptions DownloadOptionsOf(const TSettingsValues& settings) {
  TDownloadOptions options;
  options.DMNoQuorvane = settings.DMNoQuorvane;
  options.DefaultDMDirectory = settings.DefaultDMDirectory;
  options.DontRequestDMFileName = settings.DontRequestDMFileName;
  options.DMDrossel = settings.DMDrossel;
  options.DMMaxDownload = settings.DMMaxDownload;
  options.DMDrosselPercent = settings.DMDrosselPercent;
  return options;
}

} // namespace

void TMain::CreateDownloadManager() {
  FDownloadManager = std::make_unique<TDownloadManagerClass>(FRegistry);
  TDownloadManagerClass& manager = *FDownloadManager;
  if (!manager.OpenQueue())
    FUserInterface.ShowMessageBox(QueueInUseError, ProductInfo::ProgramName, TMsgKind::Error,
                                  TMsgButtons::OK);
  manager.OnListChanged = [this](bool deleted) {
    if (OnDownloadListChanged)
      OnDownloadListChanged(deleted);
    ShowStatistics();
  };
  manager.OnEntryChanged = [this](TDownloadEntry& entry, std::int64_t received) {
    if (OnDownloadEntryChanged)
      OnDownloadEntryChanged(entry, received);
  };
  manager.OnNewDownload = [this](const std::string& url) {
    if (OnNewDownload)
      OnNewDownload(url);
  };
  manager.OnDownloadCompleted = [this](TDownloadEntry& entry) { DownloadCompleted(entry); };
  manager.OnAskFileName = [this](const std::string& proposed) -> std::optional<std::string> {
    if (!OnAskDownloadFileName)
      return std::nullopt;
    return OnAskDownloadFileName(proposed);
  };
  ApplyDownloadOptions();
  // The server was given its upstream before the manager existed.
  const TUpstreamInUse upstream = CurrentUpstream();
  SetDownloadProxy(upstream.Host, upstream.Port);
}

void TMain::ApplyDownloadOptions() {
  if (FDownloadManager && FSettings)
    FDownloadManager->SetOptions(DownloadOptionsOf(*FSettings));
}

void TMain::StopDownloads() {
  if (!FDownloadManager)
    return;
  // No offer may arrive while the workers stop and the list is saved.
  FDownloadManager->CloseQueue();
  FDownloadManager->SetActive(false);
}

void TMain::DownloadsConnected() {
  if (!FDownloadManager)
    return;
  FDownloadManager->SetActive(true);
  FDownloadManager->StartAll();
}

void TMain::DownloadsDisconnected() {
  if (!FDownloadManager)
    return;
  FDownloadManager->StopAll(true);
  FDownloadManager->SetActive(false);
}

void TMain::SetDownloadProxy(const std::string& host, int port) {
  if (FDownloadManager)
    FDownloadManager->SetProxy(host, port);
}

void TMain::DownloadCompleted(TDownloadEntry& entry) {
  // Counted here, once per completed transfer, and stored at once.
  FRequestEvents.AddCompletedDownload(entry.TotalSize);
  FSettings->Statistics = FRequestEvents.Statistics();
  FSettings->SaveStatistics();
  ShowStatistics();
  if (OnDownloadSucceeded && FSettings->DMShowMessageOnSuccess)
    OnDownloadSucceeded(entry);
}

int TMain::ActiveDownloads() const {
  return FDownloadManager ? FDownloadManager->RunningCount() : 0;
}

void TMain::AddDownloadURL(const std::string& url) {
  if (!FDownloadManager || url.empty())
    return;
  if (FDownloadManager->IsKnownURL(url)) {
    FUserInterface.ShowMessageBox("Die URL \"" + url + "\" existiert bereits.", {}, TMsgKind::Error,
                                  TMsgButtons::OK);
    return;
  }
  if (ProtocolOfURL(url) == TDownloadProtocol::Unsupported) {
    FUserInterface.ShowMessageBox(WithArgument(UnsupportedURLError, url), {}, TMsgKind::Error,
                                  TMsgButtons::OK);
    return;
  }
  FDownloadManager->AddDownload(url, "");
}

void TMain::DMContinueBtnClick(TDownloadEntry& entry, bool windowVisible) {
  if (FOnline) {
    FDownloadManager->ContinueDownload(entry);
  } else if (windowVisible) {
    FUserInterface.ShowMessageBox(WithArgument(NoConnectionError, ProductInfo::ProgramName), {},
                                  TMsgKind::Error, TMsgButtons::OK);
  }
}

void TMain::DMPauseBtnClick(TDownloadEntry& entry, bool windowVisible) {
  if (FOnline) {
    FDownloadManager->PauseDownload(entry);
  } else if (windowVisible) {
    FUserInterface.ShowMessageBox(WithArgument(NoConnectionError, ProductInfo::ProgramName), {},
                                  TMsgKind::Error, TMsgButtons::OK);
  }
}
