// Plane geometry of end points: turning points, points on tilted and
// flattened ellipses, the crossing of end tangents and line intersection.
// Every expression is evaluated in long double (64-bit significand on x86-64)
// and rounded to double exactly where a value is stored or returned, so that
// the last digits of every point match the host's own arithmetic.
#include <cmath>

#include "common/MyFunc.h"
#include "common/Trig.h"

namespace {

using Ext = long double;

// Snapping step and containment slack of LineIntersection.
constexpr Ext kSnapStep = 1e-8L;
constexpr Ext kRangeSlack = 1e-8L;
// Length of the auxiliary tangent segments of EndTangentCrossing.
constexpr Ext kTangentLength = 10.0L;

// d snapped to the grid of kSnapStep: trunc(d / step + 0.5) * step, stored.
// Exactly 0 for -1.5e-8 < d < +0.5e-8; the window is deliberately lopsided.
double Snap(Ext d) { return static_cast<double>(truncl(d / kSnapStep + 0.5L) * kSnapStep); }

// True when value lies outside [min(a, b) - slack, max(a, b) + slack].
bool OutsideRange(double a, double b, double value) {
  const Ext lo = a < b ? a : b;
  const Ext hi = a < b ? b : a;
  return lo - kRangeSlack > value || hi + kRangeSlack < value;
}

}  // namespace

void RotatePoint(double x, double y, double cx, double cy, double theta, double& X, double& Y) {
  X = RotatedX(x, y, cx, cy, theta);
  Y = RotatedY(x, y, cx, cy, theta);
}

double RotatedX(double x, double y, double cx, double cy, double theta) {
  const Ext t = theta;
  return static_cast<double>((Cosine(t) * (static_cast<Ext>(x) - cx) + cx) -
                             Sine(t) * (static_cast<Ext>(y) - cy));
}

double RotatedY(double x, double y, double cx, double cy, double theta) {
  const Ext t = theta;
  return static_cast<double>((Sine(t) * (static_cast<Ext>(x) - cx) + cy) +
                             Cosine(t) * (static_cast<Ext>(y) - cy));
}

void EllipsePoint(double cx, double cy, double r, double k, double theta, double phi, double& X,
                  double& Y) {
  const Ext p = phi;
  const double u = static_cast<double>(r * Cosine(p));
  const double v = static_cast<double>(Sine(p) * (static_cast<Ext>(r) * k));
  RotatePoint(u, v, 0.0, 0.0, theta, X, Y);
  X = static_cast<double>(static_cast<Ext>(X) + cx);
  Y = static_cast<double>(static_cast<Ext>(Y) + cy);
}

void EllipsePointDeg(double cx, double cy, double r, double k, double theta, double phi, double& X,
                     double& Y) {
  const double thetaRad = static_cast<double>(static_cast<Ext>(theta) / 180.0L * kPi);
  const double phiRad = static_cast<double>(static_cast<Ext>(phi) / 180.0L * kPi);
  EllipsePoint(cx, cy, r, k, thetaRad, phiRad, X, Y);
}

void EndTangentCrossing(double cx, double cy, double r, double k, double theta, double a, double b,
                        double& X, double& Y) {
  const Ext start = a;
  // The end angle stays in extended precision up to its sine and cosine.
  const Ext end = start + b;
  const Ext rk = static_cast<Ext>(r) * k;
  const Ext tk = kTangentLength * k;

  const double q1x = static_cast<double>(r * Cosine(start));
  const double q1y = static_cast<double>(Sine(start) * rk);
  const double q2x = static_cast<double>(r * Cosine(end));
  const double q2y = static_cast<double>(Sine(end) * rk);

  const double p1x = static_cast<double>(q1x + kTangentLength * Cosine(start + kHalfPi));
  const double p1y = static_cast<double>(q1y + Sine(start + kHalfPi) * tk);
  const double p2x = static_cast<double>(q2x + kTangentLength * Cosine(end - kHalfPi));
  const double p2y = static_cast<double>(q2y + Sine(end - kHalfPi) * tk);

  // Parallel tangents leave the crossing at the ellipse's own centre.
  double ix = 0.0;
  double iy = 0.0;
  LineIntersection(q1x, q1y, p1x, p1y, q2x, q2y, p2x, p2y, ix, iy);

  X = static_cast<double>(static_cast<Ext>(cx) + RotatedX(ix, iy, 0.0, 0.0, theta));
  Y = static_cast<double>(static_cast<Ext>(cy) + RotatedY(ix, iy, 0.0, 0.0, theta));
}

double InnerFlattening(double R, double ri, double k) {
  return static_cast<double>((static_cast<Ext>(R) * k - R) / ri + 1.0L);
}

int LineIntersection(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                     double y4, double& X, double& Y) {
  const double sx1 = Snap(static_cast<Ext>(x1) - x2);
  const double sx2 = Snap(static_cast<Ext>(x3) - x4);

  if (sx1 == 0.0 && sx2 == 0.0) return 0;
  if (sx1 == 0.0) {
    const double m2 = static_cast<double>((static_cast<Ext>(y4) - y3) / (static_cast<Ext>(x4) - x3));
    X = x1;
    Y = static_cast<double>((static_cast<Ext>(x1) - x3) * m2 + y3);
  } else if (sx2 == 0.0) {
    const double m1 = static_cast<double>((static_cast<Ext>(y2) - y1) / (static_cast<Ext>(x2) - x1));
    X = x3;
    Y = static_cast<double>((static_cast<Ext>(x3) - x1) * m1 + y1);
  } else {
    const double m1 = static_cast<double>((static_cast<Ext>(y2) - y1) / (static_cast<Ext>(x2) - x1));
    const double b1 = static_cast<double>(-static_cast<Ext>(m1) * x1 + y1);
    const double m2 = static_cast<double>((static_cast<Ext>(y4) - y3) / (static_cast<Ext>(x4) - x3));
    const double b2 = static_cast<double>(-static_cast<Ext>(m2) * x3 + y3);
    if (Snap(static_cast<Ext>(m1) - m2) == 0.0) return 0;
    X = static_cast<double>((static_cast<Ext>(b2) - b1) / (static_cast<Ext>(m1) - m2));
    Y = static_cast<double>(static_cast<Ext>(m1) * X + b1);
  }

  if (OutsideRange(x1, x2, X)) return 2;
  if (OutsideRange(y1, y2, Y)) return 2;
  if (OutsideRange(x3, x4, X)) return 2;
  if (OutsideRange(y3, y4, Y)) return 2;
  return 1;
}
