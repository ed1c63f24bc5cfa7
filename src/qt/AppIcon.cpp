#include "qt/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pw {

namespace {

// A handheld radio with its antenna and a tuning bar: the bench's subject.
QPixmap DrawIcon(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // Background tile.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x4e, 0x79));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

  // Antenna.
  p.setBrush(QColor(0xe8, 0xe8, 0xe8));
  p.drawRoundedRect(QRectF(38, 6, 5, 18), 2, 2);

  // Body.
  p.setBrush(QColor(0xf2, 0xa9, 0x00));
  p.drawRoundedRect(QRectF(18, 20, 28, 38), 5, 5);

  // Display with an adjustment bar.
  p.setBrush(QColor(0x10, 0x20, 0x10));
  p.drawRect(QRectF(22, 25, 20, 11));
  p.setBrush(QColor(0x6c, 0xe0, 0x6c));
  p.drawRect(QRectF(24, 29, 11, 3));

  // Keys.
  p.setBrush(QColor(0x40, 0x40, 0x40));
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      p.drawEllipse(QRectF(23 + col * 7, 40 + row * 6, 4, 4));
    }
  }
  return pm;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace pw
