// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

std::vector<TScreenArea> ScreenAreas() {
  std::vector<TScreenArea> areas;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    areas.push_back({area.left(), area.top(), area.width(), area.height()});
  }
  return areas;
}

TWindowPlacement CapturePlacement(const QWidget& window) {
  TWindowPlacement placement;
  placement.ShowCmd = ShowCmdNormal;
  // pos() is the frame's corner, size() the inside: what move() and resize() take.
  placement.Left = window.x();
  placement.Top = window.y();
  placement.Width = window.width();
  placement.Height = window.height();
  placement.Monitor = MonitorOf(placement, ScreenAreas());
  return placement;
}

bool ApplyPlacement(QWidget& window, const TWindowPlacement& placement) {
  if (!IsOnScreen(placement, ScreenAreas()))
    return false;
  window.move(placement.Left, placement.Top);
  window.resize(placement.Width, placement.Height);
  if (placement.ShowCmd == ShowCmdMaximized)
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
  return true;
}
