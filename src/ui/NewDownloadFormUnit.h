// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QPlainTextEdit;

// The borderless info window for a new download: "Neuer Download" and the URL, at
// the lower right corner of the screen's work area, on top, closing itself after
// the given number of seconds.
class TNewDownloadForm : public QWidget {
  Q_OBJECT
public:
  TNewDownloadForm(const std::string& url, int timeoutSeconds);

  QLabel* TitleLabel;
  QPlainTextEdit* DownloadNameLabel;

protected:
  void showEvent(QShowEvent* event) override;

private:
  int FTimeoutSeconds;
};

// Shows a TNewDownloadForm that frees itself when it closes.
void ShowNewDownloadForm(const std::string& url, int timeoutSeconds);
