// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/BrowserMonitorClassUnit.h"

#include <QTimer>
#include <algorithm>

TBrowserMonitorClass::TBrowserMonitorClass(std::unique_ptr<TTopLevelWindows> windows)
    : FWindows(std::move(windows)), FTimer(std::make_unique<QTimer>()),
      FWatched{{"IEFrame", &TBrowserMonitorClass::OnIEClosed, {}},
               {"MozillaWindowClass", &TBrowserMonitorClass::OnMozillaClosed, {}},
               {"OpWindow", &TBrowserMonitorClass::OnOperaClosed, {}},
               {"Chromium", &TBrowserMonitorClass::OnChromiumClosed, {}}} {
  FTimer->setInterval(Interval);
  QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Tick(); });
}

TBrowserMonitorClass::~TBrowserMonitorClass() = default;

void TBrowserMonitorClass::SetActive(bool active) {
  if (active == FActive)
    return;
  FActive = active;
  if (active) {
    for (TWatched& watched : FWatched)
      watched.Seen.clear();
    FTimer->start();
  } else {
    FTimer->stop();
  }
}

void TBrowserMonitorClass::Tick() {
  FTimer->stop();
  for (TWatched& watched : FWatched) {
    const std::vector<std::uint64_t> now = FWindows->Find(watched.WindowClass);
    const bool hadWindows = !watched.Seen.empty();
    watched.Seen.insert(now.begin(), now.end());
    std::erase_if(watched.Seen, [&](std::uint64_t handle) {
      return std::find(now.begin(), now.end(), handle) == now.end();
    });
    const std::function<void()>& event = this->*watched.Event;
    if (hadWindows && watched.Seen.empty() && event)
      event();
  }
  // An event may have switched the monitor off.
  if (FActive)
    FTimer->start();
}
