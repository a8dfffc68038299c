// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

// Each page of the main window opens with its caption, set larger and bold.
inline QLabel* CreatePageHeader(const QString& caption, QWidget* parent) {
  auto* header = new QLabel(caption, parent);
  header->setObjectName(QStringLiteral("PageHeader"));
  QFont font = header->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  header->setFont(font);
  return header;
}
