// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StopSignals.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <pthread.h>

TStopSignals::TStopSignals() {
  sigemptyset(&FSignals);
  sigaddset(&FSignals, SIGINT);
  sigaddset(&FSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
}

TStopSignals::~TStopSignals() {
  if (!FThread.joinable())
    return;
  FStopping = true;
  pthread_kill(FThread.native_handle(), SIGTERM);
  FThread.join();
}

void TStopSignals::Watch(std::function<void()> onStop) {
  FThread = std::thread([this, onStop = std::move(onStop)] {
    for (;;) {
      int signal = 0;
      if (sigwait(&FSignals, &signal) != 0 || FStopping)
        return;
      QMetaObject::invokeMethod(QCoreApplication::instance(), onStop, Qt::QueuedConnection);
    }
  });
}
