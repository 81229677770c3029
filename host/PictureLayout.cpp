#include "host/PictureLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using Ring = std::vector<PicturePoint>;

constexpr double kLinePen = 1.2;
constexpr double kBandPen = 5;
constexpr double kMarkerPen = 2;
constexpr double kSolidOpacity = 0.5;
constexpr double kNewPointRadius = 2.5;
constexpr double kDrawingPointRadius = 2;
constexpr double kMarkerUnit = 5;  // pixels from centre to tip at scale 1
constexpr double kMarkerMin = 2;
constexpr double kMarkerMax = 30;

PictureItem StrokeItem(PictureRgb color, double width, std::vector<Ring> rings, bool closed) {
  PictureItem item;
  item.kind = PictureItem::Kind::Stroke;
  item.color = color;
  item.width = width;
  item.closed = closed;
  item.rings = std::move(rings);
  return item;
}

PictureItem RoundItem(PictureItem::Kind kind, PictureRgb color, PicturePoint centre, double radius,
                      double width = 0) {
  PictureItem item;
  item.kind = kind;
  item.color = color;
  item.centre = centre;
  item.radius = radius;
  item.width = width;
  return item;
}

PicturePoint Offset(PicturePoint p, double dx, double dy) { return {p.x + dx, p.y + dy}; }

// The items of a marker of kind at pixel p, h pixels from centre to tip.
std::vector<PictureItem> MarkerItems(PicturePoint p, int kind, double scale, PictureRgb color) {
  double h = kMarkerUnit * std::abs(scale);
  if (!std::isfinite(h)) h = kMarkerUnit;
  h = std::clamp(h, kMarkerMin, kMarkerMax);
  const auto line = [&](double dx, double dy) {
    return Ring{Offset(p, -dx, -dy), Offset(p, dx, dy)};
  };
  const double c30 = std::sqrt(3.0) / 2;
  switch (kind) {
    case -1:  // ＊: three strokes through the centre, six arms
      return {StrokeItem(color, kMarkerPen,
                         {line(0, h), line(h * c30, h / 2), line(h * c30, -h / 2)}, false)};
    case -2:  // ○
      return {RoundItem(PictureItem::Kind::Circle, color, p, h, kMarkerPen)};
    case -3:  // ・
      return {RoundItem(PictureItem::Kind::Disc, color, p, std::max(1.5, h * 0.45))};
    case -4:  // ＋
      return {StrokeItem(color, kMarkerPen, {line(h, 0), line(0, h)}, false)};
    case -5:  // □
      return {StrokeItem(color, kMarkerPen,
                         {{Offset(p, -h, -h), Offset(p, h, -h), Offset(p, h, h), Offset(p, -h, h)}},
                         true)};
    case -6:  // △, apex up (pixels run down)
      return {StrokeItem(
          color, kMarkerPen,
          {{Offset(p, 0, -h), Offset(p, h * c30, h / 2), Offset(p, -h * c30, h / 2)}}, true)};
    case -7:  // ×
      return {StrokeItem(color, kMarkerPen, {line(h * 0.75, h * 0.75), line(h * 0.75, -h * 0.75)},
                         false)};
    default:
      return {RoundItem(PictureItem::Kind::Disc, color, p, kNewPointRadius)};
  }
}

std::vector<PictureItem> ShapeItems(const PictureShape& shape, const PictureFrame& frame,
                                    PicturePoint at) {
  const PictureRgb color = HostColorRgb(shape.color);
  std::vector<Ring> rings;
  for (const Ring& ring : shape.rings) {
    Ring pixels;
    pixels.reserve(ring.size());
    for (const PicturePoint& p : ring) pixels.push_back(frame.ToPixel(p));
    rings.push_back(std::move(pixels));
  }
  switch (shape.kind) {
    case PictureShape::Kind::Path:
      return {StrokeItem(color, kLinePen, std::move(rings), shape.closed)};
    case PictureShape::Kind::Band: {
      PictureItem item = StrokeItem(color, kBandPen, std::move(rings), shape.closed);
      item.opacity = kSolidOpacity;
      return {item};
    }
    case PictureShape::Kind::Fill: {
      PictureItem item;
      item.kind = PictureItem::Kind::Fill;
      item.color = color;
      item.opacity = kSolidOpacity;
      item.rings = std::move(rings);
      return {item};
    }
    case PictureShape::Kind::Point:
      return {RoundItem(
          PictureItem::Kind::Disc, color, at,
          shape.source == PictureShape::Source::Answer ? kNewPointRadius : kDrawingPointRadius)};
    case PictureShape::Kind::Marker:
      return MarkerItems(at, shape.markerKind, shape.markerScale, color);
  }
  return {};
}

}  // namespace

