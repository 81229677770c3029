#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"
#include "common/FloatEnvironment.h"
#include "common/MyFunc.h"
#include "tests/support/ExchangeTest.h"
#include "tests/support/FloatState.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr double kPiD = 3.14159265358979323846;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();

struct Pt {
  double X, Y;
};

template <typename T, int32_t N>
T& AddRecord(BlockArray<T, N>& table, int32_t& count) {
  GrowForAppend(table, count);
  T& r = table[count - 1];
  r = T{};
  return r;
}

void AddLine(double x1, double y1, double x2, double y2, int32_t zflags = 0) {
  TJwwEntLine& e = AddRecord(JwwLine, JwwLineCount);
  e.Head.ZFlags = zflags;
  e.X1 = x1, e.Y1 = y1, e.X2 = x2, e.Y2 = y2;
}

void AddArc(double cx, double cy, double r, double start, double end, double flat = 1,
            double tilt = 0, int32_t zflags = 0) {
  TJwwEntArc& e = AddRecord(JwwArc, JwwArcCount);
  e.Head.ZFlags = zflags;
  e.Cx = cx, e.Cy = cy, e.R = r, e.StartAng = start, e.EndAng = end, e.Flat = flat, e.Tilt = tilt;
}

TJwwEntSolidCircle& AddSolidArc(JwwTable<TJwwEntSolidCircle>& table, int32_t& count, double cx,
                                double cy, double r, double start, double span, int32_t fill,
                                int32_t zflags = 0) {
  TJwwEntSolidCircle& e = AddRecord(table, count);
  e.Head.ZFlags = zflags;
  e.Cx = cx, e.Cy = cy, e.R = r, e.Flat = 1, e.Tilt = 0, e.StartAng = start, e.Span = span;
  e.FillMode = fill;
  return e;
}

TJwwEntSolidRing& AddRing(JwwTable<TJwwEntSolidRing>& table, int32_t& count, double cx, double cy,
                          double r, double r2, double flat, double start, double span,
                          int32_t zflags = 0) {
  TJwwEntSolidRing& e = AddRecord(table, count);
  e.Head.ZFlags = zflags;
  e.Cx = cx, e.Cy = cy, e.R = r, e.R2 = r2, e.Flat = flat, e.Tilt = 0, e.StartAng = start;
  e.Span = span;
  return e;
}

// One record in each table the walk visits, each kind in a place of its own;
// 26 distinct end points in all.
void AddOneOfEachKind(int32_t zflags) {
  const TJwwEntHead head{0, 0, 0, 0, 0, 0, zflags};
  AddLine(0, 0, 1, 0, zflags);
  AddArc(0, 10, 1, 0, 90, 1, 0, zflags);
  AddRecord(JwwSolidLine, JwwSolidLineCount) = TJwwEntSolidLine{head, 0, 20, 0, 21, 0};
  AddRecord(JwwSolidTri, JwwSolidTriCount) = TJwwEntSolidTri{head, 0, 30, 0, 31, 0, 30, 1};
  AddRecord(JwwSolidQuad, JwwSolidQuadCount) =
      TJwwEntSolidQuad{head, 0, 40, 0, 41, 0, 41, 1, 40, 1};
  AddSolidArc(JwwSolidCircle, JwwSolidCircleCount, 50, 0, 1, 0, kPiD / 2, JwwFillCentre, zflags);
  AddSolidArc(JwwSolidCircum, JwwSolidCircumCount, 60, 0, 1, 0, kPiD / 2, JwwFillCentre, zflags);
  AddRing(JwwSolidRing, JwwSolidRingCount, 70, 0, 2, 1, 1, 0, kPiD / 2, zflags);
  AddRing(JwwSolidRingW, JwwSolidRingWCount, 80, 0, 2, 1, 1, 0, kPiD / 2, zflags);
}

class EndPointWalkTest : public ExchangeTest {
 protected:
  // Runs one walk as the OK sequence does and returns the command lines.
  std::vector<std::string> Walk(const TEndPointChoices& choices = {}) {
    TPlacedPointList placed;
    JwwClearOut();
    messages_.clear();
    EndPointWalk(choices, placed, [this](std::string_view m) { messages_.emplace_back(m); });
    std::vector<std::string> lines;
    for (int32_t i = 0; i < JwwOutCount; ++i) lines.emplace_back(JwwOutText(i));
    return lines;
  }

  // The points of the command lines of one walk.
  std::vector<Pt> WalkPoints(const TEndPointChoices& choices = {}) {
    std::vector<Pt> points;
    for (const std::string& line : Walk(choices)) {
      const std::vector<double> numbers = Parse(line);
      EXPECT_GE(numbers.size(), 2u) << line;
      if (numbers.size() >= 2) points.push_back(Pt{numbers[0], numbers[1]});
    }
    return points;
  }

