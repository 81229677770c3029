#include "app/qt/ProgramIcon.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(QPen(QColor(40, 40, 40), unit));
    painter.drawRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit));
    painter.setPen(QPen(QColor(0, 90, 200), 1.5 * unit));
    painter.drawLine(QPointF(3.5 * unit, 12.5 * unit), QPointF(12.5 * unit, 3.5 * unit));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(QPointF(3.5 * unit, 12.5 * unit), 2.2 * unit, 2.2 * unit);
    painter.drawEllipse(QPointF(12.5 * unit, 3.5 * unit), 2.2 * unit, 2.2 * unit);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}
