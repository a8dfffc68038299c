// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InputDialogs.h"

#include "app/Tools.h"
#include "ui/QtText.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int DialogWidth = 180; // quarter characters
constexpr int LabelLeft = 8;     // quarter characters
constexpr int LabelWidth = 164;  // quarter characters
constexpr int FirstButtonLeft = 38;
constexpr int SecondButtonLeft = 92;
constexpr int ButtonWidth = 50;        // quarter characters
constexpr int ButtonHeight = 14;       // eighth characters
constexpr int ListEditHeight = 89;     // pixels
constexpr int ButtonsBelowEdit = 15;   // pixels
constexpr int DialogBelowButtons = 13; // pixels

// Converts dialog units of the dialog's font into pixels.
class TDialogUnits {
public:
  explicit TDialogUnits(const QWidget& widget) {
    const QFontMetrics metrics(widget.font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    FAverageWidth = metrics.horizontalAdvance(letters) / 52.0;
    FHeight = metrics.height();
  }
  int X(int quarters) const { return static_cast<int>(quarters * FAverageWidth / 4 + 0.5); }
  int Y(int eighths) const { return (eighths * FHeight + 4) / 8; }

private:
  double FAverageWidth = 0;
  int FHeight = 0;
};

QLabel* WrappedLabel(std::string_view text, const TDialogUnits& units, QWidget* parent) {
  auto* label = new QLabel(ToQString(text), parent);
  label->setWordWrap(true);
  label->setFixedWidth(units.X(LabelWidth));
  return label;
}

// Keeps a multi-line edit within maxLength characters, as a Windows memo's limit does.
void LimitLength(QPlainTextEdit* edit, int maxLength) {
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxLength] {
    const QString text = edit->toPlainText();
    if (text.size() <= maxLength)
      return;
    edit->setPlainText(text.left(maxLength));
    edit->moveCursor(QTextCursor::End);
  });
}

// "OK" (default) and "Abbrechen" at their places, and the dialog's fixed size.
void FinishLayout(QDialog& dialog, QVBoxLayout* layout, QPushButton*& okButton,
                  QPushButton*& cancelButton, const TDialogUnits& units) {
  okButton = new QPushButton(QStringLiteral("OK"), &dialog);
  cancelButton = new QPushButton(QStringLiteral("Abbrechen"), &dialog);
  okButton->setObjectName(QStringLiteral("OKBtn"));
  cancelButton->setObjectName(QStringLiteral("CancelBtn"));
  okButton->setDefault(true);
  for (QPushButton* button : {okButton, cancelButton})
    button->setFixedSize(units.X(ButtonWidth), units.Y(ButtonHeight));
  QObject::connect(okButton, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancelButton, &QPushButton::clicked, &dialog, &QDialog::reject);

  layout->addSpacing(ButtonsBelowEdit - layout->spacing());
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(0);
  buttons->addSpacing(units.X(FirstButtonLeft - LabelLeft));
  buttons->addWidget(okButton);
  buttons->addSpacing(units.X(SecondButtonLeft - FirstButtonLeft - ButtonWidth));
  buttons->addWidget(cancelButton);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->setContentsMargins(units.X(LabelLeft), units.Y(8),
                             units.X(DialogWidth - LabelLeft - LabelWidth), DialogBelowButtons);
  dialog.setFixedWidth(units.X(DialogWidth));
  dialog.setFixedHeight(dialog.sizeHint().height());
}

} // namespace

TInputLineAndListDlg::TInputLineAndListDlg(std::string_view caption, std::string_view prompt,
                                           std::string_view listPrompt, std::string_view line,
                                           std::string_view list, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("InputLineAndListDlg"));
  setWindowTitle(ToQString(caption));
  const TDialogUnits units(*this);
  auto* layout = new QVBoxLayout(this);

  layout->addWidget(WrappedLabel(prompt, units, this));
  LineEdit = new QLineEdit(ToQString(line), this);
  LineEdit->setObjectName(QStringLiteral("LineEdit"));
  LineEdit->setMaxLength(MaxLineLength);
  LineEdit->selectAll();
  layout->addWidget(LineEdit);

  layout->addWidget(WrappedLabel(listPrompt, units, this));
  ListEdit = new QPlainTextEdit(WithQtLineBreaks(ToQString(ExceptionListToLines(list))), this);
  ListEdit->setObjectName(QStringLiteral("ListEdit"));
  ListEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  ListEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ListEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ListEdit->setFixedHeight(ListEditHeight);
  LimitLength(ListEdit, MaxListLength);
  layout->addWidget(ListEdit);

  FinishLayout(*this, layout, OKBtn, CancelBtn, units);
  LineEdit->setFocus();
}

std::string TInputLineAndListDlg::Line() const {
  return ToStdString(LineEdit->text());
}

std::string TInputLineAndListDlg::List() const {
  return LinesToExceptionList(ToStdString(ListEdit->toPlainText()));
}

TInputListDlg::TInputListDlg(std::string_view caption, std::string_view prompt,
                             std::string_view text, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("InputListDlg"));
  setWindowTitle(ToQString(caption));
  const TDialogUnits units(*this);
  auto* layout = new QVBoxLayout(this);

  layout->addWidget(WrappedLabel(prompt, units, this));
  TextEdit = new QPlainTextEdit(WithQtLineBreaks(ToQString(text)), this);
  TextEdit->setObjectName(QStringLiteral("TextEdit"));
  TextEdit->setFixedHeight(ListEditHeight);
  LimitLength(TextEdit, MaxTextLength);
  TextEdit->selectAll();
  layout->addWidget(TextEdit);

  FinishLayout(*this, layout, OKBtn, CancelBtn, units);
  TextEdit->setFocus();
}

std::string TInputListDlg::Text() const {
  QString text = TextEdit->toPlainText().trimmed();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToStdString(text);
}
