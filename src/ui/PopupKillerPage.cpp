// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PopupKillerPage.h"

#include "ui/PageHeader.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

TPopupKillerPage::TPopupKillerPage(const QString& caption, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  // The page scrolls rather than making the window larger than the user left it.
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* panel = new QGroupBox(QStringLiteral("  Popup Killer"), this);
  panel->setObjectName(QStringLiteral("PopupKillerPanel"));
  auto* panelLayout = new QVBoxLayout(panel);

  popupkillerChkBox = new QCheckBox(
      QStringLiteral("Popup Killer für Microsoft Internet Explorer 5.01 oder höher aktivieren"),
      panel);
  popupkillerChkBox->setObjectName(QStringLiteral("popupkillerChkBox"));
  panelLayout->addWidget(popupkillerChkBox);

  PKSoundFileLabel = new QLabel(
      QStringLiteral("Sounddatei beim Schließen eines Popup-Fensters abspielen:"), panel);
  panelLayout->addWidget(PKSoundFileLabel);
  auto* soundRow = new QHBoxLayout;
  PKSoundFileName = new QLineEdit(panel);
  PKSoundFileName->setObjectName(QStringLiteral("PKSoundFileName"));
  PKSoundFileBrowseBtn = new QToolButton(panel);
  PKSoundFileBrowseBtn->setObjectName(QStringLiteral("PKSoundFileBrowseBtn"));
  PKSoundFileBrowseBtn->setText(QStringLiteral("..."));
  soundRow->addWidget(PKSoundFileName, 1);
  soundRow->addWidget(PKSoundFileBrowseBtn);
  panelLayout->addLayout(soundRow);

  const auto addButton = [&](QPushButton*& button, const char* name, const char* text) {
    button = new QPushButton(QString::fromUtf8(text), panel);
    button->setObjectName(QString::fromUtf8(name));
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch();
    panelLayout->addLayout(row);
  };
  addButton(AllowedPopupsBtn, "AllowedPopupsBtn", "Popups von diesen Seiten (URLs) erlauben...");
  addButton(BlockedURLsBtn, "BlockedURLsBtn", "Popups von diesen Seiten (URLs) verbieten...");
  addButton(LastBlockedURLsBtn, "LastBlockedURLsBtn", "Die 20 zuletzt blockierten Seiten...");

  auto* noteTitle = new QLabel(QStringLiteral("Hinweis:"), panel);
  QFont bold = noteTitle->font();
  bold.setBold(true);
  noteTitle->setFont(bold);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(noteTitle);
  auto* note = new QLabel(QStringLiteral("Nach Aktivierung/Deaktivierung des Popup Killers müssen "
                                         "alle Browser-Fenster geschlossen werden."),
                          panel);
  note->setWordWrap(true);
  panelLayout->addWidget(note);
  panelLayout->addStretch();
  scroll->setWidget(panel);
  layout->addWidget(scroll, 1);

  connect(popupkillerChkBox, &QCheckBox::toggled, this, &TPopupKillerPage::UpdateEnabled);
  connect(PKSoundFileName, &QLineEdit::textEdited, this, &TPopupKillerPage::PKSoundFileNameChange);
  connect(PKSoundFileBrowseBtn, &QToolButton::clicked, this, &TPopupKillerPage::BrowseSoundFile);
  UpdateEnabled();
}

void TPopupKillerPage::UpdateEnabled() {
  const bool on = popupkillerChkBox->isChecked();
  for (QWidget* control :
       std::initializer_list<QWidget*>{PKSoundFileLabel, PKSoundFileName, PKSoundFileBrowseBtn,
                                       AllowedPopupsBtn, BlockedURLsBtn, LastBlockedURLsBtn})
    control->setEnabled(on);
}

void TPopupKillerPage::BrowseSoundFile() {
  QFileDialog dialog(this, QStringLiteral("Sounddatei zuweisen"),
                     QFileInfo(PKSoundFileName->text()).path(),
                     QStringLiteral("WAV-Dateien (*.wav)"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  PKSoundFileName->setText(dialog.selectedFiles().constFirst());
  Q_EMIT PKSoundFileNameChange(PKSoundFileName->text());
}
