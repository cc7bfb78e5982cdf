#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace veltrix {

QPixmap ProgramPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 96, 128));
  p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

  // Radio waves above a "V".
  QPen wave(QColor(255, 255, 255), s * 0.07, Qt::SolidLine, Qt::RoundCap);
  p.setPen(wave);
  p.setBrush(Qt::NoBrush);
  const QPointF centre(s * 0.5, s * 0.62);
  for (int i = 1; i <= 3; ++i) {
    const qreal r = s * 0.12 * i;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
  }
  QPainterPath v;
  v.moveTo(s * 0.3, s * 0.58);
  v.lineTo(s * 0.5, s * 0.88);
  v.lineTo(s * 0.7, s * 0.58);
  p.setPen(QPen(QColor(255, 210, 0), s * 0.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(v);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64}) icon.addPixmap(ProgramPixmap(size));
  return icon;
}

} // namespace veltrix