PictureRgb HostColorRgb(int color) {
  static constexpr std::array<PictureRgb, 9> kTable = {{
      {216, 27, 96},   // 1 crimson
      {33, 33, 33},    // 2 near black
      {46, 125, 50},   // 3 green
      {21, 101, 192},  // 4 blue
      {239, 160, 0},   // 5 amber
      {142, 36, 170},  // 6 purple
      {0, 131, 143},   // 7 teal
      {109, 76, 65},   // 8 brown
      {84, 110, 122},  // 9 blue grey
  }};
  if (color >= 1 && color <= 9) return kTable[static_cast<size_t>(color - 1)];
  return {158, 158, 158};
}

PictureBounds SceneBounds(const PictureScene& scene) {
  PictureBounds bounds;
  const auto take = [&](const PicturePoint& p) {
    if (bounds.empty) {
      bounds = {false, p.x, p.y, p.x, p.y};
      return;
    }
    bounds.minX = std::min(bounds.minX, p.x);
    bounds.minY = std::min(bounds.minY, p.y);
    bounds.maxX = std::max(bounds.maxX, p.x);
    bounds.maxY = std::max(bounds.maxY, p.y);
  };
  for (const PictureShape& shape : scene.shapes) {
    if (shape.kind == PictureShape::Kind::Point || shape.kind == PictureShape::Kind::Marker) {
      take(shape.at);
      continue;
    }
    for (const Ring& ring : shape.rings) {
      for (const PicturePoint& p : ring) take(p);
    }
  }
  return bounds;
}

PictureFrame FitFrame(const PictureBounds& bounds, const PictureSize& size) {
  const double left = size.margin;
  const double top = size.margin;
  const double areaW = std::max(1.0, static_cast<double>(size.width - 2 * size.margin));
  const double areaH =
      std::max(1.0, static_cast<double>(size.height - 2 * size.margin - size.legendBand));
  PictureFrame frame;
  double midX = 0;
  double midY = 0;
  if (!bounds.empty) {
    // Halves first: the sum of two huge coordinates would overflow.
    midX = bounds.minX / 2 + bounds.maxX / 2;
    midY = bounds.minY / 2 + bounds.maxY / 2;
    // Half extents, for the same reason: they never overflow.
    const double w = bounds.maxX / 2 - bounds.minX / 2;
    const double h = bounds.maxY / 2 - bounds.minY / 2;
    if (w > 0 && h > 0) {
      frame.scale = std::min(areaW / 2 / w, areaH / 2 / h);
    } else if (w > 0) {
      frame.scale = areaW / 2 / w;
    } else if (h > 0) {
      frame.scale = areaH / 2 / h;
    }
    if (!std::isfinite(frame.scale) || !(frame.scale > 0)) frame.scale = 1;
    if (!std::isfinite(midX) || !std::isfinite(midY)) midX = midY = 0;
  }
  frame.offsetX = left + areaW / 2 - midX * frame.scale;
  frame.offsetY = top + areaH / 2 + midY * frame.scale;
  return frame;
}

PictureLayout LayOutPicture(const PictureScene& scene, const PictureSize& size) {
  PictureLayout layout;
  layout.size = size;
  layout.frame = FitFrame(SceneBounds(scene), size);
  layout.figures.reserve(scene.shapes.size());
  const PictureShape* firstNew = nullptr;
  for (const PictureShape& shape : scene.shapes) {
    PictureFigure figure;
    figure.shape = shape.kind;
    figure.source = shape.source;
    figure.at = layout.frame.ToPixel(shape.at);
    figure.items = ShapeItems(shape, layout.frame, figure.at);
    layout.figures.push_back(std::move(figure));
    if (!firstNew && shape.source == PictureShape::Source::Answer) firstNew = &shape;
  }
  layout.legend = scene.legend;
  const double base = size.height - std::max(8, (size.margin + size.legendBand) / 3);
  layout.legendAt = {size.margin + 18.0, base};
  if (firstNew) {
    PictureShape swatch = *firstNew;
    // The swatch keeps the marker's shape at its plain size.
    swatch.markerScale = 1;
    layout.legendSwatch =
        ShapeItems(swatch, layout.frame, {size.margin + 6.0, base - layout.legendPixels * 0.35});
  }
  return layout;
}
