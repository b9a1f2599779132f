#include "ui/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

namespace quarvelin {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  // A hill of six triangles round a summit, lit from the left.
  const QPointF summit(15, 7);
  const QPointF base[] = {{2, 28}, {9, 17}, {22, 15}, {30, 28}, {16, 30}};
  const QColor faces[] = {QColor(0x6b, 0x8e, 0x23), QColor(0x8f, 0xbc, 0x4f), QColor(0x55, 0x6b, 0x2f),
                          QColor(0x7a, 0x9a, 0x3a)};
  painter.setPen(QPen(QColor(0x3b, 0x2f, 0x1a), 1.2));
  for (int i = 0; i < 4; ++i) {
    painter.setBrush(faces[i]);
    painter.drawPolygon(QPolygonF({summit, base[i], base[i + 1]}));
  }
  painter.setBrush(QColor(0x9a, 0xb8, 0x5c));
  painter.drawPolygon(QPolygonF({base[0], base[4], base[1]}));
  painter.drawPolygon(QPolygonF({base[2], base[3], base[4]}));
  return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, kIconSize, 48, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace quarvelin
