// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WelcomeDlgUnit.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

// "Quorvane - Einrichtungsassistent": six pages (welcome, connection kind, port and
// browsers, features, firewall note, finish) with "< Zurück", "Weiter >" and
// "Abbrechen". It closes only from the last page, where "Weiter >" reads "Fertig
// stellen" and "Abbrechen" closes it the same way.
class TWelcomeDlg : public QDialog {
  Q_OBJECT
public:
  static constexpr int PageCount = 6;

  TWelcomeDlg(const TWelcomeAnswers& answers, const TWelcomeOptions& options,
              QWidget* parent = nullptr);

  TWelcomeAnswers Answers() const;
  // Shows page index, as the buttons do.
  void ShowPage(int index);

  QStackedWidget* Notebook;
  QPushButton* PrevBtn;
  QPushButton* NextBtn;
  QPushButton* CancelBtn;
  QRadioButton* RB1;
  QRadioButton* RB2;
  QRadioButton* RB3;
  QRadioButton* RB4;
  QSpinBox* ProxyPortEdit;
  QTreeWidget* BrowserLV;
  QCheckBox* DownloadManagerChkBox;
  QCheckBox* PopupKillerChkBox;
  QCheckBox* BrowserNameChkBox;
  QCheckBox* RefererChkBox;
  QCheckBox* ActiveXChkBox;
  QCheckBox* FlashChkBox;
  QCheckBox* JavaScriptChkBox;
  QLabel* FirewallLabel;

  void done(int result) override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QWidget* CreateWelcomePage();
  QWidget* CreateConnectionPage();
  QWidget* CreateProxyPage();
  QWidget* CreateFeaturesPage();
  QWidget* CreateFirewallPage();
  QWidget* CreateFinishPage();
  bool OnLastPage() const;
  void NextBtnClick();
  void PrevBtnClick();
};
