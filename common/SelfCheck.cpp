#include "common/SelfCheck.h"

#include <cmath>
#include <string_view>

#include "common/MyFunc.h"
#include "common/Trig.h"

namespace {

using Ext = long double;

// The tolerance: 4 units in the last place of a double of the size.
constexpr int kUnitsInLastPlace = 4;
constexpr int kDoubleFractionBits = 52;

bool Near(Ext got, Ext expected, Ext size) {
  const Ext unit = std::ldexp(1.0L, std::ilogb(size) - kDoubleFractionBits);
  return std::isfinite(got) && fabsl(got - expected) <= kUnitsInLastPlace * unit;
}

// The inputs are read at run time, so that no compiler works them out.
volatile double quarterTurn = 1.5707963267948966;      // pi/2, rounded to a double
volatile double halfTurn = 3.141592653589793;          // pi
volatile double threeQuarterTurns = 4.71238898038469;  // 3 pi/2
volatile double fullTurn = 6.283185307179586;          // 2 pi
volatile double eighthTurn = 0.7853981633974483;       // pi/4
volatile double oneDegree = 0.017453292519943295;      // pi/180
volatile double third = 1.0 / 3.0;
volatile double smallest = 4.9406564584124654e-324;   // the smallest denormal

}  // namespace

bool ComputesAsExpected() noexcept {
  try {
    // Each result near zero is the rounding error of the angle itself: kept
    // only by an exact reduction.
    if (!Near(Cosine(quarterTurn), 6.123233995736765886e-17L, 6.123233995736765886e-17L))
      return false;
    if (!Near(Sine(halfTurn), 1.224646799147353177e-16L, 1.224646799147353177e-16L)) return false;
    if (!Near(Cosine(threeQuarterTurns), -1.836970198721029766e-16L, 1.836970198721029766e-16L))
      return false;
    if (!Near(Sine(fullTurn), -2.449293598294706354e-16L, 2.449293598294706354e-16L))
      return false;
    if (!Near(Sine(eighthTurn), 0.7071067811865475028L, 1.0L)) return false;
    if (!Near(Cosine(oneDegree), 0.9998476951563912392L, 1.0L)) return false;

    // The ends of an arc of radius 100 about (1110, 0) from -1 to 91 degrees,
    // and of an ellipse turned by 30 degrees.
    double x = 0.0;
    double y = 0.0;
    EllipsePointDeg(1110.0, 0.0, 100.0, 1.0, 0.0, -1.0, x, y);
    if (!Near(x, 1209.984769515639073L, 1110.0L) || !Near(y, -1.745240643728351193L, 1110.0L))
      return false;
    EllipsePointDeg(1110.0, 0.0, 100.0, 1.0, 0.0, 91.0, x, y);
    if (!Near(x, 1108.254759356271734L, 1110.0L) || !Near(y, 99.98476951563912962L, 1110.0L))
      return false;
    EllipsePointDeg(12.3, -45.6, 37.5, 0.6, 30.0, 135.0, x, y);
    if (!Near(x, -18.6189176269409522L, 45.6L) || !Near(y, -45.07987234409239363L, 45.6L)) return false;

    // Numbers as the answer writes them, a denormal among them.
    static constexpr std::string_view kThird = "0.333333333333333";
    static constexpr std::string_view kSmallest = "4.94065645841247E-324";
    static constexpr std::string_view kTilted = "-186189176269.41";
    if (FormatGeneral(third) != kThird) return false;
    if (FormatGeneral(smallest) != kSmallest) return false;
    if (FormatGeneral(x * 1e10) != kTilted) return false;
    return true;
  } catch (...) {
    return false;
  }
}
