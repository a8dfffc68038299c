// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "proxy/HTTPProxyServer.h"

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

// "Zugriffsbeschränkung": who may use the proxy. The address edit is enabled only
// while the third choice is checked.
class TProxyAccessDlg : public QDialog {
  Q_OBJECT
public:
  explicit TProxyAccessDlg(QWidget* parent = nullptr);

  // Checks the button of type; a value without a button checks the default
  // ("nur auf diesem PC").
  void SetAuthType(TAuthType type);
  TAuthType AuthType() const;
  void SetIP(const std::string& ip);
  std::string IP() const;

  QRadioButton* ProxyRB1;
  QRadioButton* ProxyRB2;
  QRadioButton* ProxyRB3;
  QLineEdit* ProxyIPEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void ProxyRBsClick();
};
