#include "host/PictureScene.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/MyFunc.h"
#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"
#include "host/Labels.h"

namespace {

using Ring = std::vector<PicturePoint>;

constexpr double kTwoPi = 2 * static_cast<double>(kPi);
// One sample per degree keeps the chord within 0.04 pixels of a circle that
// fills a picture of 1200 pixels. A drawing of many curves shares a budget of
// samples instead, down to 16 a turn, so that its picture stays in memory.
constexpr int kFullTurnSteps = 360;
constexpr int kLeastTurnSteps = 16;
constexpr int64_t kCurveSampleBudget = 4'000'000;

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
// extent EndAng - StartAng brought into [0, 360); an arc without ends (the
// walk's own test) is the closed ellipse.
PictureShape ArcShape(const TJwwEntArc& arc, int turnSteps) {
  PictureShape shape;
  shape.color = arc.Head.Lc;
  double span = arc.EndAng - arc.StartAng;
  if (!std::isfinite(span)) return shape;
  if (!ArcHasEnds(arc)) {
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
  span = std::fmod(span, 360.0);
  if (span < 0) span += 360;
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
  if (s.FillMode == JwwFillNoEnds) {
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, turnSteps));
    return shape;
  }
  Ring ring = EllipseArc(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, LimitSpan(s.Span), turnSteps);
  if (s.FillMode == JwwFillCentre) {
    ring.push_back({s.Cx, s.Cy});
  } else if (s.FillMode == JwwFillTangent) {
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
  if (s.FillMode == JwwFillNoEnds) {
    shape.closed = true;
    shape.rings.push_back(FullEllipse(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, turnSteps));
  } else {
    shape.rings.push_back(
        EllipseArc(s.Cx, s.Cy, s.R, s.Flat, s.Tilt, s.StartAng, LimitSpan(s.Span), turnSteps));
  }
  return shape;
}

// Annulus solids ("so", "sg"): the band between the outer ellipse arc and the
// inner one of radius R2; a ring without ends (the walk's own test), or of a
// full turn or more, is the whole band. The inner ellipse
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
  if (!RingHasEnds(s) || std::abs(s.Span) >= kTwoPi) {
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
    case JwwKindLine: {
      const TJwwEntLine& e = JwwLine[index];
      return PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
    }
    case JwwKindCircle: {
      const TJwwEntCircle& e = JwwCircle[index];
      return PathShape(e.Head.Lc, FullEllipse(e.Cx, e.Cy, e.R, 1, 0, 0, turnSteps), true);
    }
    case JwwKindArc:
      return ArcShape(JwwArc[index], turnSteps);
    case JwwKindDim: {
      const TJwwEntLine& e = JwwDim[index].DimLine;
      return PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
    }
    case JwwKindSolidLine: {
      const TJwwEntSolidLine& e = JwwSolidLine[index];
      PictureShape shape = PathShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}});
      shape.kind = Kind::Band;
      return shape;
    }
    case JwwKindSolidTri: {
      const TJwwEntSolidTri& e = JwwSolidTri[index];
      return FillShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}});
    }
    case JwwKindSolidQuad: {
      const TJwwEntSolidQuad& e = JwwSolidQuad[index];
      return FillShape(e.Head.Lc, {{e.X1, e.Y1}, {e.X2, e.Y2}, {e.X3, e.Y3}, {e.X4, e.Y4}});
    }
    case JwwKindSolidCircle:
      return CircleSolidShape(JwwSolidCircle[index], turnSteps);
    case JwwKindSolidCircum:
      return CircumSolidShape(JwwSolidCircum[index], turnSteps);
    case JwwKindSolidRing:
      return RingSolidShape(JwwSolidRing[index], false, turnSteps);
    case JwwKindSolidRingW:
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

std::optional<double> ToolReal(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Points in a row that look alike and stand on the same layer and colour.
struct LegendGroup {
  int count = 0;
  std::string noun;    // "point" or "point marker"
  std::string detail;  // the marker's shape and scale
  std::string place;   // layer group, layer and colour
};

// The legend of the groups in order; "No new points." for none.
std::string LegendText(const std::vector<LegendGroup>& groups) {
  std::string legend;
  for (const LegendGroup& group : groups) {
    legend += (legend.empty() ? "" : "; ") + std::to_string(group.count) + " new " + group.noun +
              (group.count == 1 ? "" : "s") + group.detail + group.place;
  }
  return legend.empty() ? "No new points." : legend + ".";
}

}  // namespace

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
  std::vector<LegendGroup> groups;
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
    LegendGroup group;
    group.place = " on layer group " + LayerLabel(lg) + ", layer " + LayerLabel(ly) +
                  ", colour " + ColorLabel(pn);
    if (command.kind == Kind::Point) {
      scene.shapes.push_back(PointShape(PictureShape::Source::Answer, color, {*x, *y}));
      group.noun = "point";
    } else {
      const double scale = ToolReal(command.scale).value_or(1);
      scene.shapes.push_back(
          MarkerShape(PictureShape::Source::Answer, color, {*x, *y}, command.value, scale));
      group.noun = "point marker";
      const std::string glyph = MarkerGlyph(command.value);
      group.detail = " " + (glyph.empty() ? "dot" : glyph) + " (kind " +
                     std::to_string(command.value) + ", scale " + command.scale + ")";
    }
    if (groups.empty() || groups.back().noun != group.noun ||
        groups.back().detail != group.detail || groups.back().place != group.place) {
      groups.push_back(std::move(group));
    }
    ++groups.back().count;
  }
  scene.legend = LegendText(groups);
}
