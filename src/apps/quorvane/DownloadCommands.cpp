// SPDX-License-Identifier: GPL-3.0-or-later
#include "DownloadCommands.h"

#include "app/HeadlessUnit.h"
#include "app/RegistrySettingsUnit.h"
#include "app/StopSignals.h"
#include "downloads/DownloadFileNames.h"
#include "downloads/DownloadManagerKeys.h"
#include "downloads/DownloadManagerUnit.h"
#include "downloads/DownloadRecordCodec.h"
#include "platform/MessageQueue.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <mutex>

namespace {

// How long the running program may take to answer an offer (it may ask the user).
constexpr std::chrono::minutes OfferTimeout{10};
// How often the progress line is rewritten.
constexpr std::chrono::milliseconds ProgressInterval{250};

// The foreground download's reports: the progress line, and the end of the loop.
class TForegroundEvents : public TDownloadThreadEvents {
public:
  void Progress(std::int64_t total, std::int64_t received) override {
    std::lock_guard lock(FLock);
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastLine < ProgressInterval && received != total)
      return;
    FLastLine = now;
    std::cerr << "\r" << received << " / " << total << " Byte";
    if (total > 0)
      std::cerr << " (" << received * 100 / total << "%)";
    std::cerr << std::flush;
  }
  void Done(std::int64_t fileSize) override {
    Finish(0, "\ncomplete: " + std::to_string(fileSize) + " Byte\n");
  }
  void Error(const std::string& text) override { Finish(1, "\nFehler: " + text + "\n"); }
  void ErrorWithCode(int code, const std::string& text) override {
    Error(text + " - " + std::to_string(code));
  }

private:
  void Finish(int code, const std::string& text) {
    {
      std::lock_guard lock(FLock);
      std::cerr << text;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
  }

  std::mutex FLock; // guards the error stream and FLastLine
  std::chrono::steady_clock::time_point FLastLine{};
};

int DownloadInForeground(int argc, char** argv, const std::string& url, TStopSignals& stopSignals) {
  QCoreApplication application(argc, argv);
  TRegistry registry(TRegistryLocations::FromEnvironment());
  THeadlessUserInterface userInterface(std::cerr);
  TRegistrySettings settings(registry, userInterface, ProgramFolder());
  settings.Load();

  const std::string name = FileNameFromURL(url);
  if (ProtocolOfURL(url) == TDownloadProtocol::Unsupported) {
    std::cerr << "quorvane: only http://, https:// and ftp:// URLs can be downloaded: " << url
              << "\n";
    return 2;
  }
  if (!IsUsableFileName(name)) {
    std::cerr << "quorvane: the URL names no file: " << url << "\n";
    return 2;
  }
  const std::filesystem::path folder(settings.DefaultDMDirectory);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::filesystem::path file = folder / name;
  std::string error;
  switch (CreateFileExclusively(file, error)) {
  case TCreateResult::Created:
    break;
  case TCreateResult::Exists:
    std::cerr << "quorvane: " << file.string() << " exists already; nothing was overwritten\n";
    return 1;
  case TCreateResult::Failed:
    std::cerr << "quorvane: " << file.string() << ": " << error << "\n";
    return 1;
  }
  std::cerr << url << " -> " << file.string() << "\n";

  TDownloadJob job;
  job.URL = url;
  job.FileName = file.string();
  job.Throttle = settings.DMDrossel;
  job.ThrottlePercent = settings.DMDrosselPercent;
  job.MaxBandwidth = settings.DMMaxDownload;
  TForegroundEvents events;
  TDownloadThread worker(job, events);
  stopSignals.Watch([&worker] {
    worker.StopConnection();
    std::cerr << "\nstopped; the partial file is kept\n";
    QCoreApplication::exit(1);
  });
  worker.Resume();
  const int code = QCoreApplication::exec();
  worker.StopConnection();
  worker.WaitFor();
  return code;
}

} // namespace

int RunListDownloads(std::ostream& output) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  for (const TDownloadRecord& record : ReadStoredDownloads(registry)) {
    output << record.URL << "\t" << record.FileName << "\t"
           << DownloadStateText(record.State, record.Message) << "\t" << record.TotalSize << "\n";
  }
  return 0;
}

int RunDownloadCommand(int argc, char** argv, const std::string& url, TStopSignals& stopSignals) {
  std::vector<std::uint8_t> answer;
  try {
    answer = SendQueueMessage(DownloadManagerQueueName, EncodeDownloadOffer(url), OfferAnswerSize,
                              OfferTimeout);
  } catch (const TMessageQueueNoReceiver&) {
    return DownloadInForeground(argc, argv, url, stopSignals);
  } catch (const TMessageQueueError& error) {
    std::cerr << "quorvane: " << error.what() << "\n";
    return 1;
  }
  if (answer[OfferAcceptedByte] == 1) {
    std::cerr << "quorvane: the running program took the download: " << url << "\n";
    return 0;
  }
  std::cerr << "quorvane: the running program did not take the download (known already, or "
               "no file chosen): "
            << url << "\n";
  return 1;
}