  // The numbers of a "pt" command line.
  static std::vector<double> Parse(const std::string& line) {
    EXPECT_EQ(line.rfind("pt ", 0), 0u) << line;
    std::vector<double> numbers;
    std::istringstream in(line.substr(3));
    std::string word;
    while (in >> word) numbers.push_back(std::strtod(word.c_str(), nullptr));
    return numbers;
  }

  std::vector<std::string> messages_;
};

void ExpectPoints(const std::vector<Pt>& got, const std::vector<Pt>& want, double tol = 1e-12) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].X, want[i].X, tol) << "point " << i;
    EXPECT_NEAR(got[i].Y, want[i].Y, tol) << "point " << i;
  }
}

// ---- Lines, polygons and duplicates ------------------------------------------------

TEST_F(EndPointWalkTest, SharedEndPointIsPlacedOnceForTheFirstSegment) {
  AddLine(0, 0, 100, 0);
  AddLine(100, 0, 100, 50);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"pt 0 0", "pt 100 0", "pt 100 50"}));
}

TEST_F(EndPointWalkTest, PointIdentityIsPerAxisAndInclusive) {
  // The long double 1e-8 split into a double and a small remainder: two points
  // that far apart lie exactly at the tolerance.
  const long double tol = 1e-8L;
  const double hi = static_cast<double>(tol);
  const double lo = static_cast<double>(tol - hi);
  struct Case {
    Pt a, b;
    size_t placed;
  };
  const Case cases[] = {
      {{1, 1}, {1 + 0.5e-8, 1 + 0.5e-8}, 1},
      {{1, 1}, {1 + 2e-8, 1}, 2},
      {{1, 1}, {1, 1 - 2e-8}, 2},
      {{-lo, 5}, {hi, 5}, 1},
      {{-lo, 5}, {std::nextafter(hi, 1.0), 5}, 2},
      {{5, -lo}, {5, hi}, 1},
      // The double nearest 1e-8 lies just above the long double tolerance.
      {{0, 0}, {1e-8, 0}, 2},
      // Not a distance: 0.9e-8 on both axes is still the same point.
      {{0, 0}, {0.9e-8, -0.9e-8}, 1},
      {{-0.0, 0.0}, {0.0, -0.0}, 1},
  };
  for (const Case& c : cases) {
    JwwInit();
    AddLine(c.a.X, c.a.Y, c.b.X, c.b.Y);
    EXPECT_EQ(Walk().size(), c.placed) << c.b.X << ", " << c.b.Y;
  }
}

TEST_F(EndPointWalkTest, TrianglesAndQuadrilateralsGiveTheirCornersInOrder) {
  TJwwEntSolidTri& tri = AddRecord(JwwSolidTri, JwwSolidTriCount);
  tri.X1 = 0, tri.Y1 = 0, tri.X2 = 0, tri.Y2 = 0, tri.X3 = 3, tri.Y3 = 4;
  TJwwEntSolidQuad& quad = AddRecord(JwwSolidQuad, JwwSolidQuadCount);
  quad.X1 = 10, quad.Y1 = 10, quad.X2 = 11, quad.Y2 = 10, quad.X3 = 11, quad.Y3 = 11;
  quad.X4 = 3, quad.Y4 = 4;
  TJwwEntSolidLine& line = AddRecord(JwwSolidLine, JwwSolidLineCount);
  line.X1 = 7, line.Y1 = 8, line.X2 = 0, line.Y2 = 0;
  ExpectPoints(WalkPoints(), {{7, 8}, {0, 0}, {3, 4}, {10, 10}, {11, 10}, {11, 11}}, 0);
}

TEST_F(EndPointWalkTest, EarliestKindWinsAcrossKinds) {
  AddArc(0, 0, 1, 0, 90);                       // (1, 0) and (0, 1)
  AddLine(1 + 0.5e-8, 0, 2, 2);                 // the line comes first in the walk
  AddSolidArc(JwwSolidCircle, JwwSolidCircleCount, 2, 2, 1, 0, kPiD, 1);  // (3, 2), (1, 2)
  TJwwEntSolidTri& tri = AddRecord(JwwSolidTri, JwwSolidTriCount);
  tri.X1 = 2, tri.Y1 = 2, tri.X2 = 0, tri.Y2 = 1, tri.X3 = 3, tri.Y3 = 2;
  const std::vector<std::string> lines = Walk();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "pt 1.000000005 0");
  EXPECT_EQ(lines[1], "pt 2 2");
  ExpectPoints(WalkPoints(), {{1.000000005, 0}, {2, 2}, {0, 1}, {3, 2}, {1, 2}});
}

