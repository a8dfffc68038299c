// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DownloadManagerPage.h"

#include "app/SettingsValues.h"
#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The ranges of the edits; stored values outside them are brought inside by the spin
// boxes and stored so at the next change.
constexpr int MinInfoWindowSeconds = 1;
constexpr int MaxInfoWindowSeconds = 90;
constexpr int MinBandwidthKbits = 1;
constexpr int MaxBandwidthKbits = 8192;
constexpr int MinPercent = 1;
constexpr int MaxPercent = 100;

QSpinBox* NewSpinBox(const char* name, int minimum, int maximum, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setRange(minimum, maximum);
  box->setKeyboardTracking(false);
  return box;
}

} // namespace

TDownloadManagerPage::TDownloadManagerPage(const QString& caption, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  // The page scrolls rather than making the window larger than the user left it.
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* panel = new QGroupBox(QStringLiteral("  Downloadmanager"), this);
  panel->setObjectName(QStringLiteral("DownloadManagerPanel"));
  auto* panelLayout = new QVBoxLayout(panel);

  const auto newCheckBox = [&](QCheckBox*& box, const char* name, const char* text) {
    box = new QCheckBox(QString::fromUtf8(text), panel);
    box->setObjectName(QString::fromUtf8(name));
    return box;
  };
  panelLayout->addWidget(
      newCheckBox(DMChkBox, "DMChkBox",
                  "Downloadmanager für Microsoft Internet Explorer 5.01 oder höher aktivieren"));

  DMFileExtLabel =
      new QLabel(QStringLiteral("Folgende Dateitypen über den Downloadmanager downloaden:"), panel);
  panelLayout->addWidget(DMFileExtLabel);
  DMFileExtEdit = new QLineEdit(panel);
  DMFileExtEdit->setObjectName(QStringLiteral("DMFileExtEdit"));
  panelLayout->addWidget(DMFileExtEdit);

  panelLayout->addWidget(
      newCheckBox(DMNoQuorvaneCheckBox, "DMNoQuorvaneCheckBox",
                  "Downloads niemals über anonymen Proxy-Server durchführen (empfohlen)"));

  DefaultDMDirectoryLabel = new QLabel(QStringLiteral("Standardordner für neue Downloads:"), panel);
  panelLayout->addWidget(DefaultDMDirectoryLabel);
  auto* folderRow = new QHBoxLayout;
  DefaultDMDirectoryEdit = new QLineEdit(panel);
  DefaultDMDirectoryEdit->setObjectName(QStringLiteral("DefaultDMDirectoryEdit"));
  DefaultDMDirectoryBrowseBtn = new QToolButton(panel);
  DefaultDMDirectoryBrowseBtn->setObjectName(QStringLiteral("DefaultDMDirectoryBrowseBtn"));
  DefaultDMDirectoryBrowseBtn->setText(QStringLiteral("..."));
  folderRow->addWidget(DefaultDMDirectoryEdit, 1);
  folderRow->addWidget(DefaultDMDirectoryBrowseBtn);
  panelLayout->addLayout(folderRow);

  panelLayout->addWidget(newCheckBox(
      DontRequestDMFileNameChkBox, "DontRequestDMFileNameChkBox",
      "Downloads ohne Nachfrage in den Standardordner speichern (außer wenn Datei existiert)"));

  auto* infoRow = new QHBoxLayout;
  infoRow->addWidget(newCheckBox(DMInfoWindowChkBox, "DMInfoWindowChkBox",
                                 "Info-Fenster für neue Downloads zeigen, für"));
  DMInfoWindowTimeEdit =
      NewSpinBox("DMInfoWindowTimeEdit", MinInfoWindowSeconds, MaxInfoWindowSeconds, panel);
  infoRow->addWidget(DMInfoWindowTimeEdit);
  DMInfoWindowSecondsLabel = new QLabel(QStringLiteral("Sekunden"), panel);
  infoRow->addWidget(DMInfoWindowSecondsLabel);
  infoRow->addStretch();
  panelLayout->addLayout(infoRow);

  panelLayout->addWidget(newCheckBox(DMShowMessageOnSuccessChkBox, "DMShowMessageOnSuccessChkBox",
                                     "Meldung zeigen sobald ein Download beendet ist"));
  panelLayout->addWidget(
      newCheckBox(DrosselChkBox, "DrosselChkBox", "Downloads über den Downloadmanager drosseln"));
  auto* throttle = new QGridLayout;
  MaxDownloadBandwithLabel = new QLabel(QStringLiteral("Gesamte Download-Bandbreite:"), panel);
  MaxDownloadBandwithEdit =
      NewSpinBox("MaxDownloadBandwithEdit", MinBandwidthKbits, MaxBandwidthKbits, panel);
  MaxDownloadBandwithUnit = new QLabel(QStringLiteral("Kbit/s"), panel);
  DMPercentLabel = new QLabel(QStringLiteral("Für Downloadmanager:"), panel);
  DMPercent = NewSpinBox("DMPercent", MinPercent, MaxPercent, panel);
  DMPercentUnit = new QLabel(QStringLiteral("%"), panel);
  throttle->addWidget(MaxDownloadBandwithLabel, 0, 0);
  throttle->addWidget(MaxDownloadBandwithEdit, 0, 1);
  throttle->addWidget(MaxDownloadBandwithUnit, 0, 2);
  throttle->addWidget(DMPercentLabel, 1, 0);
  throttle->addWidget(DMPercent, 1, 1);
  throttle->addWidget(DMPercentUnit, 1, 2);
  throttle->setColumnStretch(3, 1);
  throttle->setContentsMargins(24, 0, 0, 0);
  panelLayout->addLayout(throttle);

  auto* noteTitle = new QLabel(QStringLiteral("Hinweis:"), panel);
  QFont bold = noteTitle->font();
  bold.setBold(true);
  noteTitle->setFont(bold);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(noteTitle);
  auto* note = new QLabel(QStringLiteral("Nach Aktivierung/Deaktivierung des Downloadmanagers "
                                         "müssen alle Browser-Fenster geschlossen werden."),
                          panel);
  note->setWordWrap(true);
  panelLayout->addWidget(note);
  panelLayout->addStretch();
  scroll->setWidget(panel);
  layout->addWidget(scroll, 1);

  connect(DMChkBox, &QCheckBox::toggled, this, &TDownloadManagerPage::UpdateEnabled);
  for (QCheckBox* box : {DMNoQuorvaneCheckBox, DontRequestDMFileNameChkBox, DMInfoWindowChkBox,
                         DMShowMessageOnSuccessChkBox, DrosselChkBox}) {
    connect(box, &QCheckBox::toggled, this, [this] {
      UpdateEnabled();
      Q_EMIT SettingsChanged();
    });
  }
  for (QSpinBox* box : {DMInfoWindowTimeEdit, MaxDownloadBandwithEdit, DMPercent})
    connect(box, &QSpinBox::valueChanged, this, &TDownloadManagerPage::SettingsChanged);
  connect(DefaultDMDirectoryEdit, &QLineEdit::editingFinished, this,
          &TDownloadManagerPage::SettingsChanged);
  connect(DefaultDMDirectoryBrowseBtn, &QToolButton::clicked, this,
          &TDownloadManagerPage::BrowseFolder);
  UpdateEnabled();
}

