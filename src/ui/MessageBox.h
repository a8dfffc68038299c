// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WMsgBox.h"

#include <memory>
#include <string_view>

class QAbstractButton;
class QMessageBox;
class QWidget;

// The program's one message box, built but not shown: title from the kind when the
// caption is empty, the kind's icon, one button set with German captions, and kept
// in front of other windows.
std::unique_ptr<QMessageBox> CreateMessageBox(std::string_view text, std::string_view caption,
                                              TMsgKind kind, int buttons, QWidget* parent);

// The result of a closed box: the button pressed, or Cancel when it was closed
// without one.
TModalResult MessageBoxResult(const QMessageBox& box);