TEST_F(EndPointWalkTest, PointEntitiesOfTheFileAreNotCompared) {
  TJwwEntPoint& p = AddRecord(JwwPoint, JwwPointCount);
  p.X = 5, p.Y = 5;
  AddLine(5, 5, 6, 6);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"pt 5 5", "pt 6 6"}));
}

// ---- Arcs ---------------------------------------------------------------------------------

TEST_F(EndPointWalkTest, ArcsYieldTheirEndsUnlessClosed) {
  const double c10 = std::cos(10 * kPiD / 180), s10 = std::sin(10 * kPiD / 180);
  const double tiny = 1e6 * std::sin(2e-8 * kPiD / 180);
  struct Case {
    double r, start, end;
    std::vector<Pt> want;
  };
  const std::vector<Case> cases = {
      {1, 350, 10, {{c10, -s10}, {c10, s10}}},
      {1, 0, 360, {}},
      {1, 10, 370, {}},
      {1, -180, 180, {}},
      {1, 0, 720, {}},
      // -90 becomes 270; the ends come from the stored angles.
      {1, 90, 0, {{0, 1}, {1, 0}}},
      {1, 0, 0.5e-8, {}},
      {1, 0, 360 - 0.5e-8, {}},
      {1e6, 0, 2e-8, {{1e6, 0}, {1e6, tiny}}},
      {1e6, 2e-8, 0, {{1e6, tiny}, {1e6, 0}}},
      // -1e-20 + 360 rounds to 360, which the stepping takes back to 0.
      {1, 1e-20, 0, {}},
  };
  for (const Case& c : cases) {
    JwwInit();
    AddArc(0, 0, c.r, c.start, c.end);
    SCOPED_TRACE(testing::Message() << c.start << " to " << c.end);
    ExpectPoints(WalkPoints(), c.want, 1e-12 * c.r);
  }
}

TEST_F(EndPointWalkTest, ArcAnglesAreDegreesWithFlatteningAndTilt) {
  AddArc(1, 2, 2, 0, 90, 0.5, 90);
  ExpectPoints(WalkPoints(), {{1, 4}, {0, 2}});
}

TEST_F(EndPointWalkTest, ArcsOfManyTurnsFinishAndKeepTheirClosedTest) {
  struct Case {
    double start, end;
    size_t points;
  };
  const Case cases[] = {
      {0, 3.6e11, 0},         // a billion whole turns
      {0, 1e12 + 20, 2},      // 300 degrees over whole turns
      {-1e12 - 340, 0, 2},    // 260 degrees over whole turns
      {3.6e11, 0, 0},         // the remainder is -0
      {0, 1e300, 0},          // stepping would take forever; 1e300 is whole turns
      {-1e300, 0, 0},
      {0, 4.7e18, 2},         // adding or taking 360 no longer changes a value this large
      {-4.7e18, 0, 2},
  };
  for (const Case& c : cases) {
    JwwInit();
    AddArc(0, 0, 1, c.start, c.end);
    EXPECT_EQ(Walk().size(), c.points) << c.start << " to " << c.end;
  }
}

TEST_F(EndPointWalkTest, InfiniteArcExtentIsNotClosed) {
  // The extent overflows to infinity: the ends still come from the stored angles.
  AddArc(0, 0, 1, -kMax, kMax);
  EXPECT_EQ(Walk().size(), 2u);
  // An infinite end angle gives a NaN end point, which is not placed.
  JwwInit();
  AddArc(3, 4, 1, 0, kInf);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"pt 4 4"}));
}

// ---- Circle, circumference and annulus solids ------------------------------------------------

TEST_F(EndPointWalkTest, CircleSolidThirdPointByFillMode) {
  struct Case {
    int32_t fill;
    double span;
    std::vector<Pt> want;
  };
  const std::vector<Case> cases = {
      {JwwFillCentre, kPiD / 2, {{1, 0}, {0, 1}, {0, 0}}},
      {JwwFillTangent, kPiD / 2, {{1, 0}, {0, 1}, {1, 1}}},
      {JwwFillTangent, kPiD, {{1, 0}, {-1, 0}, {0, 0}}},
      {1, kPiD / 2, {{1, 0}, {0, 1}}},
      {2, kPiD / 2, {{1, 0}, {0, 1}}},
      {JwwFillNoEnds, kPiD / 2, {}},
      // No span test: a full circle still gives its (coinciding) ends.
      {1, 0, {{1, 0}}},
  };
  for (const Case& c : cases) {
    JwwInit();
    AddSolidArc(JwwSolidCircle, JwwSolidCircleCount, 0, 0, 1, 0, c.span, c.fill);
    SCOPED_TRACE(testing::Message() << "fill " << c.fill << " span " << c.span);
    ExpectPoints(WalkPoints(), c.want);
  }
}

