#include "host/PictureImage.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QString>
#include <algorithm>

namespace {

QColor ToQColor(PictureRgb color, double opacity) {
  QColor qcolor(color.r, color.g, color.b);
  qcolor.setAlphaF(static_cast<float>(opacity));
  return qcolor;
}

QPainterPath RingsPath(const PictureItem& item, bool close) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const std::vector<PicturePoint>& ring : item.rings) {
    if (ring.empty()) continue;
    path.moveTo(ring.front().x, ring.front().y);
    for (size_t i = 1; i < ring.size(); ++i) path.lineTo(ring[i].x, ring[i].y);
    if (close) path.closeSubpath();
  }
  return path;
}

void PaintItem(QPainter& painter, const PictureItem& item) {
  const QColor color = ToQColor(item.color, item.opacity);
  switch (item.kind) {
    case PictureItem::Kind::Stroke:
      painter.strokePath(RingsPath(item, item.closed),
                         QPen(color, item.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      break;
    case PictureItem::Kind::Fill:
      painter.fillPath(RingsPath(item, true), color);
      break;
    case PictureItem::Kind::Disc:
      painter.setPen(Qt::NoPen);
      painter.setBrush(color);
      painter.drawEllipse(QPointF(item.centre.x, item.centre.y), item.radius, item.radius);
      break;
    case PictureItem::Kind::Circle:
      painter.setPen(QPen(color, item.width));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(QPointF(item.centre.x, item.centre.y), item.radius, item.radius);
      break;
  }
}

}  // namespace

QImage PaintPicture(const PictureLayout& layout) {
  QImage image(layout.size.width, layout.size.height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const PictureFigure& figure : layout.figures) {
    for (const PictureItem& item : figure.items) PaintItem(painter, item);
  }
  for (const PictureItem& item : layout.legendSwatch) PaintItem(painter, item);
  QFont font;
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(static_cast<int>(layout.legendPixels));
  painter.setFont(font);
  painter.setPen(QColor(0x30, 0x30, 0x30));
  // A legend of many groups ends in "…" at the right margin.
  const int room = layout.size.width - layout.size.margin - static_cast<int>(layout.legendAt.x);
  painter.drawText(QPointF(layout.legendAt.x, layout.legendAt.y),
                   painter.fontMetrics().elidedText(QString::fromStdString(layout.legend),
                                                    Qt::ElideRight, std::max(room, 0)));
  painter.end();
  return image;
}
