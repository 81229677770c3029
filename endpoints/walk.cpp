// The end-point walk: the eight steps over the entity tables, the points that
// are each entity's ends, and the placement of each new point as a point or a
// point-marker command.
#include <algorithm>
#include <cmath>

#include "common/MyFunc.h"
#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"

namespace {

using Ext = long double;

// The status messages of the eight steps, Shift-JIS.
constexpr char kLinesMsg[] =  // "線分データ参照中です"
    "\x90\xfc\x95\xaa\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92\x86\x82\xc5\x82\xb7";
constexpr char kArcsMsg[] =  // "円弧・楕円データ参照中です"
    "\x89\x7e\x8c\xca\x81\x45\x91\xc8\x89\x7e\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92\x86\x82"
    "\xc5\x82\xb7";
constexpr char kSolidLinesMsg[] =  // "線形ソリッドデータ参照中です"
    "\x90\xfc\x8c\x60\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92"
    "\x86\x82\xc5\x82\xb7";
constexpr char kSolidTrisMsg[] =  // "三角形ソリッドデータ参照中です"
    "\x8e\x4f\x8a\x70\x8c\x60\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f"
    "\xc6\x92\x86\x82\xc5\x82\xb7";
constexpr char kSolidQuadsMsg[] =  // "四角形ソリッドデータ参照中です"
    "\x8e\x6c\x8a\x70\x8c\x60\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f"
    "\xc6\x92\x86\x82\xc5\x82\xb7";
constexpr char kSolidCirclesMsg[] =  // "円ソリッドデータ参照中です"
    "\x89\x7e\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92\x86\x82"
    "\xc5\x82\xb7";
constexpr char kSolidCircumsMsg[] =  // "円周ソリッドデータ参照中です"
    "\x89\x7e\x8e\xfc\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92"
    "\x86\x82\xc5\x82\xb7";
constexpr char kSolidRingsMsg[] =  // "円環ソリッドデータ参照中です"
    "\x89\x7e\x8a\xc2\x83\x5c\x83\x8a\x83\x62\x83\x68\x83\x66\x81\x5b\x83\x5e\x8e\x51\x8f\xc6\x92"
    "\x86\x82\xc5\x82\xb7";

// A record carrying the "z3" bit is left out of every kind.
constexpr int32_t kSkipFlag = 4;

// An arc whose normalised extent lies this close (degrees) to 0 or 360 is closed.
constexpr Ext kArcClosedTolerance = 1e-8L;
// A ring whose extent lies this close (radians) to 0 or a full turn is closed.
constexpr Ext kRingClosedTolerance = 1e-12L;
constexpr Ext kFullTurnRad = 6.283185307179586477L;
constexpr double kFullTurnDeg = 360.0;
// Spans up to this many turns are normalised by stepping a turn at a time,
// which is what fixes their last bits; larger ones by the remainder.
constexpr double kSteppedTurns = 1000.0;

bool Skipped(const TJwwEntHead& head) { return (head.ZFlags & kSkipFlag) != 0; }

void Show(const TShowStatus& showStatus, const char* message) {
  if (showStatus) showStatus(message);
}

// The arc's extent brought into [0, 360), each step stored as a double.
// Non-finite extents come back unchanged.
double NormaliseArcSpan(double span) {
  if (!std::isfinite(span)) return span;
  // Beyond some thousand turns stepping would take too long (and stops making
  // progress above 2^62); the remainder is exact and leaves the same last step.
  if (std::fabs(span) > kSteppedTurns * kFullTurnDeg) span = std::fmod(span, kFullTurnDeg);
  while (span < 0.0) span = static_cast<double>(span + static_cast<Ext>(kFullTurnDeg));
  while (span >= kFullTurnDeg) span = static_cast<double>(span - static_cast<Ext>(kFullTurnDeg));
  return span;
}

bool ArcClosed(double span) {
  return fabsl(static_cast<Ext>(span)) <= kArcClosedTolerance ||
         fabsl(static_cast<Ext>(span) - kFullTurnDeg) <= kArcClosedTolerance;
}

bool RingClosed(double span) {
  const Ext extent = fabsl(static_cast<Ext>(span));
  return extent <= kRingClosedTolerance || fabsl(extent - kFullTurnRad) <= kRingClosedTolerance;
}

// Start angle plus span, stored.
double EndAngle(double start, double span) {
  return static_cast<double>(static_cast<Ext>(start) + span);
}

class TWalk {
 public:
  TWalk(const TEndPointChoices& choices, TPlacedPointList& placed)
      : choices_(choices), placed_(placed) {}