TEST_F(EndPointWalkTest, CircleSolidUsesRadiansFlatteningAndTilt) {
  TJwwEntSolidCircle& e =
      AddSolidArc(JwwSolidCircle, JwwSolidCircleCount, 10, 20, 2, kPiD / 2, kPiD / 2, JwwFillCentre);
  e.Flat = 0.5;
  e.Tilt = kPiD / 2;
  // Start at the top of the upright ellipse (short axis 1 across), end on its
  // long axis below the centre.
  ExpectPoints(WalkPoints(), {{9, 20}, {10, 18}, {10, 20}});
}

TEST_F(EndPointWalkTest, CircumferenceSolidGivesOnlyItsEnds) {
  for (const int32_t fill : {JwwFillCentre, JwwFillTangent, 7}) {
    JwwInit();
    AddSolidArc(JwwSolidCircum, JwwSolidCircumCount, 0, 0, 1, 0, kPiD / 2, fill);
    ExpectPoints(WalkPoints(), {{1, 0}, {0, 1}});
  }
  JwwInit();
  AddSolidArc(JwwSolidCircum, JwwSolidCircumCount, 0, 0, 1, 0, kPiD / 2, JwwFillNoEnds);
  EXPECT_TRUE(Walk().empty());
}

TEST_F(EndPointWalkTest, AnnulusSpanTest) {
  struct Case {
    double span;
    bool open;
  };
  const Case cases[] = {
      {2 * kPiD, false},        {-2 * kPiD, false},       {0, false},
      {5e-13, false},           {2 * kPiD + 5e-13, false}, {-2 * kPiD - 5e-13, false},
      {2 * kPiD + 1e-11, true}, {kPiD / 2, true},         {-kPiD / 2, true},
      {2e-12, true},
  };
  for (const Case& c : cases) {
    for (const bool equalWidth : {false, true}) {
      JwwInit();
      if (equalWidth) {
        AddRing(JwwSolidRingW, JwwSolidRingWCount, 0, 0, 10, 8, 1, 0, c.span);
      } else {
        AddRing(JwwSolidRing, JwwSolidRingCount, 0, 0, 10, 8, 1, 0, c.span);
      }
      const size_t n = Walk().size();
      if (c.open) {
        EXPECT_GE(n, 2u) << c.span << (equalWidth ? " equal width" : "");
      } else {
        EXPECT_EQ(n, 0u) << c.span << (equalWidth ? " equal width" : "");
      }
    }
  }
}

TEST_F(EndPointWalkTest, AnnulusGivesOuterThenInnerEnds) {
  AddRing(JwwSolidRing, JwwSolidRingCount, 0, 0, 10, 8, 0.5, 0, kPiD / 2);
  ExpectPoints(WalkPoints(), {{10, 0}, {0, 5}, {8, 0}, {0, 4}});
}

TEST_F(EndPointWalkTest, EqualWidthAnnulusDerivesTheInnerFlattening) {
  AddRing(JwwSolidRingW, JwwSolidRingWCount, 0, 0, 10, 8, 0.5, 0, kPiD / 2);
  // Inner flattening 0.375: the inner edge is 8 by 3, the ring 2 wide both ways.
  ExpectPoints(WalkPoints(), {{10, 0}, {0, 5}, {8, 0}, {0, 3}});
}

TEST_F(EndPointWalkTest, EqualWidthAnnulusWithoutInnerRadiusUsesTheCentre) {
  AddRing(JwwSolidRingW, JwwSolidRingWCount, 3, 4, 10, 0, 0.5, 0, kPiD / 2);
  AddRing(JwwSolidRingW, JwwSolidRingWCount, 30, 40, 10, -0.0, 1, 0, kPiD / 2);
  const std::vector<std::string> lines = Walk();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "pt 3 4");
  EXPECT_EQ(lines[5], "pt 30 40");
}

TEST_F(EndPointWalkTest, AnnulusRingsBeforeEqualWidthRings) {
  AddRing(JwwSolidRingW, JwwSolidRingWCount, 100, 0, 10, 8, 1, 0, kPiD / 2);
  AddRing(JwwSolidRing, JwwSolidRingCount, 0, 0, 10, 8, 1, 0, kPiD / 2);
  const std::vector<Pt> got = WalkPoints();
  ASSERT_EQ(got.size(), 8u);
  EXPECT_NEAR(got[0].X, 10, 1e-12);
  EXPECT_NEAR(got[4].X, 110, 1e-12);
}

