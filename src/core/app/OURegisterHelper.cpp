// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OURegisterHelper.h"

#include "app/UpdateChannels.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"
#include "platform/MessageQueue.h"

#include <QEventLoop>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

constexpr char UpdateProgram[] = "LiveUpd";
constexpr char UpdateParameter[] = "OnlineUpdate";
constexpr char IgnoreListName[] = "quorignore.dat";
constexpr char InstalledListName[] = "update.lst";
// How often the wait looks whether the start channel can go.
constexpr std::chrono::milliseconds WaitStep{100};

constexpr std::string_view ChannelError =
    "Kann Prozesskommunikation nicht erstellen, die Ausführung ist daher nicht möglich.";
constexpr std::string_view StartError = "Fehler beim Ausführen: %s";

std::string UpdateAddress() {
  const char* server = std::getenv(std::string(ProductInfo::WebServerEnvironmentVariable).c_str());
  return (server != nullptr && *server != '\0' ? std::string(server)
                                               : std::string(ProductInfo::WebServer)) +
         "/OU/";
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

} // namespace

TOURegisterHelper::TOURegisterHelper(TUserInterface& userInterface, std::string programFolder,
                                     bool unattended)
    : FUserInterface(userInterface), FProgramFolder(std::move(programFolder)),
      FUnattended(unattended) {}

TOURegisterHelper::~TOURegisterHelper() = default;

void TOURegisterHelper::ResetResults() {
  const std::lock_guard lock(FResultsLock);
  FRestartNeeded = false;
  FUpdated = false;
  FUpdateDate = 0;
}

bool TOURegisterHelper::RestartNeeded() const {
  const std::lock_guard lock(FResultsLock);
  return FRestartNeeded;
}

bool TOURegisterHelper::Updated() const {
  const std::lock_guard lock(FResultsLock);
  return FUpdated;
}

TDateTime TOURegisterHelper::UpdateDate() const {
  const std::lock_guard lock(FResultsLock);
  return FUpdateDate;
}

std::vector<std::uint8_t> TOURegisterHelper::SettingsStream() const {
  UpdateChannels::TIPCSettings settings;
  settings.Language = Language;
  settings.ProgramFolder = FProgramFolder;
  settings.ProductName = ProductInfo::ProgramName;
  settings.DataFolder = DataFolder;
  settings.ProgramFolder2 = FProgramFolder;
  settings.ProxyHost = ProxySettings.Host;
  settings.ProxyUser = ProxySettings.UserName;
  settings.ProxyPassword = ProxySettings.Password;
  settings.ProxyPort = ProxySettings.Port;
  settings.ProductName2 = ProductInfo::ProgramName;
  settings.ProductVersion = ProductInfo::ProgramNameAndVersion;
  settings.UpdateAddress = UpdateAddress();
  settings.IgnoreListName = IgnoreListName;
  settings.InstalledList = InstalledListName;
  settings.Unattended = FUnattended ? 1 : 0;
  settings.ProcessId = static_cast<std::int32_t>(::getpid());
  settings.RunChannel = FRunChannel;
  return UpdateChannels::EncodeSettings(settings);
}

void TOURegisterHelper::AnswerStart(std::span<std::uint8_t> answer) const {
  UpdateChannels::WriteStartAnswer(FRunChannel, answer);
}

void TOURegisterHelper::AnswerRun(std::span<const std::uint8_t> message,
                                  std::span<std::uint8_t> answer) {
  // Shorter messages carry no command and are ignored.
  const auto command = UpdateChannels::CommandOf(message);
  if (command == UpdateChannels::SettingsRequest) {
    FSettingsAsked = true;
    UpdateChannels::WriteSettingsAnswer(SettingsStream(), answer);
  } else if (command == UpdateChannels::CompletionReport) {
    const auto completion = UpdateChannels::DecodeCompletion(message);
    if (!completion)
      return;
    const std::lock_guard lock(FResultsLock);
    FRestartNeeded = completion->RestartNeeded;
    FUpdated = completion->Updated;
    FUpdateDate = UpdateChannels::AcceptedUpdateDate(completion->UpdateDate, NowDateTime());
  }
}

bool TOURegisterHelper::RunUpdateProgram() {
  ResetResults();
  FSettingsAsked = false;
  FRunChannel = UpdateChannels::RunChannelName(::getpid(), ProductInfo::ProgramName, LocalNow);
  try {
    FStartChannel = std::make_unique<TMessageQueueServer>(
        std::string(UpdateChannels::StartChannelName),
        [this](std::span<const std::uint8_t>, std::span<std::uint8_t> answer) {
          AnswerStart(answer);
        });
    FRunChannelServer = std::make_unique<TMessageQueueServer>(
        FRunChannel, [this](std::span<const std::uint8_t> message, std::span<std::uint8_t> answer) {
          AnswerRun(message, answer);
        });
  } catch (const TMessageQueueError&) {
    FStartChannel.reset();
    FRunChannelServer.reset();
    FUserInterface.ShowMessageBox(ChannelError, {}, TMsgKind::Error, TMsgButtons::OK);
    return false;
  }

  const std::string program = FProgramFolder + UpdateProgram;
  const auto startFailed = [this](const std::string& reason) {
    std::string text(StartError);
    text.replace(text.find("%s"), 2, reason);
    FUserInterface.ShowMessageBox(text, {}, TMsgKind::Error, TMsgButtons::OK);
    return false;
  };
  // The system's own text for a program that is missing or may not run.
  if (::access(program.c_str(), X_OK) != 0)
    return startFailed(std::strerror(errno));
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments({QString::fromLatin1(UpdateParameter)});
  process.setWorkingDirectory(QString::fromStdString(FProgramFolder));
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start();
  if (!process.waitForStarted())
    return startFailed(process.errorString().toStdString());

  // The event loop keeps running while the update program works; a stop of the
  // program ends this wait as it ends every loop.
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer step;
  QObject::connect(&step, &QTimer::timeout, [this] {
    if (FSettingsAsked && FStartChannel)
      FStartChannel.reset();
  });
  step.start(WaitStep);
  if (process.state() != QProcess::NotRunning)
    loop.exec();
  step.stop();
  if (process.state() != QProcess::NotRunning) {
    // The program ends while the update still runs: it is not left behind.
    process.kill();
    process.waitForFinished();
  }
  // An exchange still in progress is finished before the results are read.
  FStartChannel.reset();
  FRunChannelServer.reset();
  return true;
}