  void Offer(double x, double y) { PlacePoint(placed_, choices_, x, y); }

  void Lines() {
    for (int32_t i = 0; i < JwwLineCount; ++i) {
      // The index's memory for the ends of a segment a few ahead is fetched
      // while this segment's are placed: a large selection spends most of its
      // time there, and one segment ahead is too close to hide the wait.
      if (i + 8 < JwwLineCount) {
        const TJwwEntLine& next = JwwLine[i + 8];
        placed_.Prefetch(next.X1, next.Y1);
        placed_.Prefetch(next.X2, next.Y2);
      }
      const TJwwEntLine& e = JwwLine[i];
      if (Skipped(e.Head)) continue;
      Offer(e.X1, e.Y1);
      Offer(e.X2, e.Y2);
    }
  }

  void Arcs() {
    for (int32_t i = 0; i < JwwArcCount; ++i) {
      const TJwwEntArc& e = JwwArc[i];
      if (Skipped(e.Head) || !ArcHasEnds(e)) continue;
      double x, y;
      EllipsePointDeg(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, e.StartAng, x, y);
      Offer(x, y);
      EllipsePointDeg(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, e.EndAng, x, y);
      Offer(x, y);
    }
  }

  void SolidLines() {
    for (int32_t i = 0; i < JwwSolidLineCount; ++i) {
      const TJwwEntSolidLine& e = JwwSolidLine[i];
      if (Skipped(e.Head)) continue;
      Offer(e.X1, e.Y1);
      Offer(e.X2, e.Y2);
    }
  }

  void SolidTris() {
    for (int32_t i = 0; i < JwwSolidTriCount; ++i) {
      const TJwwEntSolidTri& e = JwwSolidTri[i];
      if (Skipped(e.Head)) continue;
      Offer(e.X1, e.Y1);
      Offer(e.X2, e.Y2);
      Offer(e.X3, e.Y3);
    }
  }

  void SolidQuads() {
    for (int32_t i = 0; i < JwwSolidQuadCount; ++i) {
      const TJwwEntSolidQuad& e = JwwSolidQuad[i];
      if (Skipped(e.Head)) continue;
      Offer(e.X1, e.Y1);
      Offer(e.X2, e.Y2);
      Offer(e.X3, e.Y3);
      Offer(e.X4, e.Y4);
    }
  }

  // Circle solids (with their third point) and circumference solids (without).
  void SolidArcs(const JwwTable<TJwwEntSolidCircle>& table, int32_t count, bool thirdPoint) {
    for (int32_t i = 0; i < count; ++i) {
      const TJwwEntSolidCircle& e = table[i];
      if (Skipped(e.Head) || e.FillMode == JwwFillNoEnds) continue;
      double x, y;
      EllipsePoint(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, e.StartAng, x, y);
      Offer(x, y);
      EllipsePoint(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, EndAngle(e.StartAng, e.Span), x, y);
      Offer(x, y);
      if (!thirdPoint) continue;
      if (e.FillMode == JwwFillCentre) {
        Offer(e.Cx, e.Cy);
      } else if (e.FillMode == JwwFillTangent) {
        EndTangentCrossing(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, e.StartAng, e.Span, x, y);
        Offer(x, y);
      }
    }
  }