// ---- Skip flag, switches, messages -----------------------------------------------------------

TEST_F(EndPointWalkTest, SkipFlagLeavesOutEveryKind) {
  struct Case {
    int32_t zflags;
    bool skipped;
  };
  const Case cases[] = {{0, false}, {3, false}, {4, true}, {5, true}, {6, true},
                        {7, true},  {8, false}, {12, true}, {20, true}, {27, false}};
  for (const Case& c : cases) {
    JwwInit();
    AddOneOfEachKind(c.zflags);
    EXPECT_EQ(Walk().size(), c.skipped ? 0u : 2u + 2 + 2 + 3 + 4 + 3 + 2 + 4 + 4) << c.zflags;
  }
}

TEST_F(EndPointWalkTest, EachSwitchGovernsItsTables) {
  AddOneOfEachKind(0);

  TEndPointChoices none;
  none.Kinds = {false, false, false, false, false, false, false};
  struct Case {
    bool TEndPointKinds::*Switch;
    double firstX;
    size_t count;
  };
  const std::vector<Case> cases = {
      {&TEndPointKinds::Lines, 0, 2},          {&TEndPointKinds::Arcs, 1, 2},
      {&TEndPointKinds::SolidLines, 20, 2},    {&TEndPointKinds::SolidPolygons, 30, 7},
      {&TEndPointKinds::SolidCircles, 51, 3},  {&TEndPointKinds::SolidCircums, 61, 2},
      {&TEndPointKinds::SolidRings, 72, 8},
  };
  for (const Case& c : cases) {
    TEndPointChoices one = none;
    one.Kinds.*c.Switch = true;
    const std::vector<Pt> got = WalkPoints(one);
    ASSERT_EQ(got.size(), c.count);
    EXPECT_NEAR(got[0].X, c.firstX, 1e-12);
    EXPECT_EQ(messages_.size(), 8u);
  }
}

TEST_F(EndPointWalkTest, AllKindsOffStillShowsTheEightMessages) {
  AddLine(0, 0, 1, 1);
  AddArc(0, 0, 1, 0, 90);
  TEndPointChoices none;
  none.Kinds = {false, false, false, false, false, false, false};
  EXPECT_TRUE(Walk(none).empty());
  const std::vector<std::string> want = {
      Sjis("線分データ参照中です"),           Sjis("円弧・楕円データ参照中です"),
      Sjis("線形ソリッドデータ参照中です"),   Sjis("三角形ソリッドデータ参照中です"),
      Sjis("四角形ソリッドデータ参照中です"), Sjis("円ソリッドデータ参照中です"),
      Sjis("円周ソリッドデータ参照中です"),   Sjis("円環ソリッドデータ参照中です"),
  };
  EXPECT_EQ(messages_, want);
  Walk();
  EXPECT_EQ(messages_, want);
}

TEST_F(EndPointWalkTest, WalkWithoutStatusLine) {
  AddLine(0, 0, 1, 1);
  TPlacedPointList placed;
  EndPointWalk(TEndPointChoices{}, placed, nullptr);
  EXPECT_EQ(placed.PlacedCount(), 2);
  EXPECT_EQ(JwwOutCount, 2);
}

// ---- Markers and placement ------------------------------------------------------------------

TEST_F(EndPointWalkTest, MarkerKindFollowsTheMarkerIndex) {
  struct Case {
    int32_t index;
    double scale;
    std::string line;
  };
  const Case cases[] = {
      {1, 2, "pt 1 2 2 0 -2"},  {0, 1, "pt 1 2 1 0 -1"},   {6, 0.5, "pt 1 2 0.5 0 -7"},
      {-1, 1, "pt 1 2 1 0 0"},  {2147483647, 1, "pt 1 2 1 0 -3"},
  };
  for (const Case& c : cases) {
    JwwInit();
    AddLine(1, 2, 1, 2);
    TEndPointChoices choices;
    choices.Markers = true;
    choices.MarkerIndex = c.index;
    choices.Scale = c.scale;
    EXPECT_EQ(Walk(choices), std::vector<std::string>{c.line}) << c.index;
  }
}

TEST_F(EndPointWalkTest, NonFinitePointsAreNeverPlaced) {
  // Radius times flattening overflows: the end at 90 degrees is infinitely high.
  AddArc(0, 0, 1e308, 0, 90, 1e10);
  // Centre plus radius overflows.
  AddSolidArc(JwwSolidCircle, JwwSolidCircleCount, 1.7e308, 0, 1.7e308, 0, kPiD / 2, JwwFillCentre);
  const std::vector<std::string> lines = Walk();
  EXPECT_EQ(lines, (std::vector<std::string>{"pt 1E308 0", "pt 1.7E308 1.7E308", "pt 1.7E308 0"}));

  TPlacedPointList placed;
  TEndPointChoices choices;
  JwwClearOut();
  for (const Pt p : {Pt{kInf, 0}, Pt{0, -kInf}, Pt{kNaN, 1}, Pt{1, kNaN}}) {
    PlacePoint(placed, choices, p.X, p.Y);
  }
  EXPECT_EQ(placed.PlacedCount(), 0);
  EXPECT_EQ(JwwOutCount, 0);
}

