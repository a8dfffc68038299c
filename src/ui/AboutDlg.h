// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// "Info...": the program's name and version, its home page, its licence and the
// libraries it runs on with their versions.
class TAboutDlg : public QDialog {
  Q_OBJECT
public:
  explicit TAboutDlg(QWidget* parent = nullptr);

  QLabel* ProductLabel;
  QLabel* HomePageLabel;
  QLabel* LicenceLabel;
  QTableWidget* LibraryList;
  QPushButton* OKBtn;
};
