// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBox.h"

#include "ui/QtText.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon BoxIcon(TMsgKind kind) {
  switch (MessageBoxIcon(kind)) {
  case TMsgIcon::Exclamation:
    return QMessageBox::Warning;
  case TMsgIcon::Information:
    return QMessageBox::Information;
  case TMsgIcon::Question:
    return QMessageBox::Question;
  case TMsgIcon::Stop:
    return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(int buttons) {
  switch (buttons) {
  case TMsgButtons::AbortRetryIgnore:
    return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
  case TMsgButtons::OKCancel:
    return QMessageBox::Ok | QMessageBox::Cancel;
  case TMsgButtons::RetryCancel:
    return QMessageBox::Retry | QMessageBox::Cancel;
  case TMsgButtons::YesNo:
  case TMsgButtons::YesNoDefaultNo:
    return QMessageBox::Yes | QMessageBox::No;
  case TMsgButtons::YesNoCancel:
    return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  default:
    return QMessageBox::Ok;
  }
}

// Qt's own captions follow the installed translation; the program is German
// whatever the desktop's language.
void SetGermanCaptions(QMessageBox& box) {
  const struct {
    QMessageBox::StandardButton Button;
    const char* Caption;
  } captions[] = {
      {QMessageBox::Ok, "OK"},
      {QMessageBox::Cancel, "Abbrechen"},
      {QMessageBox::Abort, "Abbrechen"},
      {QMessageBox::Retry, "Wiederholen"},
      {QMessageBox::Ignore, "Ignorieren"},
      {QMessageBox::Yes, "Ja"},
      {QMessageBox::No, "Nein"},
  };
  for (const auto& caption : captions) {
    if (QAbstractButton* button = box.button(caption.Button))
      button->setText(QString::fromUtf8(caption.Caption));
  }
}

} // namespace

std::unique_ptr<QMessageBox> CreateMessageBox(std::string_view text, std::string_view caption,
                                              TMsgKind kind, int buttons, QWidget* parent) {
  auto box =
      std::make_unique<QMessageBox>(BoxIcon(kind), ToQString(MessageBoxCaption(caption, kind)),
                                    WithQtLineBreaks(ToQString(text)), BoxButtons(buttons), parent);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  SetGermanCaptions(*box);
  if (buttons == TMsgButtons::YesNoDefaultNo)
    box->setDefaultButton(QMessageBox::No);
  return box;
}

TModalResult MessageBoxResult(const QMessageBox& box) {
  switch (box.standardButton(box.clickedButton())) {
  case QMessageBox::Ok:
    return TModalResult::OK;
  case QMessageBox::Abort:
    return TModalResult::Abort;
  case QMessageBox::Retry:
    return TModalResult::Retry;
  case QMessageBox::Ignore:
    return TModalResult::Ignore;
  case QMessageBox::Yes:
    return TModalResult::Yes;
  case QMessageBox::No:
    return TModalResult::No;
  default:
    return TModalResult::Cancel;
  }
}
