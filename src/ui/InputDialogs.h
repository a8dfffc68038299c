// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The two text-entry dialogs of the list editors. Both are laid out in dialog
// units (a quarter of the average letter width across, an eighth of the letter
// height down) so that they keep their proportions with any font.

// A one-line edit (at most 255 characters, preselected) over a multi-line list
// edit (both scroll bars, at most 32767 characters).
class TInputLineAndListDlg : public QDialog {
  Q_OBJECT
public:
  static constexpr int MaxLineLength = 255;
  static constexpr int MaxListLength = 32767;

  // list: "&&!"-joined entries, shown one a line.
  TInputLineAndListDlg(std::string_view caption, std::string_view prompt,
                       std::string_view listPrompt, std::string_view line, std::string_view list,
                       QWidget* parent = nullptr);

  std::string Line() const;
  // The non-empty lines, blanks removed, joined by "&&!".
  std::string List() const;

  QLineEdit* LineEdit;
  QPlainTextEdit* ListEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};

// A multi-line edit (at most 65535 characters, preselected).
class TInputListDlg : public QDialog {
  Q_OBJECT
public:
  static constexpr int MaxTextLength = 65535;

  TInputListDlg(std::string_view caption, std::string_view prompt, std::string_view text,
                QWidget* parent = nullptr);

  // The edit's text trimmed, its lines separated by "\r\n" as the callers' line
  // splitting expects.
  std::string Text() const;

  QPlainTextEdit* TextEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
