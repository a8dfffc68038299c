// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

// "Download beendet": the URL of a completed download, with buttons that open the
// file or its folder. Non-modal, on top.
class TDownloadSuccessDlg : public QDialog {
  Q_OBJECT
public:
  TDownloadSuccessDlg(const std::string& url, const std::string& fileName,
                      QWidget* parent = nullptr);

  QPlainTextEdit* DownloadNameLabel;
  QPushButton* OpenFileBtn;
  QPushButton* FindFileBtn;
  QPushButton* CloseBtn;
};

// Shows a TDownloadSuccessDlg that frees itself when it closes.
void ShowDownloadSuccessDlg(const std::string& url, const std::string& fileName);