  // Annulus solids; equalWidth derives the inner flattening from the ring's width.
  void SolidRings(const JwwTable<TJwwEntSolidRing>& table, int32_t count, bool equalWidth) {
    for (int32_t i = 0; i < count; ++i) {
      const TJwwEntSolidRing& e = table[i];
      if (Skipped(e.Head) || !RingHasEnds(e)) continue;
      const double end = EndAngle(e.StartAng, e.Span);
      double x, y;
      EllipsePoint(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, e.StartAng, x, y);
      Offer(x, y);
      EllipsePoint(e.Cx, e.Cy, e.R, e.Flat, e.Tilt, end, x, y);
      Offer(x, y);
      if (equalWidth && e.R2 == 0.0) {
        // An equally wide ring with no inner radius has its inner edge at the
        // centre; the inner flattening would divide by zero.
        Offer(e.Cx, e.Cy);
        Offer(e.Cx, e.Cy);
        continue;
      }
      const double f = equalWidth ? InnerFlattening(e.R, e.R2, e.Flat) : e.Flat;
      EllipsePoint(e.Cx, e.Cy, e.R2, f, e.Tilt, e.StartAng, x, y);
      Offer(x, y);
      EllipsePoint(e.Cx, e.Cy, e.R2, f, e.Tilt, end, x, y);
      Offer(x, y);
    }
  }

 private:
  const TEndPointChoices& choices_;
  TPlacedPointList& placed_;
};

// The number of points the walk offers at most: every end of every record of
// the chosen kinds, skipped records included.
int64_t OfferCount(const TEndPointKinds& c) {
  auto n = [](bool on, int64_t count, int64_t ends) { return on ? count * ends : int64_t{0}; };
  return n(c.Lines, JwwLineCount, 2) + n(c.Arcs, JwwArcCount, 2) +
         n(c.SolidLines, JwwSolidLineCount, 2) + n(c.SolidPolygons, JwwSolidTriCount, 3) +
         n(c.SolidPolygons, JwwSolidQuadCount, 4) + n(c.SolidCircles, JwwSolidCircleCount, 3) +
         n(c.SolidCircums, JwwSolidCircumCount, 2) +
         n(c.SolidRings, JwwSolidRingCount + int64_t{JwwSolidRingWCount}, 4);
}

}  // namespace

bool ArcHasEnds(const TJwwEntArc& arc) {
  return !ArcClosed(
      NormaliseArcSpan(static_cast<double>(static_cast<Ext>(arc.EndAng) - arc.StartAng)));
}

bool RingHasEnds(const TJwwEntSolidRing& ring) { return !RingClosed(ring.Span); }

void PlacePoint(TPlacedPointList& placed, const TEndPointChoices& choices, double x, double y) {
  // A point that overflowed to infinity (or NaN) has no place in the drawing.
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (placed.Contains(x, y)) return;
  placed.Append(x, y);
  if (choices.Markers) {
    // Computed wide: an absurd index must not overflow; the emitter limits the kind.
    const int64_t kind = -static_cast<int64_t>(choices.MarkerIndex) - 1;
    EmitPointMarker(static_cast<int32_t>(std::clamp<int64_t>(kind, INT32_MIN, INT32_MAX)), x, y,
                    choices.Scale, 0.0);
  } else {
    EmitPoint(x, y);
  }
}

void EndPointWalk(const TEndPointChoices& choices, TPlacedPointList& placed,
                  const TShowStatus& showStatus) {
  TWalk walk(choices, placed);
  placed.Reserve(OfferCount(choices.Kinds));

  Show(showStatus, kLinesMsg);
  if (choices.Kinds.Lines) walk.Lines();

  Show(showStatus, kArcsMsg);
  if (choices.Kinds.Arcs) walk.Arcs();

  Show(showStatus, kSolidLinesMsg);
  if (choices.Kinds.SolidLines) walk.SolidLines();

  Show(showStatus, kSolidTrisMsg);
  if (choices.Kinds.SolidPolygons) walk.SolidTris();

  Show(showStatus, kSolidQuadsMsg);
  if (choices.Kinds.SolidPolygons) walk.SolidQuads();

  Show(showStatus, kSolidCirclesMsg);
  if (choices.Kinds.SolidCircles) walk.SolidArcs(JwwSolidCircle, JwwSolidCircleCount, true);

  Show(showStatus, kSolidCircumsMsg);
  if (choices.Kinds.SolidCircums) walk.SolidArcs(JwwSolidCircum, JwwSolidCircumCount, false);

  Show(showStatus, kSolidRingsMsg);
  if (choices.Kinds.SolidRings) {
    walk.SolidRings(JwwSolidRing, JwwSolidRingCount, false);
    walk.SolidRings(JwwSolidRingW, JwwSolidRingWCount, true);
  }
}
