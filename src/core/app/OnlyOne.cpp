// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OnlyOne.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QString>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ConnectTimeoutMs = 2000;
constexpr char RestoreRequest[] = "restore\n";

std::filesystem::path DefaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0')
    return std::filesystem::path(runtime) / "quorvane";
  return std::filesystem::path("/tmp") / ("quorvane-" + std::to_string(::getuid()));
}

QString ToQString(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

} // namespace

TOnlyOne::TOnlyOne(std::filesystem::path folder, std::string name)
    : FFolder(folder.empty() ? DefaultFolder() : std::move(folder)), FName(std::move(name)) {}

TOnlyOne::~TOnlyOne() {
  FServer.reset();
  if (FLockHandle >= 0)
    ::close(FLockHandle);
}

std::filesystem::path TOnlyOne::LockPath() const {
  return FFolder / (FName + ".lock");
}
std::filesystem::path TOnlyOne::ServerPath() const {
  return FFolder / FName;
}

bool TOnlyOne::Acquire() {
  if (FLockHandle >= 0)
    return true;
  std::error_code ignored;
  std::filesystem::create_directories(FFolder, ignored);
  ::chmod(FFolder.c_str(), 0700);
  const int handle = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file no instance can be told apart; let this one run.
  if (handle < 0)
    return true;
  // The kernel drops the lock when the process ends, however it ends.
  if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
    ::close(handle);
    return false;
  }
  FLockHandle = handle;
  return true;
}

bool TOnlyOne::AskFirstToRestore() {
  QLocalSocket socket;
  socket.connectToServer(ToQString(ServerPath()));
  if (!socket.waitForConnected(ConnectTimeoutMs))
    return false;
  socket.write(RestoreRequest);
  const bool sent = socket.waitForBytesWritten(ConnectTimeoutMs);
  socket.disconnectFromServer();
  return sent;
}

bool TOnlyOne::Listen(std::function<void()> onRestore) {
  FOnRestore = std::move(onRestore);
  FServer = std::make_unique<QLocalServer>();
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  // We hold the lock, so a socket file left there belongs to an ended instance.
  QLocalServer::removeServer(ToQString(ServerPath()));
  if (!FServer->listen(ToQString(ServerPath())))
    return false;
  QObject::connect(FServer.get(), &QLocalServer::newConnection, FServer.get(), [this] {
    while (QLocalSocket* client = FServer->nextPendingConnection()) {
      // The request may be in before the handlers are connected, so read once at once.
      const auto readRequests = [this, client] {
        while (client->canReadLine()) {
          if (client->readLine().trimmed() == "restore" && FOnRestore)
            FOnRestore();
        }
      };
      QObject::connect(client, &QLocalSocket::readyRead, client, readRequests);
      QObject::connect(client, &QLocalSocket::disconnected, client, [client, readRequests] {
        readRequests();
        client->deleteLater();
      });
      readRequests();
    }
  });
  return true;
}