// ---- The placed-point list --------------------------------------------------------------------

TEST(PlacedPointList, GrowsInStepsOfHundredWithoutMovingPoints) {
  TPlacedPointList list;
  EXPECT_EQ(list.Capacity(), 0);
  list.Append(0, 0);
  EXPECT_EQ(list.Capacity(), 100);
  const TPlacedPoint* first = &list[0];
  for (int i = 1; i < 100; ++i) list.Append(i, 0);
  EXPECT_EQ(list.Capacity(), 100);
  list.Append(100, 0);
  EXPECT_EQ(list.Capacity(), 200);
  for (int i = 101; i < 5000; ++i) list.Append(i, -i);
  EXPECT_EQ(list.PlacedCount(), 5000);
  EXPECT_EQ(list.Capacity(), 5000);
  EXPECT_EQ(&list[0], first);
  EXPECT_EQ(list[4321].X, 4321);
  EXPECT_EQ(list[4321].Y, -4321);
  EXPECT_TRUE(list.Contains(4321 + 1e-9, -4321));
  list.Clear();
  EXPECT_EQ(list.PlacedCount(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_FALSE(list.Contains(4321, -4321));
  list.Append(7, 7);
  EXPECT_TRUE(list.Contains(7, 7));
  EXPECT_EQ(list.Capacity(), 100);
}

bool LinearContains(const std::vector<Pt>& placed, double x, double y) {
  for (const Pt& p : placed) {
    if (fabsl(static_cast<long double>(p.X) - x) <= 1e-8L &&
        fabsl(static_cast<long double>(p.Y) - y) <= 1e-8L) {
      return true;
    }
  }
  return false;
}

// Offers every point to the list and to a plain scan of the placed points,
// placing it when neither finds it, and requires the same answer every time.
void ExpectSameAsLinearScan(const std::vector<Pt>& offers) {
  TPlacedPointList list;
  // Sized for a third of the offers, as a walk sizes it: the rest grows it.
  list.Reserve(static_cast<int64_t>(offers.size() / 3));
  std::vector<Pt> placed;
  for (size_t i = 0; i < offers.size(); ++i) {
    const Pt& o = offers[i];
    const bool want = LinearContains(placed, o.X, o.Y);
    ASSERT_EQ(list.Contains(o.X, o.Y), want)
        << "offer " << i << " (" << std::hexfloat << o.X << ", " << o.Y << ")";
    if (!want) {
      list.Append(o.X, o.Y);
      placed.push_back(o);
    }
  }
  ASSERT_EQ(list.PlacedCount(), static_cast<int32_t>(placed.size()));
  for (size_t i = 0; i < placed.size(); ++i) {
    const TPlacedPoint& p = list[static_cast<int32_t>(i)];
    EXPECT_TRUE((p.X == placed[i].X || (std::isnan(p.X) && std::isnan(placed[i].X))) &&
                (p.Y == placed[i].Y || (std::isnan(p.Y) && std::isnan(placed[i].Y))));
  }
}

// Every pair of the distinct values, as points, in a shuffled order.
std::vector<Pt> Pairs(std::vector<double> values, std::mt19937_64& rng) {
  std::sort(values.begin(), values.end(), [](double a, double b) {
    return std::bit_cast<uint64_t>(a) < std::bit_cast<uint64_t>(b);
  });
  values.erase(std::unique(values.begin(), values.end(),
                           [](double a, double b) {
                             return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
                           }),
               values.end());
  std::vector<Pt> out;
  for (const double x : values) {
    for (const double y : values) out.push_back(Pt{x, y});
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

// Each value together with its neighbours 1e-8 away, a hair nearer and a hair beyond.
std::vector<double> WithToleranceNeighbours(const std::vector<double>& bases) {
  std::vector<double> out;
  const long double tol = 1e-8L;
  for (const double b : bases) {
    for (const long double step : {-tol, -0.5L * tol, 0.0L, 0.5L * tol, tol, 1.04e-8L, -1.04e-8L, 2e-8L}) {
      const double v = static_cast<double>(b + step);
      out.push_back(v);
      out.push_back(std::nextafter(v, kInf));
      out.push_back(std::nextafter(v, -kInf));
    }
  }
  return out;
}

TEST(PlacedPointList, AgreesWithLinearScanOnRandomPoints) {
  std::mt19937_64 rng(527);
  std::uniform_real_distribution<double> area(-2e-7, 2e-7);
  std::uniform_real_distribution<double> nudge(-2e-8, 2e-8);
  std::vector<Pt> offers;
  for (int i = 0; i < 20000; ++i) {
    if (i > 0 && i % 3 == 0) {
      const Pt& o = offers[rng() % offers.size()];
      offers.push_back(Pt{o.X + nudge(rng), o.Y + nudge(rng)});
    } else {
      offers.push_back(Pt{area(rng), area(rng)});
    }
  }
  ExpectSameAsLinearScan(offers);
}

TEST(PlacedPointList, AgreesWithLinearScanAcrossScales) {
  std::mt19937_64 rng(4101);
  std::uniform_int_distribution<int> exponent(-40, 320);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_real_distribution<double> nudge(-1.5e-8, 1.5e-8);
  std::vector<Pt> offers;
  auto any = [&] {
    const double v = mantissa(rng) * std::pow(10.0, exponent(rng) - 12);
    return (rng() & 1) ? -v : v;
  };
  for (int i = 0; i < 20000; ++i) {
    if (i > 0 && i % 2 == 0) {
      const Pt& o = offers[rng() % offers.size()];
      offers.push_back(Pt{o.X + nudge(rng), (rng() & 1) ? o.Y : o.Y + nudge(rng)});
    } else {
      offers.push_back(Pt{any(), any()});
    }
  }
  ExpectSameAsLinearScan(offers);
}

TEST(PlacedPointList, AgreesWithLinearScanOnAdversarialValues) {
  std::mt19937_64 rng(99);
  const double cell = 4e-8;
  const std::vector<std::vector<double>> sets = {
      // Cell boundaries and a tolerance to either side of them.
      WithToleranceNeighbours({0, cell, -cell, 2 * cell, 3 * cell, -5 * cell, 1000 * cell}),
      // Around zero, both signs, subnormals.
      WithToleranceNeighbours({0.0, -0.0, 5e-324, -5e-324, 1e-300, -1e-300, 5e-9, -5e-9}),
      // A lattice exactly 1e-8 apart.
      [] {
        std::vector<double> v;
        for (int i = -12; i <= 12; ++i) v.push_back(i * 1e-8);
        return v;
      }(),
      // Where doubles become sparser than the tolerance, and the largest ones.
      WithToleranceNeighbours({67108864.0, 134217728.0, -134217728.0, 1e9, 3.4e15, 9007199254740992.0,
                               1e300, -1e300, kMax, -kMax}),
      [] {
        std::vector<double> v;
        for (const double b : {67108864.0, 134217728.0, -134217728.0}) {
          double x = b, y = b;
          for (int i = 0; i < 4; ++i) {
            v.push_back(x = std::nextafter(x, kInf));
            v.push_back(y = std::nextafter(y, -kInf));
          }
        }
        v.push_back(134217728.0 - 1e-8);
        v.push_back(134217728.0 + 1e-8);
        return v;
      }(),
      // The index's own cell edges, (k + 1/2) * 2^-16, and where it keys
      // values on their bits, 2^36.
      WithToleranceNeighbours({0.5 / 65536, -0.5 / 65536, 1.5 / 65536, 12345 + 0.5 / 65536,
                               68719476736.0, -68719476736.0}),
      // Non-finite values never match anything, themselves included.
      {kInf, -kInf, kNaN, 0.0, 1.0, kMax},
  };
  for (const std::vector<double>& values : sets) {
    ExpectSameAsLinearScan(Pairs(values, rng));
  }
}

TEST(PlacedPointList, AgreesWithLinearScanWhenManyPointsShareACell) {
  std::mt19937_64 rng(7);
  std::vector<Pt> offers;
  for (const double base : {0.0, 12345.678, -8e7}) {
    std::uniform_real_distribution<double> inCell(0.0, 4e-8);
    for (int i = 0; i < 1500; ++i) offers.push_back(Pt{base + inCell(rng), base - inCell(rng)});
    // A fine grid over one cell: far more offers than the cell can hold.
    for (int i = 0; i < 12; ++i) {
      for (int j = 0; j < 12; ++j) offers.push_back(Pt{base + i * 0.37e-8, base + j * 0.41e-8});
    }
  }
  ExpectSameAsLinearScan(offers);
}

#if defined(Q527_TEST_FLOAT_STATE) && defined(__MINGW32__)
// This build's sine and cosine keep the end points of arcs, ellipses and
// solids within 4 units in the last place of the entity's size when the x87
// rounds to 53 bits and nothing sets it back, as an x86 emulator that
// computes the x87 in doubles would; a decision on a tolerance (arc or ring
// closed) changes only for a value that close to its threshold.
TEST(ForeignPrecision, EndPointsStayWithinTheLastPlaces) {
  struct TEnds {
    double X[6];
    bool Open[2];
  };
  std::mt19937_64 random(20261211);
  const auto uniform = [&random](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  // The ends of one entity of each kind, with what decides whether it has ends.
  const auto ends = [](double cx, double cy, double r, double k, double tilt, double a,
                       double span) {
    TEnds e{};
    EllipsePointDeg(cx, cy, r, k, tilt, a, e.X[0], e.X[1]);
    EllipsePoint(cx, cy, r, k, tilt / 57.0, a / 57.0 + span, e.X[2], e.X[3]);
    EndTangentCrossing(cx, cy, r, k, tilt / 57.0, a / 57.0, span, e.X[4], e.X[5]);
    TJwwEntArc arc{};
    arc.StartAng = a;
    arc.EndAng = a + span * 57.0;
    e.Open[0] = ArcHasEnds(arc);
    TJwwEntSolidRing ring{};
    ring.Span = span;
    e.Open[1] = RingHasEnds(ring);
    return e;
  };
  const auto unit = [](double size) { return std::ldexp(1.0, std::ilogb(size) - 52); };
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    const double cx = uniform(-1e4, 1e4), cy = uniform(-1e4, 1e4), r = uniform(1e-3, 1e4);
    const double k = uniform(0.1, 1.0), tilt = uniform(-360, 360), a = uniform(-720, 720);
    // Spans near closing, near half a turn (tangents almost parallel) and anywhere.
    double span = uniform(-7, 7);
    if (i % 4 == 1) span = 2 * 3.141592653589793 * (i % 8 == 1 ? 1 : -1) + uniform(-1e-11, 1e-11);
    if (i % 4 == 2) span = 1e-12 * uniform(-2, 2);
    TEnds clean{}, foreign{};
    {
      const TFloatEnvironment tool;
      clean = ends(cx, cy, r, k, tilt, a, span);
    }
    {
      const TForeignFloatState fiftyThreeBits({0x027F, 0x1F80});
      foreign = ends(cx, cy, r, k, tilt, a, span);
    }
    const double size = std::max({std::fabs(cx), std::fabs(cy), r});
    // An arc's angles are in degrees: the rounding of their conversion to
    // radians moves its ends by a few units in the last place of the angle,
    // weighed by the radius. The crossing of the end tangents is found
    // through their slopes, which lose digits as a tangent nears the
    // vertical, as many as the slope has digits before the point: at 53 bits
    // it keeps a millionth of a millionth of its distance, not the last place.
    const double angle = std::max(std::fabs(a), std::fabs(tilt)) / 57.0;
    const double arcSlack = 4 * unit(size) + 4 * r * unit(angle);
    // Where the tangents nearly coincide or nearly run parallel, the crossing
    // is a decision on a tolerance: compared only where they meet clearly.
    const bool clearCrossing =
        std::fabs(std::sin(span / 2)) > 0.05 && std::fabs(std::cos(span / 2)) > 0.05;
    for (int c = 0; c < (clearCrossing ? 6 : 4); ++c) {
      const double slack =
          c < 2 ? arcSlack
                : c < 4 ? 4 * unit(size)
                        : 1e-12 * std::max(size, std::fabs(clean.X[c] - (c == 4 ? cx : cy)));
      EXPECT_LE(std::fabs(foreign.X[c] - clean.X[c]), slack)
          << "coordinate " << c << " of " << cx << " " << cy << " " << r << " " << k << " "
          << tilt << " " << a << " " << span;
    }
    // Where the 64-bit extent lies: the arc's in degrees against 1e-8, the
    // ring's in radians against 1e-12.
    const auto nearThreshold = [&unit](long double extent, long double turn, long double threshold) {
      extent = fmodl(fabsl(extent), turn);
      return fabsl(std::min(extent, turn - extent) - threshold) <= 4 * unit(static_cast<double>(turn));
    };
    const double endAng = a + span * 57.0;
    if (!nearThreshold(static_cast<long double>(endAng) - a, 360.0L, 1e-8L)) {
      EXPECT_EQ(clean.Open[0], foreign.Open[0]) << a << " " << span;
    }
    if (!nearThreshold(span, 6.283185307179586477L, 1e-12L)) {
      EXPECT_EQ(clean.Open[1], foreign.Open[1]) << span;
    }
    ++compared;
  }
  EXPECT_EQ(20000, compared);
}
#endif

}  // namespace
