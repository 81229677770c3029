#include "host/Picture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"

namespace {

using Ring = std::vector<PicturePoint>;

constexpr double kTwoPi = 2 * static_cast<double>(kPi);
// One sample per degree keeps the chord within 0.04 pixels of a circle that
// fills a picture of 1200 pixels. A drawing of many curves shares a budget of
// samples instead, down to 16 a turn, so that its picture stays in memory.
constexpr int kFullTurnSteps = 360;
constexpr int kLeastTurnSteps = 16;
constexpr int64_t kCurveSampleBudget = 4'000'000;
// A ring of this span or less, or this close to a full turn, is closed (the
// same tolerance as the end-point walk).
constexpr double kRingSpanTolerance = 1e-12;
constexpr double kArcSpanToleranceDeg = 1e-8;

constexpr double kLinePen = 1.2;
constexpr double kBandPen = 5;
constexpr double kMarkerPen = 2;
constexpr double kSolidOpacity = 0.5;
constexpr double kNewPointRadius = 2.5;
constexpr double kDrawingPointRadius = 2;
constexpr double kMarkerUnit = 5;  // pixels from centre to tip at scale 1
constexpr double kMarkerMin = 2;
constexpr double kMarkerMax = 30;

bool Finite(const Ring& ring) {
  return std::all_of(ring.begin(), ring.end(), [](const PicturePoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
  });
}

// Samples along a span (radians) at turnSteps a full turn: at least 4, at
// most two turns' worth.
int Steps(double span, int turnSteps) {
  const double steps = std::ceil(std::abs(span) / kTwoPi * turnSteps);
  return steps < 4 ? 4 : steps > 2 * turnSteps ? 2 * turnSteps : static_cast<int>(steps);
}

// Points of the ellipse from parameter angle start through span (radians),
// both ends included, by the tool's own EllipsePoint.
Ring EllipseArc(double cx, double cy, double r, double k, double tilt, double start, double span,
                int turnSteps) {
  Ring ring;
  if (!std::isfinite(start) || !std::isfinite(span)) return ring;
  const int steps = Steps(span, turnSteps);
  ring.reserve(static_cast<size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) {
    PicturePoint p;
    EllipsePoint(cx, cy, r, k, tilt, start + span * i / steps, p.x, p.y);
    ring.push_back(p);
  }
  return ring;
}

// The full ellipse as a closed ring (the first point is not repeated).
Ring FullEllipse(double cx, double cy, double r, double k, double tilt, double start,
                 int turnSteps) {
  Ring ring = EllipseArc(cx, cy, r, k, tilt, start, kTwoPi, turnSteps);
  if (!ring.empty()) ring.pop_back();
  return ring;
}

// An arc or elliptical arc of the arc table: angles and tilt in degrees, the
// extent EndAng - StartAng brought into [0, 360); an arc of no extent or a
// full turn is the closed ellipse.
PictureShape ArcShape(const TJwwEntArc& arc, int turnSteps) {
  PictureShape shape;
  shape.color = arc.Head.Lc;
  double span = arc.EndAng - arc.StartAng;
  if (!std::isfinite(span)) return shape;
  span = std::fmod(span, 360.0);
  if (span < 0) span += 360;
  if (std::abs(span) <= kArcSpanToleranceDeg || std::abs(span - 360) <= kArcSpanToleranceDeg) {
    shape.closed = true;
    shape.rings.push_back(Ring());
    const int steps = turnSteps;
    for (int i = 0; i < steps; ++i) {
      PicturePoint p;
      EllipsePointDeg(arc.Cx, arc.Cy, arc.R, arc.Flat, arc.Tilt, arc.StartAng + 360.0 * i / steps,
                      p.x, p.y);
      shape.rings.back().push_back(p);
    }
    return shape;
  }
  const int steps = Steps(span / 180 * static_cast<double>(kPi), turnSteps);
  Ring ring;
  for (int i = 0; i <= steps; ++i) {
    // The last point at EndAng itself, where the tool puts the arc's end.
    const double angle = i == steps ? arc.EndAng : arc.StartAng + span * i / steps;
    PicturePoint p;
    EllipsePointDeg(arc.Cx, arc.Cy, arc.R, arc.Flat, arc.Tilt, angle, p.x, p.y);
    ring.push_back(p);
  }
  shape.rings.push_back(std::move(ring));
  return shape;
}

// A span beyond a full turn draws the full turn.
double LimitSpan(double span) { return std::clamp(span, -kTwoPi, kTwoPi); }

// Circle solid ("sc"): fill mode 0 the sector to the centre, -1 the region
// between the arc and the tangents at its ends, 100 the whole ellipse, any
// other value the segment between the arc and its chord.
PictureShape CircleSolidShape(const TJwwEntSolidCircle& s, int turnSteps) {
  PictureShape shape;
  shape.kind = PictureShape::Kind::Fill;
  shape.color = s.Head.Lc;
  if (s.FillMode == 100) {
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, turnSteps));
    return shape;
  }
  Ring ring = EllipseArc(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, LimitSpan(s.Span), turnSteps);
  if (s.FillMode == 0) {
    ring.push_back({s.Cx, s.Cy});
  } else if (s.FillMode == -1) {
    PicturePoint crossing;
    EndTangentCrossing(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, s.Span, crossing.x, crossing.y);
    ring.push_back(crossing);
  }
  shape.rings.push_back(std::move(ring));
  return shape;
}