void TDownloadManagerPage::LoadSettings(const TSettingsValues& settings) {
  const QSignalBlocker blocker(this);
  DMNoQuorvaneCheckBox->setChecked(settings.DMNoQuorvane);
  DefaultDMDirectoryEdit->setText(ToQString(settings.DefaultDMDirectory));
  DontRequestDMFileNameChkBox->setChecked(settings.DontRequestDMFileName);
  DMInfoWindowChkBox->setChecked(settings.DMInfoWindow);
  DMInfoWindowTimeEdit->setValue(settings.DMInfoWindowTimeout);
  DMShowMessageOnSuccessChkBox->setChecked(settings.DMShowMessageOnSuccess);
  DrosselChkBox->setChecked(settings.DMDrossel);
  MaxDownloadBandwithEdit->setValue(settings.DMMaxDownload);
  DMPercent->setValue(settings.DMDrosselPercent);
  UpdateEnabled();
}

void TDownloadManagerPage::StoreSettings(TSettingsValues& settings) const {
  settings.DMNoQuorvane = DMNoQuorvaneCheckBox->isChecked();
  settings.DefaultDMDirectory = ToStdString(DefaultDMDirectoryEdit->text());
  settings.DontRequestDMFileName = DontRequestDMFileNameChkBox->isChecked();
  settings.DMInfoWindow = DMInfoWindowChkBox->isChecked();
  settings.DMInfoWindowTimeout = DMInfoWindowTimeEdit->value();
  settings.DMShowMessageOnSuccess = DMShowMessageOnSuccessChkBox->isChecked();
  settings.DMDrossel = DrosselChkBox->isChecked();
  settings.DMMaxDownload = MaxDownloadBandwithEdit->value();
  settings.DMDrosselPercent = DMPercent->value();
}

void TDownloadManagerPage::UpdateEnabled() {
  const bool on = DMChkBox->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{
           DMFileExtLabel, DMFileExtEdit, DMNoQuorvaneCheckBox, DefaultDMDirectoryLabel,
           DefaultDMDirectoryEdit, DefaultDMDirectoryBrowseBtn, DontRequestDMFileNameChkBox,
           DMInfoWindowChkBox, DMShowMessageOnSuccessChkBox, DrosselChkBox})
    control->setEnabled(on);
  const bool info = on && DMInfoWindowChkBox->isChecked();
  DMInfoWindowTimeEdit->setEnabled(info);
  DMInfoWindowSecondsLabel->setEnabled(info);
  const bool throttle = on && DrosselChkBox->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{
           MaxDownloadBandwithLabel, MaxDownloadBandwithEdit, MaxDownloadBandwithUnit,
           DMPercentLabel, DMPercent, DMPercentUnit})
    control->setEnabled(throttle);
}

void TDownloadManagerPage::BrowseFolder() {
  const QString folder = QFileDialog::getExistingDirectory(
      this, QStringLiteral("Standardordner für neue Downloads"), DefaultDMDirectoryEdit->text());
  if (folder.isEmpty())
    return;
  DefaultDMDirectoryEdit->setText(folder);
  Q_EMIT SettingsChanged();
}
