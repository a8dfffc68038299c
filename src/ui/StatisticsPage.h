// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MainView.h"

#include <QWidget>

class QLabel;
class QPushButton;

// Page "Übertragene Bytes": the counters and states, each value label beside its
// caption; the texts come from the controller.
class TStatisticsPage : public QWidget {
  Q_OBJECT
public:
  explicit TStatisticsPage(const QString& caption, QWidget* parent = nullptr);

  void ShowStatistics(const TStatisticsTexts& texts);

  QLabel* lCurrentIP;
  QLabel* lBytes;
  QLabel* lGET;
  QLabel* lPOST;
  QLabel* lHEAD;
  QLabel* lCookies;
  QLabel* lActiveX;
  QLabel* lFlash;
  QLabel* lExe;
  QLabel* lScript;
  QLabel* lWerbungen;
  QLabel* lAnonProxy;
  QLabel* lProgRuntime;
  QLabel* lActiveConnections;
  QLabel* KilledPopupsLabel;
  QLabel* lActiveDownloads;
  QLabel* lTotalDownloads;
  QLabel* lTotalBytesInDownloads;
  QPushButton* ClearStatBtn;

Q_SIGNALS:
  // lAnonProxy's link: the upstream in use ("host:port") was clicked.
  void lAnonProxyClick(const QString& hostAndPort);

private:
  QString FAnonProxyText; // lAnonProxy's text without the link
};
