// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's icon as SVG and as PNG files of the sizes a desktop theme
// asks for, from one drawing, so that every size shows the same picture.
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

// Drawn on a 256 x 256 canvas: a rounded square, a shield, and a lens over it.
constexpr int Canvas = 256;
const QColor Ground(0x1f, 0x5f, 0xa8);
const QColor Shield(0xff, 0xff, 0xff);
constexpr double LensX = 128, LensY = 122, LensRadius = 40, LensStroke = 18;
constexpr double HandleX1 = 156, HandleY1 = 150, HandleX2 = 180, HandleY2 = 174;

const char* const Svg = R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect x="8" y="8" width="240" height="240" rx="48" fill="#1f5fa8"/>
  <path d="M128 36 L212 68 L212 124 C212 176 176 208 128 224 C80 208 44 176 44 124 L44 68 Z" fill="#ffffff"/>
  <circle cx="128" cy="122" r="40" fill="none" stroke="#1f5fa8" stroke-width="18"/>
  <line x1="156" y1="150" x2="180" y2="174" stroke="#1f5fa8" stroke-width="18" stroke-linecap="round"/>
</svg>
)";

QPainterPath ShieldPath() {
  QPainterPath path;
  path.moveTo(128, 36);
  path.lineTo(212, 68);
  path.lineTo(212, 124);
  path.cubicTo(212, 176, 176, 208, 128, 224);
  path.cubicTo(80, 208, 44, 176, 44, 124);
  path.lineTo(44, 68);
  path.closeSubpath();
  return path;
}

QImage Render(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(static_cast<double>(size) / Canvas, static_cast<double>(size) / Canvas);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Ground);
  painter.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
  painter.setBrush(Shield);
  painter.drawPath(ShieldPath());
  QPen lens(Ground, LensStroke, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(lens);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(LensX, LensY), LensRadius, LensRadius);
  painter.drawLine(QPointF(HandleX1, HandleY1), QPointF(HandleX2, HandleY2));
  return image;
}

} // namespace

// RenderIcon FOLDER SIZE...: FOLDER/quorvane.svg and FOLDER/SIZExSIZE/quorvane.png.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc < 2) {
    std::fputs("usage: RenderIcon FOLDER SIZE...\n", stderr);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QFile svg(folder + QStringLiteral("/quorvane.svg"));
  if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(Svg) < 0) {
    std::fprintf(stderr, "RenderIcon: cannot write %s\n", qPrintable(svg.fileName()));
    return 1;
  }
  svg.close();
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLocal8Bit(argv[i]).toInt();
    const QString file = folder + QStringLiteral("/%1x%1.png").arg(size);
    if (size <= 0 || !Render(size).save(file, "PNG")) {
      std::fprintf(stderr, "RenderIcon: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
