// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowPlacement.h"

#include <vector>

class QWidget;

// The usable area of every screen, in desktop coordinates.
std::vector<TScreenArea> ScreenAreas();
// The window's placement as it stands, taken as a normal one (ShowCmdNormal).
TWindowPlacement CapturePlacement(const QWidget& window);
// Moves and resizes the window, and maximizes it for ShowCmdMaximized, unless the
// placement would leave it off every screen; returns whether it was placed.
bool ApplyPlacement(QWidget& window, const TWindowPlacement& placement);
