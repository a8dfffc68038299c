// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/URLEditDlgUnit.h"

#include "app/UserInterface.h"
#include "privacy/PopupKillerTexts.h"
#include "privacy/PopupKillerURLEdit.h"
#include "ui/CookiesAllowedDlgUnit.h"
#include "ui/QtText.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

std::optional<std::string> ToAnswer(const std::optional<QString>& text) {
  return text ? std::optional<std::string>(ToStdString(*text)) : std::nullopt;
}

} // namespace

TURLEditDlg::TURLEditDlg(const QString& caption, std::vector<std::string> entries,
                         TUserInterface& userInterface, TAskLine askLine, QWidget* parent)
    : QDialog(parent), FEntries(std::move(entries)), FUserInterface(userInterface),
      FAskLine(std::move(askLine)) {
  if (!FAskLine) {
    FAskLine = [this](const QString& title, const QString& prompt,
                      const QString& text) -> std::optional<QString> {
      QString answer = text;
      if (!AskLine(title, prompt, answer, this))
        return std::nullopt;
      return answer;
    };
  }
  setObjectName(QStringLiteral("URLEditDlg"));
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);

  auto* tools = new QHBoxLayout;
  const auto makeTool = [&](QToolButton*& button, const char* name, const char* text,
                            const char* hint) {
    button = new QToolButton(this);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(QString::fromUtf8(text));
    button->setToolTip(QString::fromUtf8(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addWidget(button);
  };
  makeTool(NewUrlBtn, "NewUrlBtn", "  Neu  ", "Neue Url");
  makeTool(EditUrlBtn, "EditUrlBtn", "  Ändern  ", "Url ändern");
  makeTool(DelUrlBtn, "DelUrlBtn", "  Löschen  ", "Url löschen");
  tools->addStretch();
  layout->addLayout(tools);

  URLLB = new QListWidget(this);
  URLLB->setObjectName(QStringLiteral("URLLB"));
  URLLB->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(URLLB);

  ApplyBtn = new QPushButton(QStringLiteral("Übernehmen"), this);
  CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
  ApplyBtn->setObjectName(QStringLiteral("ApplyBtn"));
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  ApplyBtn->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ApplyBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);

  connect(NewUrlBtn, &QToolButton::clicked, this, &TURLEditDlg::NewUrlBtnClick);
  connect(EditUrlBtn, &QToolButton::clicked, this, &TURLEditDlg::EditUrlBtnClick);
  connect(DelUrlBtn, &QToolButton::clicked, this, &TURLEditDlg::DelUrlBtnClick);
  connect(URLLB, &QListWidget::itemSelectionChanged, this, &TURLEditDlg::UpdateButtons);
  connect(ApplyBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  FillList(-1);
  resize(460, 320);
}

void TURLEditDlg::ShowAsKilledPages() {
  FCollecting = true;
  NewUrlBtn->hide();
  DelUrlBtn->hide();
  EditUrlBtn->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  EditUrlBtn->setText(QStringLiteral("Zu erlaubten Seiten hinzufügen"));
  EditUrlBtn->setToolTip(QStringLiteral("Nimmt die Seite in die Liste,\nder erlaubten Seiten auf"));
}

void TURLEditDlg::showEvent(QShowEvent* event) {
  UpdateButtons();
  QDialog::showEvent(event);
}

void TURLEditDlg::ShowRefused() {
  FUserInterface.ShowMessageBox(PopupKillerTexts::EntryExistsOrInvalid, {}, TMsgKind::Error,
                                TMsgButtons::OK);
}

void TURLEditDlg::NewUrlBtnClick() {
  const auto answer = FAskLine(ToQString(PopupKillerTexts::AddURLCaption),
                               ToQString(PopupKillerTexts::URLPrompt), QString());
  if (!URLEditNew(FEntries, ToAnswer(answer))) {
    ShowRefused();
    return;
  }
  FillList(static_cast<int>(FEntries.size()) - 1);
}

void TURLEditDlg::EditUrlBtnClick() {
  const int row = URLLB->currentRow();
  if (row < 0 || row >= static_cast<int>(FEntries.size()))
    return;
  const std::string& entry = FEntries[static_cast<std::size_t>(row)];
  if (FCollecting) {
    FCollected.push_back(entry);
    return;
  }
  const auto answer = FAskLine(ToQString(PopupKillerTexts::EditURLCaption),
                               ToQString(PopupKillerTexts::URLPrompt), ToQString(entry));
  if (!URLEditChange(FEntries, static_cast<std::size_t>(row), ToAnswer(answer))) {
    ShowRefused();
    return;
  }
  FillList(row);
}

void TURLEditDlg::DelUrlBtnClick() {
  const int row = URLLB->currentRow();
  if (row < 0 || row >= static_cast<int>(FEntries.size()))
    return;
  FEntries.erase(FEntries.begin() + row);
  FillList(-1);
}

void TURLEditDlg::FillList(int selectedRow) {
  URLLB->clear();
  for (const std::string& entry : FEntries)
    URLLB->addItem(ToQString(entry));
  URLLB->setCurrentRow(selectedRow);
  UpdateButtons();
}

void TURLEditDlg::UpdateButtons() {
  const bool selected = !URLLB->selectedItems().isEmpty();
  EditUrlBtn->setEnabled(selected);
  DelUrlBtn->setEnabled(selected);
}
