// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CookiesAllowedDlgUnit.h"

#include "app/CookiesAllowedUnit.h"
#include "ui/QtText.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

std::unique_ptr<QInputDialog> CreateLineInputBox(const QString& caption, const QString& prompt,
                                                 const QString& text, QWidget* parent) {
  auto dialog = std::make_unique<QInputDialog>(parent);
  dialog->setWindowTitle(caption);
  dialog->setLabelText(prompt);
  dialog->setTextValue(text);
  dialog->setOkButtonText(QStringLiteral("OK"));
  dialog->setCancelButtonText(QStringLiteral("Abbrechen"));
  return dialog;
}

bool AskLine(const QString& caption, const QString& prompt, QString& text, QWidget* parent) {
  const auto dialog = CreateLineInputBox(caption, prompt, text, parent);
  if (dialog->exec() != QDialog::Accepted)
    return false;
  text = dialog->textValue();
  return true;
}

TCookiesAllowedDlg::TCookiesAllowedDlg(std::vector<std::string> domains,
                                       TUserInterface& userInterface, TAskLine askLine,
                                       QWidget* parent)
    : QDialog(parent), FDomains(std::move(domains)), FUserInterface(userInterface),
      FAskLine(std::move(askLine)) {
  if (!FAskLine) {
    FAskLine = [this](const QString& caption, const QString& prompt, QString& text) {
      return AskLine(caption, prompt, text, this);
    };
  }
  setObjectName(QStringLiteral("CookiesAllowedDlg"));
  setWindowTitle(QStringLiteral("Ausnahmen für die Blockierung von Cookies"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Cookies von diesen Domains akzeptieren"), this));

  auto* tools = new QHBoxLayout;
  const auto makeTool = [&](QToolButton*& button, const char* name, const char* caption,
                            const char* hint) {
    button = new QToolButton(this);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(hint));
    tools->addWidget(button);
  };
  makeTool(AddBtn, "AddBtn", " Hinzufügen  ", "Domain hinzufügen");
  makeTool(EditBtn, "EditBtn", " Ändern ", "Domain ändern");
  makeTool(DeleteBtn, "DeleteBtn", " Löschen ", "Domain löschen");
  tools->addStretch();
  layout->addLayout(tools);

  ListBox = new QListWidget(this);
  ListBox->setObjectName(QStringLiteral("ListBox"));
  ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(ListBox);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  OKBtn->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);

  connect(AddBtn, &QToolButton::clicked, this, &TCookiesAllowedDlg::AddBtnClick);
  connect(EditBtn, &QToolButton::clicked, this, &TCookiesAllowedDlg::EditBtnClick);
  connect(DeleteBtn, &QToolButton::clicked, this, &TCookiesAllowedDlg::DeleteBtnClick);
  connect(ListBox, &QListWidget::itemSelectionChanged, this, &TCookiesAllowedDlg::UpdateButtons);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  FillList(-1);
  resize(360, 300);
}

void TCookiesAllowedDlg::showEvent(QShowEvent* event) {
  UpdateButtons();
  QDialog::showEvent(event);
}

void TCookiesAllowedDlg::AddBtnClick() {
  QString text;
  if (!FAskLine(QStringLiteral("Domain hinzufügen"), QStringLiteral("Domain:"), text))
    return;
  if (AddCookiesAllowedDomain(FDomains, ToStdString(text), FUserInterface)) {
    FillList(ListBox->currentRow());
  }
}

void TCookiesAllowedDlg::EditBtnClick() {
  const int row = ListBox->currentRow();
  if (row < 0 || row >= static_cast<int>(FDomains.size()))
    return;
  QString text = ToQString(FDomains[static_cast<std::size_t>(row)]);
  if (!FAskLine(QStringLiteral("Domain ändern"), QStringLiteral("Domain:"), text))
    return;
  if (ChangeCookiesAllowedDomain(FDomains, static_cast<std::size_t>(row), ToStdString(text)))
    FillList(row);
}

void TCookiesAllowedDlg::DeleteBtnClick() {
  const int row = ListBox->currentRow();
  if (row < 0 || row >= static_cast<int>(FDomains.size()))
    return;
  FDomains.erase(FDomains.begin() + row);
  FillList(-1);
}

void TCookiesAllowedDlg::FillList(int selectedRow) {
  ListBox->clear();
  for (const std::string& domain : FDomains)
    ListBox->addItem(ToQString(domain));
  ListBox->setCurrentRow(selectedRow);
  UpdateButtons();
}

void TCookiesAllowedDlg::UpdateButtons() {
  const bool selected = !ListBox->selectedItems().isEmpty();
  EditBtn->setEnabled(selected);
  DeleteBtn->setEnabled(selected);
}