// Circumference solid ("se"): the arc drawn as a thick band; fill mode 100
// the whole ellipse.
PictureShape CircumSolidShape(const TJwwEntSolidCircum& s, int turnSteps) {
  PictureShape shape;
  shape.kind = PictureShape::Kind::Band;
  shape.color = s.Head.Lc;
  if (s.FillMode == 100) {
    shape.closed = true;
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, turnSteps));
  } else {
    shape.rings.push_back(
        EllipseArc(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, LimitSpan(s.Span), turnSteps));
  }
  return shape;
}

// Annulus solids ("so", "sg"): the band between the outer ellipse arc and the
// inner one of radius R2; a closed ring is the whole band. The inner ellipse
// of "sg" has the flattening that keeps the band equally wide; with R2 0 it
// shrinks to the centre.
PictureShape RingSolidShape(const TJwwEntSolidRing& s, bool equalWidth, int turnSteps) {
  PictureShape shape;
  shape.kind = PictureShape::Kind::Fill;
  shape.color = s.Head.Lc;
  double innerFlat = s.Flat;
  if (equalWidth) {
    innerFlat = s.R2 == 0 ? 1 : InnerFlattening(s.R, s.R2, s.Flat);
    if (!std::isfinite(innerFlat)) innerFlat = 1;
  }
  const double span = std::abs(s.Span);
  if (span <= kRingSpanTolerance || span >= kTwoPi - kRingSpanTolerance) {
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, turnSteps));
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R2, innerFlat, s.Tilt, s.StartAng, turnSteps));
    return shape;
  }
  Ring ring = EllipseArc(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, s.Span, turnSteps);
  Ring inner = EllipseArc(s.Cx, s.Cy, s.R2, innerFlat, s.Tilt, s.StartAng, s.Span, turnSteps);
  ring.insert(ring.end(), inner.rbegin(), inner.rend());
  shape.rings.push_back(std::move(ring));
  return shape;
}

PictureShape PathShape(int color, Ring ring, bool closed = false) {
  PictureShape shape;
  shape.color = color;
  shape.closed = closed;
  shape.rings.push_back(std::move(ring));
  return shape;
}

PictureShape FillShape(int color, Ring ring) {
  PictureShape shape = PathShape(color, std::move(ring));
  shape.kind = PictureShape::Kind::Fill;
  return shape;
}

PictureShape PointShape(PictureShape::Source source, int color, PicturePoint at) {
  PictureShape shape;
  shape.kind = PictureShape::Kind::Point;
  shape.source = source;
  shape.color = color;
  shape.at = at;
  return shape;
}

PictureShape MarkerShape(PictureShape::Source source, int color, PicturePoint at, int kind,
                         double scale) {
  PictureShape shape = PointShape(source, color, at);
  shape.kind = PictureShape::Kind::Marker;
  shape.markerKind = kind;
  shape.markerScale = scale;
  return shape;
}

// The shape of entry index of table kind (the order table's pair), curves
// sampled turnSteps a full turn; nothing for texts and block references.
std::optional<PictureShape> EntityShape(int32_t kind, int32_t index, int turnSteps) {
  using Kind = PictureShape::Kind;
  switch (kind) {
    case 1: {
      const TJwwEntLine& e = JwwLine[index];
      return PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
    }
    case 2: {
      const TJwwEntCircle& e = JwwCircle[index];
      return PathShape(e.Head.Lc, FullEllipse(e.Cx, e.Cy, e.R, 1, 0, 0, turnSteps), true);
    }
    case 3:
      return ArcShape(JwwArc[index], turnSteps);
    case 7: {
      const TJwwEntLine& e = JwwDim[index].DimLine;
      return PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
    }
    case 9: {
      const TJwwEntSolidLine& e = JwwSolidLine[index];
      PictureShape shape = PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
      shape.kind = Kind::Band;
      return shape;
    }
    case 10: {
      const TJwwEntSolidTri& e = JwwSolidTri[index];
      return FillShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}});
    }
    case 11: {
      const TJwwEntSolidQuad& e = JwwSolidQuad[index];
      return FillShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}});
    }
    case 12:
      return CircleSolidShape(JwwSolidCircle[index], turnSteps);
    case 13:
      return CircumSolidShape(JwwSolidCircum[index], turnSteps);
    case 14:
      return RingSolidShape(JwwSolidRing[index], false, turnSteps);
    case 15:
      return RingSolidShape(JwwSolidRingW[index], true, turnSteps);
    default:
      return std::nullopt;
  }
}

