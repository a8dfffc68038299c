// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedOrigin.h"

#include "LoopbackSockets.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Polling lets the accept loop see the stop flag; the bound keeps a broken test finite.
constexpr int AcceptPollMs = 20;

} // namespace

TScriptedOrigin::TScriptedOrigin(std::string response, const char* ip)
    : FResponse(std::move(response)) {
  FListener = loopback::ListenOn(ip, FPort);
  FThread = std::thread([this] { Serve(); });
}

TScriptedOrigin::~TScriptedOrigin() {
  FStop = true;
  FThread.join();
  ::close(FListener);
}

void TScriptedOrigin::Serve() {
  while (!FStop) {
    pollfd fd{FListener, POLLIN, 0};
    if (::poll(&fd, 1, AcceptPollMs) <= 0) {
      continue;
    }
    const int handle = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle < 0) {
      continue;
    }
    std::string request = loopback::ReceiveRequest(handle);
    {
      std::lock_guard lock(FLock);
      FRequests.push_back(std::move(request));
    }
    try {
      loopback::SendAll(handle, FResponse);
    } catch (const std::exception&) {
      // The proxy may refuse the rest, as it does for a blocked content type.
    }
    ::close(handle);
  }
}

std::vector<std::string> TScriptedOrigin::Requests() const {
  std::lock_guard lock(FLock);
  return FRequests;
}

std::string TScriptedOrigin::FirstRequest() const {
  for (int i = 0; i < 500; ++i) {
    if (auto requests = Requests(); !requests.empty()) {
      return requests.front();
    }
    std::this_thread::sleep_for(10ms);
  }
  return {};
}

TProxyUnderTest::TProxyUnderTest() {
  Server.SetServerName("Quorvane 1.20");
  Server.SetVia("1.0 Quorvane (1.20 http://www.quorvane.example/)");
  Server.SetDefaultTransferBlockSize(65535);
  Server.SetPort(0);
  Server.OnHTTPStatistics = [this](THTTPProxyServer&, const TProxyStatistics& increments) {
    std::lock_guard lock(FLock);
    FTotals.BlockedCookies += increments.BlockedCookies;
    FTotals.BlockedActiveX += increments.BlockedActiveX;
    FTotals.BlockedFlash += increments.BlockedFlash;
    FTotals.BlockedExeFiles += increments.BlockedExeFiles;
    FTotals.BlockedJavaScript += increments.BlockedJavaScript;
    FTotals.Bytes += increments.Bytes;
    FTotals.BlockedURLS += increments.BlockedURLS;
  };
  Server.SetEnabled(true);
}

TProxyUnderTest::~TProxyUnderTest() {
  Server.SetEnabled(false);
}

TProxyStatistics TProxyUnderTest::Totals() const {
  // Statistics of a request are reported before its connection closes, but the
  // close can overtake the last report by a hair; wait for the connection to end.
  for (int i = 0; i < 500 && Server.ActiveConnections() > 0; ++i) {
    std::this_thread::sleep_for(2ms);
  }
  std::lock_guard lock(FLock);
  return FTotals;
}

std::string TProxyUnderTest::Exchange(const std::string& request, const char* sourceIP) const {
  return loopback::Exchange(Port(), request, sourceIP);
}

std::string BodyOf(const std::string& reply) {
  const std::size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

std::string HeadOf(const std::string& reply) {
  return reply.substr(0, reply.find("\r\n\r\n") + 2);
}
