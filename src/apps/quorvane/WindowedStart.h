// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TCommandLine;
class TStopSignals;

// The program with its window; the build chooses WindowedStart.cpp or, without
// Qt Widgets, NoWindowStart.cpp. Both hand their front end to RunProgram.

// Whether this build has a window at all.
bool HasWindow();
// QApplication, TMain and the main window until "Beenden" or a stop signal.
int RunWindowed(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals);
// Renders every page and dialog to PNG files in options.ScreenshotFolder,
// offscreen and on fresh settings of its own; 0 when all were written.
int RunScreenshots(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals);