bool ShapeIsFinite(const PictureShape& shape) {
  if (shape.kind == PictureShape::Kind::Point || shape.kind == PictureShape::Kind::Marker) {
    return std::isfinite(shape.at.x) && std::isfinite(shape.at.y);
  }
  return std::all_of(shape.rings.begin(), shape.rings.end(), Finite);
}

// ---- The answer's points and the legend ----------------------------------------

std::optional<double> ToolReal(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string LayerName(std::optional<int> value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return value ? std::string(1, kHex[*value & 15]) : std::string("(current)");
}

std::string ColorName(std::optional<int> value) {
  if (!value) return "(current)";
  std::string text = std::to_string(*value);
  if (*value >= 101 && *value <= 356) text += " (SXF-" + std::to_string(*value - 100) + ")";
  return text;
}

std::string MarkerName(int kind) {
  static constexpr const char* kShapes[] = {"＊", "○", "・", "＋", "□", "△", "×"};
  if (kind >= -7 && kind <= -1) return kShapes[-kind - 1];
  return "dot";
}

// ---- Pixels ------------------------------------------------------------------------

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

// ---- SVG --------------------------------------------------------------------------

std::string Number(double value) {
  if (!std::isfinite(value)) value = 0;
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  std::string out(text, result.ptr);
  // "12.50" -> "12.5", "3.00" -> "3", and never "-0".
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out == "-0" ? "0" : out;
}

std::string Hex(PictureRgb color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
  return text;
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PointList(const Ring& ring) {
  std::string text;
  for (const PicturePoint& p : ring) {
    if (!text.empty()) text += ' ';
    text += Number(p.x) + ',' + Number(p.y);
  }
  return text;
}

std::string PaintAttributes(const PictureItem& item) {
  std::string text;
  const std::string color = Hex(item.color);
  const bool pen = item.kind == PictureItem::Kind::Stroke || item.kind == PictureItem::Kind::Circle;
  if (pen) {
    text = " fill=\"none\" stroke=\"" + color + "\" stroke-width=\"" + Number(item.width) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    if (item.opacity < 1) text += " stroke-opacity=\"" + Number(item.opacity) + "\"";
  } else {
    text = " fill=\"" + color + "\"";
    if (item.opacity < 1) text += " fill-opacity=\"" + Number(item.opacity) + "\"";
  }
  return text;
}

void WriteItem(std::string& svg, const PictureItem& item) {
  const std::string paint = PaintAttributes(item);
  switch (item.kind) {
    case PictureItem::Kind::Stroke:
      for (const Ring& ring : item.rings) {
        svg += std::string(item.closed ? "<polygon" : "<polyline") + " points=\"" +
               PointList(ring) + "\"" + paint + "/>\n";
      }
      break;
    case PictureItem::Kind::Fill: {
      std::string path;
      for (const Ring& ring : item.rings) {
        for (size_t i = 0; i < ring.size(); ++i) {
          path += (i == 0 ? (path.empty() ? "M" : " M") : " L") + Number(ring[i].x) + ' ' +
                  Number(ring[i].y);
        }
        if (!ring.empty()) path += " Z";
      }
      svg += "<path d=\"" + path + "\" fill-rule=\"evenodd\"" + paint + "/>\n";
      break;
    }
    case PictureItem::Kind::Disc:
    case PictureItem::Kind::Circle:
      svg += "<circle cx=\"" + Number(item.centre.x) + "\" cy=\"" + Number(item.centre.y) +
             "\" r=\"" + Number(item.radius) + "\"" + paint + "/>\n";
      break;
  }
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

PictureScene SceneFromExchange() {
  PictureScene scene;
  // Rings count twice: two edges.
  const int64_t curves = int64_t{JwwCircleCount} + JwwArcCount + JwwSolidCircleCount +
                         JwwSolidCircumCount +
                         2 * (int64_t{JwwSolidRingCount} + JwwSolidRingWCount);
  const int turnSteps = static_cast<int>(std::clamp<int64_t>(
      kCurveSampleBudget / std::max<int64_t>(curves, 1), kLeastTurnSteps, kFullTurnSteps));
  scene.shapes.reserve(static_cast<size_t>(JwwOrderCount));
  for (int32_t i = 0; i < JwwOrderCount; ++i) {
    const TJwwOrder& order = JwwOrder[i];
    std::optional<PictureShape> shape = EntityShape(order.Kind, order.Index, turnSteps);
    if (shape && ShapeIsFinite(*shape)) scene.shapes.push_back(std::move(*shape));
  }
  // The drawing's points go over its lines and solids, under the new points.
  for (int32_t i = 0; i < JwwPointCount; ++i) {
    const TJwwEntPoint& e = JwwPoint[i];
    PictureShape shape = PointShape(PictureShape::Source::Drawing, e.Head.Lc, {e.X, e.Y});
    if (ShapeIsFinite(shape)) scene.shapes.push_back(shape);
  }
  for (int32_t i = 0; i < JwwPointMarkCount; ++i) {
    const TJwwEntPointMark& e = JwwPointMark[i];
    PictureShape shape =
        MarkerShape(PictureShape::Source::Drawing, e.Head.Lc, {e.X, e.Y}, e.MarkKind, e.Scale);
    if (ShapeIsFinite(shape)) scene.shapes.push_back(shape);
  }
  return scene;
}

void AddAnswerToScene(PictureScene& scene, const std::vector<AnswerCommand>& answer,
                      int hostColor) {
  if (answer.size() == 1 && answer[0].kind == AnswerCommand::Kind::NoChange) {
    scene.legend = "The tool answered \"hq\": no new points.";
    return;
  }
  // Points in a row that look alike and stand on the same layer and colour.
  struct Group {
    int count = 0;
    std::string noun;    // "point" or "point marker"
    std::string detail;  // the marker's shape and scale
    std::string place;   // layer group, layer and colour
  };
  std::vector<Group> groups;
  std::optional<int> lg, ly, pn;
  for (const AnswerCommand& command : answer) {
    using Kind = AnswerCommand::Kind;
    switch (command.kind) {
      case Kind::LayerGroup:
        lg = command.value;
        continue;
      case Kind::Layer:
        ly = command.value;
        continue;
      case Kind::PointColor:
        pn = command.value;
        continue;
      case Kind::Point:
      case Kind::PointMarker:
        break;
      default:
        continue;
    }
    const std::optional<double> x = ToolReal(command.x);
    const std::optional<double> y = ToolReal(command.y);
    if (!x || !y) continue;
    const int color = pn.value_or(hostColor);
    Group group;
    group.place = " on layer group " + LayerName(lg) + ", layer " + LayerName(ly) + ", colour " +
                  ColorName(pn);
    if (command.kind == Kind::Point) {
      scene.shapes.push_back(PointShape(PictureShape::Source::Answer, color, {*x, *y}));
      group.noun = "point";
    } else {
      const double scale = ToolReal(command.scale).value_or(1);
      scene.shapes.push_back(
          MarkerShape(PictureShape::Source::Answer, color, {*x, *y}, command.value, scale));
      group.noun = "point marker";
      group.detail = " " + MarkerName(command.value) + " (kind " + std::to_string(command.value) +
                     ", scale " + command.scale + ")";
    }
    if (groups.empty() || groups.back().noun != group.noun ||
        groups.back().detail != group.detail || groups.back().place != group.place) {
      groups.push_back(std::move(group));
    }
    ++groups.back().count;
  }
  std::string legend;
  for (const Group& group : groups) {
    legend += (legend.empty() ? "" : "; ") + std::to_string(group.count) + " new " + group.noun +
              (group.count == 1 ? "" : "s") + group.detail + group.place;
  }
  scene.legend = legend.empty() ? "No new points." : legend + ".";
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

std::string PictureSvg(const PictureLayout& layout) {
  const std::string w = std::to_string(layout.size.width);
  const std::string h = std::to_string(layout.size.height);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
      "\">\n"
      "<rect width=\"" +
      w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
  for (const PictureFigure& figure : layout.figures) {
    const bool point =
        figure.shape == PictureShape::Kind::Point || figure.shape == PictureShape::Kind::Marker;
    if (point) {
      svg += figure.source == PictureShape::Source::Answer ? "<g class=\"new-point\">\n"
                                                           : "<g class=\"drawing-point\">\n";
    }
    for (const PictureItem& item : figure.items) WriteItem(svg, item);
    if (point) svg += "</g>\n";
  }
  if (!layout.legendSwatch.empty()) {
    svg += "<g class=\"legend-swatch\">\n";
    for (const PictureItem& item : layout.legendSwatch) WriteItem(svg, item);
    svg += "</g>\n";
  }
  svg += "<text class=\"legend\" x=\"" + Number(layout.legendAt.x) + "\" y=\"" +
         Number(layout.legendAt.y) + "\" font-family=\"sans-serif\" font-size=\"" +
         Number(layout.legendPixels) + "\" fill=\"#303030\">" + EscapeXml(layout.legend) +
         "</text>\n</svg>\n";
  return svg;
}
