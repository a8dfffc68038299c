// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class TMainWindow;
class TMain;

// Renders every page of the attached main window (each tab of "Einstellungen"
// separately), its two menus and every dialog of the window to PNG files in folder,
// which must exist. Returns the file names written; throws std::runtime_error when
// a file cannot be written.
QStringList WriteScreenshots(TMainWindow& window, TMain& main, const QString& folder);
