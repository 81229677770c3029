#include <gtest/gtest.h>

#include <cmath>

#include "common/MyFunc.h"
#include "common/SelfCheck.h"
#include "tests/support/FloatState.h"

namespace {

constexpr double kHalfTurn = 3.14159265358979323846;
constexpr double kQuarterTurn = kHalfTurn / 2;
constexpr double kNear = 1e-12;

TEST(RotatePoint, ZeroTurnGivesThePointBackExactly) {
  // (x - cx) + cx in double would lose the low bits of 0.1 against 100.
  double X = -1, Y = -1;
  RotatePoint(0.1, 0.2, 100.0, -100.0, 0.0, X, Y);
  EXPECT_EQ(X, 0.1);
  EXPECT_EQ(Y, 0.2);
  EXPECT_EQ(RotatedX(0.1, 0.2, 100.0, -100.0, 0.0), 0.1);
  EXPECT_EQ(RotatedY(0.1, 0.2, 100.0, -100.0, 0.0), 0.2);
}

TEST(RotatePoint, TurnsCounterClockwiseAboutTheCentre) {
  struct Case {
    double x, y, cx, cy, theta, X, Y;
  };
  const Case cases[] = {
      {1, 0, 0, 0, kQuarterTurn, 0, 1},
      {0, 1, 0, 0, kQuarterTurn, -1, 0},
      {3, 2, 1, 2, kHalfTurn, -1, 2},
      {2, 2, 1, 1, -kQuarterTurn, 2, 0},
  };
  for (const Case& c : cases) {
    double X = 0, Y = 0;
    RotatePoint(c.x, c.y, c.cx, c.cy, c.theta, X, Y);
    EXPECT_NEAR(X, c.X, kNear) << c.x << "," << c.y << " by " << c.theta;
    EXPECT_NEAR(Y, c.Y, kNear) << c.x << "," << c.y << " by " << c.theta;
    EXPECT_EQ(RotatedX(c.x, c.y, c.cx, c.cy, c.theta), X);
    EXPECT_EQ(RotatedY(c.x, c.y, c.cx, c.cy, c.theta), Y);
  }
}

TEST(EllipsePoint, PointsOnCirclesAndTiltedEllipses) {
  struct Case {
    double cx, cy, r, k, theta, phi, X, Y;
  };
  const Case cases[] = {
      // A circle: the ordinary polar angle.
      {5, -3, 2, 1, 0, 0, 7, -3},
      {5, -3, 2, 1, 0, kQuarterTurn, 5, -1},
      {5, -3, 2, 1, 0, 1.0, 5 + 2 * std::cos(1.0), -3 + 2 * std::sin(1.0)},
      // Flattened 0.5 and tilted a quarter turn: the long axis stands upright.
      {0, 0, 2, 0.5, kQuarterTurn, 0, 0, 2},
      {0, 0, 2, 0.5, kQuarterTurn, kQuarterTurn, -1, 0},
      // Flattened only: the second semi-axis is r * k.
      {1, 1, 4, 0.25, 0, kQuarterTurn, 1, 2},
  };
  for (const Case& c : cases) {
    double X = 0, Y = 0;
    EllipsePoint(c.cx, c.cy, c.r, c.k, c.theta, c.phi, X, Y);
    EXPECT_NEAR(X, c.X, kNear) << "r " << c.r << " k " << c.k << " phi " << c.phi;
    EXPECT_NEAR(Y, c.Y, kNear) << "r " << c.r << " k " << c.k << " phi " << c.phi;
  }
}

TEST(EllipsePoint, AngleOfZeroGivesTheExactEnd) {
  double X = 0, Y = 0;
  EllipsePoint(0.1, 0.7, 3.3, 0.5, 0.0, 0.0, X, Y);
  EXPECT_EQ(X, 3.4);
  EXPECT_EQ(Y, 0.7);
}

TEST(EllipsePointDeg, DegreesGiveTheSamePointAsRadians) {
  struct Case {
    double thetaDeg, phiDeg, thetaRad, phiRad;
  };
  const Case cases[] = {
      {90, 0, kQuarterTurn, 0},
      {0, 90, 0, kQuarterTurn},
      {180, -90, kHalfTurn, -kQuarterTurn},
  };
  for (const Case& c : cases) {
    double dx = 0, dy = 0, rx = 0, ry = 0;
    EllipsePointDeg(2, 3, 4, 0.5, c.thetaDeg, c.phiDeg, dx, dy);
    EllipsePoint(2, 3, 4, 0.5, c.thetaRad, c.phiRad, rx, ry);
    EXPECT_EQ(dx, rx) << c.thetaDeg << " " << c.phiDeg;
    EXPECT_EQ(dy, ry) << c.thetaDeg << " " << c.phiDeg;
  }
  double X = 0, Y = 0;
  EllipsePointDeg(0, 0, 1, 1, 0, 30, X, Y);
  EXPECT_NEAR(X, std::sqrt(3.0) / 2, kNear);
  EXPECT_NEAR(Y, 0.5, kNear);
}

TEST(EllipsePointDeg, QuarterTurnsKeepTheLastBitsNearZero) {
  // At a multiple of 90 degrees one coordinate is the sine or cosine of the
  // double nearest to a multiple of pi/2: a few 1e-14 that every build
  // writes alike, to the last bit.
  struct Case {
    double deg, X, Y;
  };
  const Case cases[] = {
      {90, 0x1.b939bafcfcfcbp-48, 100},     {180, -100, 0x1.b939bafcfcfcbp-47},
      {270, -0x1.4aeb4c3dbdbd8p-46, -100},  {360, 100, -0x1.b939bafcfcfcbp-46},
      {-540, -100, -0x1.4aeb4c3dbdbd8p-45}, {720, 100, -0x1.b939bafcfcfcbp-45},
  };
  for (const Case& c : cases) {
    double X = 0, Y = 0;
    EllipsePointDeg(0, 0, 100, 1, 0, c.deg, X, Y);
    EXPECT_EQ(X, c.X) << c.deg;
    EXPECT_EQ(Y, c.Y) << c.deg;
  }
}

TEST(EndTangentCrossing, WhereTheEndTangentsMeet) {
  struct Case {
    double cx, cy, r, k, theta, a, b, X, Y;
  };
  const Case cases[] = {
      {0, 0, 1, 1, 0, 0, kQuarterTurn, 1, 1},
      // The crossing is turned with the tilt, then shifted to the centre.
      {5, 7, 1, 1, kQuarterTurn, 0, kQuarterTurn, 4, 8},
      // Flattened: the tangents at (1, 0) and (0, 0.5) meet at (1, 0.5).
      {0, 0, 1, 0.5, 0, 0, kQuarterTurn, 1, 0.5},
      // A quarter running clockwise from the top.
      {0, 0, 2, 1, 0, kQuarterTurn, -kQuarterTurn, 2, 2},
      // Parallel tangents (half turn, no turn, full turn): the centre.
      {0, 0, 1, 1, 0, 0, kHalfTurn, 0, 0},
      {3, -4, 1, 1, 0, 0.5, kHalfTurn, 3, -4},
      {3, -4, 1, 1, 0, 0, 0, 3, -4},
      {3, -4, 1, 1, 0, 0, 2 * kHalfTurn, 3, -4},
  };
  for (const Case& c : cases) {
    double X = 99, Y = 99;
    EndTangentCrossing(c.cx, c.cy, c.r, c.k, c.theta, c.a, c.b, X, Y);
    EXPECT_NEAR(X, c.X, 1e-9) << "a " << c.a << " b " << c.b;
    EXPECT_NEAR(Y, c.Y, 1e-9) << "a " << c.a << " b " << c.b;
  }
}

TEST(InnerFlattening, KeepsTheRingEquallyWide) {
  struct Case {
    double R, ri, k, f;
  };
  const Case cases[] = {
      {10, 8, 0.5, 0.375},
      {10, 5, 0.5, 0.0},
      {10, 5, 1.0, 1.0},
      {10, 0.25, 1.0, 1.0},
      {10, 12, 2.0, 10.0 / 12 + 1},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(InnerFlattening(c.R, c.ri, c.k), c.f) << c.R << " " << c.ri << " " << c.k;
  }
}

TEST(InnerFlattening, CarriesExtendedPrecisionToTheResult) {
  // 3 * (1/3 as a double) is 1 - 2^-54 exactly; rounded to double it would be 1
  // and the result 0.
  EXPECT_EQ(InnerFlattening(3.0, 2.0, 1.0 / 3.0), -0x1p-55);
}

TEST(InnerFlattening, ZeroInnerRadiusGivesNoFiniteValue) {
  EXPECT_FALSE(std::isfinite(InnerFlattening(10, 0, 0.5)));
  EXPECT_TRUE(std::isnan(InnerFlattening(10, 0, 1.0)));
}

struct Crossing {
  double x1, y1, x2, y2, x3, y3, x4, y4;
  int code;
  double X, Y;
};

void CheckCrossings(const Crossing* begin, const Crossing* end) {
  for (const Crossing* c = begin; c != end; ++c) {
    double X = 1234.5, Y = -678.25;
    const int code = LineIntersection(c->x1, c->y1, c->x2, c->y2, c->x3, c->y3, c->x4, c->y4, X, Y);
    SCOPED_TRACE(testing::Message() << "case " << (c - begin));
    EXPECT_EQ(code, c->code);
    if (c->code == 0) {
      EXPECT_EQ(X, 1234.5);
      EXPECT_EQ(Y, -678.25);
    } else {
      EXPECT_NEAR(X, c->X, 1e-15);
      EXPECT_NEAR(Y, c->Y, 1e-15);
    }
  }
}

TEST(LineIntersection, CrossingAndClassification) {
  const Crossing cases[] = {
      {0, 0, 2, 0, 1, -1, 1, 1, 1, 1, 0},
      {0, 0, 2, 0, 5, -1, 5, 1, 2, 5, 0},
      // Both lines slanted.
      {0, 0, 2, 2, 0, 2, 2, 0, 1, 1, 1},
      {0, 0, 1, 1, 3, 5, 5, 3, 2, 4, 4},
      // First line vertical: X is x1 itself.
      {1, -1, 1, 1, 0, 0, 2, 0, 1, 1, 0},
      // Off the second segment only (its y range).
      {0, 0, 2, 0, 1, 1, 1, 3, 2, 1, 0},
  };
  CheckCrossings(std::begin(cases), std::end(cases));
}

TEST(LineIntersection, ParallelLinesLeaveTheOutputsUntouched) {
  const Crossing cases[] = {
      {0, 0, 2, 0, 0, 1, 2, 1, 0, 0, 0},
      {0, 0, 0, 2, 1, 0, 1, 2, 0, 0, 0},
      {0, 0, 1, 1, 0, 1, 1, 2, 0, 0, 0},
      // Slopes differing by less than the snapping window count as parallel.
      {0, 0, 1, 1, 0, 1, 1, 2 + 1e-9, 0, 0, 0},
  };
  CheckCrossings(std::begin(cases), std::end(cases));
}

TEST(LineIntersection, SnappingWindowIsLopsided) {
  // The first line runs from (0, 0) to (x2, 1): x1 - x2 = -x2. The second is
  // the horizontal y = 0.5. A first line taken as vertical crosses at X = 0.
  struct Case {
    double x2;
    bool vertical;
  };
  const Case cases[] = {
      {1.4e-8, true}, {1.6e-8, false}, {-0.4e-8, true}, {-0.6e-8, false}, {0.0, true},
  };
  for (const Case& c : cases) {
    double X = 7, Y = 7;
    const int code = LineIntersection(0, 0, c.x2, 1, -1, 0.5, 1, 0.5, X, Y);
    EXPECT_EQ(code, 1) << c.x2;
    EXPECT_NEAR(Y, 0.5, 1e-15) << c.x2;
    if (c.vertical) {
      EXPECT_EQ(X, 0.0) << c.x2;
    } else {
      EXPECT_NE(X, 0.0) << c.x2;
      EXPECT_NEAR(X, c.x2 / 2, 1e-20) << c.x2;
    }
  }
}

TEST(LineIntersection, SecondLineVerticalWithinTheWindow) {
  double X = 0, Y = 0;
  EXPECT_EQ(LineIntersection(0, 0, 4, 2, 3, -5, 3 + 1.4e-8, 5, X, Y), 1);
  EXPECT_EQ(X, 3.0);
  EXPECT_EQ(Y, 1.5);
}

TEST(LineIntersection, SegmentEndsHaveASlackOf1e8) {
  // The horizontal (0, 0)-(2, 0) crossed by verticals near its ends, and the
  // vertical (1, -1)-(1, 1) crossed by horizontals near its ends.
  struct Case {
    double at;
    int code;
  };
  const Case xs[] = {{2 + 0.5e-8, 1}, {2 + 2e-8, 2}, {-0.5e-8, 1}, {-2e-8, 2}, {2, 1}};
  for (const Case& c : xs) {
    double X = 0, Y = 0;
    EXPECT_EQ(LineIntersection(0, 0, 2, 0, c.at, -1, c.at, 1, X, Y), c.code) << c.at;
    EXPECT_EQ(X, c.at);
  }
  const Case ys[] = {{1 + 0.5e-8, 1}, {1 + 2e-8, 2}, {-1 - 0.5e-8, 1}, {-1 - 2e-8, 2}};
  for (const Case& c : ys) {
    double X = 0, Y = 0;
    EXPECT_EQ(LineIntersection(1, -1, 1, 1, 0, c.at, 2, c.at, X, Y), c.code) << c.at;
    EXPECT_EQ(Y, c.at);
  }
}

#ifdef Q527_TEST_FLOAT_STATE
// The self-check passes in the tool's state and in any state whose answers
// stay within its tolerance; a state that moves points fails it.
TEST(SelfCheck, TellsAStateThatComputesDifferently) {
  const struct {
    TFloatState state;
    bool passes;
  } kCases[] = {
      {{0x037F, 0x1F80}, true},   // the tool's own
      {{0x007F, 0x1F80}, false},  // the x87 at 24 bits
      {{0x037F, 0x9FC0}, false},  // denormals flushed to zero
#ifdef __MINGW32__
      // The x87 at 53 bits, as an emulator that computes it in doubles does:
      // this build's own sine and cosine keep their answers within the
      // tolerance there.
      {{0x027F, 0x1F80}, true},
#endif
  };
  for (const auto& c : kCases) {
    bool passes = false;
    {
      const TForeignFloatState foreign(c.state);
      passes = ComputesAsExpected();
    }
    EXPECT_EQ(c.passes, passes) << std::hex << c.state.X87Control << " " << c.state.SseControl;
  }
}
#endif

}  // namespace
