// The picture of the result: the fit from drawing to pixels, the outlines of
// the entities, the answer's points and legend, the painted PNG and the SVG
// text.

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "host/Answer.h"
#include "host/PictureImage.h"
#include "host/PictureLayout.h"
#include "host/PictureScene.h"
#include "host/PictureSvg.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = Q527_EXAMPLES_DIR;

// The scene of a drawing given as lines of text, read by the exchange unit.
class SceneTest : public TempDirTest {
 protected:
  PictureScene SceneOf(std::string_view drawing) {
    WriteBytes(Dir() / "drawing.txt", drawing);
    JwwInit();
    EXPECT_TRUE(JwwReadFile(PathOf("drawing.txt")));
    PictureScene scene = SceneFromExchange();
    JwwFree();
    return scene;
  }
};

std::vector<AnswerCommand> AnswerOf(std::string_view bytes) {
  const AnswerCheck check = CheckAnswer(bytes);
  EXPECT_TRUE(check.Ok()) << check.problemLine << ": " << check.problem;
  return check.commands;
}

// The area enclosed by a fill: its first ring less its second (the hole).
double FillArea(const PictureShape& shape) {
  const auto ringArea = [](const std::vector<PicturePoint>& ring) {
    double twice = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
      const PicturePoint& a = ring[i];
      const PicturePoint& b = ring[(i + 1) % ring.size()];
      twice += a.x * b.y - b.x * a.y;
    }
    return std::abs(twice) / 2;
  };
  double area = shape.rings.empty() ? 0 : ringArea(shape.rings[0]);
  if (shape.rings.size() > 1) area -= ringArea(shape.rings[1]);
  return area;
}

// ---- Fit: drawing units to pixels, y up ---------------------------------------

TEST(FitFrameTest, KnownPointsLandOnTheirPixels) {
  struct Case {
    std::string_view name;
    PictureBounds bounds;
    PictureSize size;
    PicturePoint drawing;
    PicturePoint pixel;
  };
  // 220 x 120 pixels with a margin of 10 leave 200 x 100 (less any legend band).
  const PictureSize small{220, 120, 10, 0};
  const Case kCases[] = {
      {"wide box: lower left corner", {false, 0, 0, 100, 50}, small, {0, 0}, {10, 110}},
      {"wide box: upper right corner", {false, 0, 0, 100, 50}, small, {100, 50}, {210, 10}},
      {"wide box: y up", {false, 0, 0, 100, 50}, small, {0, 50}, {10, 10}},
      {"tall box is centred across", {false, 0, 0, 10, 100}, small, {0, 0}, {105, 110}},
      {"tall box, top", {false, 0, 0, 10, 100}, small, {10, 100}, {115, 10}},
      {"negative coordinates", {false, -100, -50, 0, 0}, small, {-50, -25}, {110, 60}},
      {"no height: fitted along x", {false, 0, 5, 100, 5}, small, {0, 5}, {10, 60}},
      {"no width: fitted along y", {false, 7, 0, 7, 50}, small, {7, 50}, {110, 10}},
      {"single point: middle", {false, 3, 4, 3, 4}, small, {3, 4}, {110, 60}},
      {"single point: scale 1", {false, 3, 4, 3, 4}, small, {4, 4}, {111, 60}},
      {"empty: origin in the middle", {}, small, {0, 0}, {110, 60}},
      {"legend band shortens the area",
       {false, 0, 0, 100, 50},
       {220, 140, 10, 20},
       {0, 0},
       {10, 110}},
      {"huge extent stays inside",
       {false, -1e308, -1e308, 1e308, 1e308},
       small,
       {1e308, 1e308},
       {160, 10}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const PictureFrame frame = FitFrame(c.bounds, c.size);
    ASSERT_TRUE(std::isfinite(frame.scale) && frame.scale > 0);
    const PicturePoint p = frame.ToPixel(c.drawing);
    EXPECT_NEAR(p.x, c.pixel.x, 1e-9);
    EXPECT_NEAR(p.y, c.pixel.y, 1e-9);
  }
}

TEST_F(SceneTest, BoundsTakeEveryShapeAndPoint) {
  const PictureScene scene = SceneOf("0 0 100 0\r\nci 50 50 10\r\npt -20 3\r\n");
  const PictureBounds bounds = SceneBounds(scene);
  ASSERT_FALSE(bounds.empty);
  EXPECT_NEAR(bounds.minX, -20, 1e-9);
  EXPECT_NEAR(bounds.minY, 0, 1e-9);
  EXPECT_NEAR(bounds.maxX, 100, 1e-9);
  EXPECT_NEAR(bounds.maxY, 60, 1e-9);
}

// ---- Outlines of the entities ------------------------------------------------------

TEST_F(SceneTest, EachEntityKindBecomesItsShape) {
  using Kind = PictureShape::Kind;
  struct Case {
    std::string_view line;
    Kind kind;
    bool closed;
    size_t rings;
  };
  const Case kCases[] = {
      {"0 0 100 0", Kind::Path, false, 1},
      {"ci 0 0 10", Kind::Path, true, 1},
      {"ci 0 0 10 0 90 1 0", Kind::Path, false, 1},
      {"ci 0 0 10 0 360 1 0", Kind::Path, true, 1},
      {"ci 0 0 10 30 30 0.5 45", Kind::Path, true, 1},
      {"sl 0 0 10 0", Kind::Band, false, 1},
      {"sl 0 0 10 0 5 5", Kind::Fill, false, 1},
      {"sl 0 0 10 0 10 10 0 10", Kind::Fill, false, 1},
      {"sc 0 0 1 1 0 0 1.5707963267948966 0", Kind::Fill, false, 1},
      {"se 0 0 1 1 0 0 1.5707963267948966 0", Kind::Band, false, 1},
      {"se 0 0 1 1 0 0 1.5707963267948966 100", Kind::Band, true, 1},
      {"so 0 0 30 1 0 0 3.141592653589793 20", Kind::Fill, false, 1},
      {"so 0 0 30 1 0 0 6.283185307179586 20", Kind::Fill, false, 2},
      {"sg 0 0 40 0.5 0 0 1.5707963267948966 30", Kind::Fill, false, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const PictureScene scene = SceneOf(std::string(c.line) + "\r\n");
    ASSERT_EQ(scene.shapes.size(), 1u);
    EXPECT_EQ(scene.shapes[0].kind, c.kind);
    EXPECT_EQ(scene.shapes[0].closed, c.closed);
    EXPECT_EQ(scene.shapes[0].rings.size(), c.rings);
  }
}

TEST_F(SceneTest, ArcsRunFromStartToEndAngleOnTheirEllipse) {
  struct Case {
    std::string_view line;
    PicturePoint first, last;
    // Every point satisfies ((x - cx) / a)^2 + ((y - cy) / b)^2 = 1 in the
    // ellipse's own axes, turned by tilt degrees.
    double cx, cy, a, b, tilt;
  };
  const double r = std::sqrt(0.5);
  const Case kCases[] = {
      {"ci 0 0 10 0 90 1 0", {10, 0}, {0, 10}, 0, 0, 10, 10, 0},
      {"ci 5 5 10 350 10 1 0",
       {5 + 10 * std::cos(-M_PI / 18), 5 - 10 * std::sin(M_PI / 18)},
       {5 + 10 * std::cos(M_PI / 18), 5 + 10 * std::sin(M_PI / 18)},
       5,
       5,
       10,
       10,
       0},
      {"ci 0 0 10 90 0 1 0", {0, 10}, {10, 0}, 0, 0, 10, 10, 0},  // 270 degrees the long way
      {"ci 0 0 2 0 90 0.5 90", {0, 2}, {-1, 0}, 0, 0, 2, 1, 90},
      {"ci 0 0 10 0 180 0.5 45", {10 * r, 10 * r}, {-10 * r, -10 * r}, 0, 0, 10, 5, 45},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const PictureScene scene = SceneOf(std::string(c.line) + "\r\n");
    ASSERT_EQ(scene.shapes.size(), 1u);
    const std::vector<PicturePoint>& ring = scene.shapes[0].rings.at(0);
    ASSERT_GE(ring.size(), 5u);
    EXPECT_NEAR(ring.front().x, c.first.x, 1e-9);
    EXPECT_NEAR(ring.front().y, c.first.y, 1e-9);
    EXPECT_NEAR(ring.back().x, c.last.x, 1e-9);
    EXPECT_NEAR(ring.back().y, c.last.y, 1e-9);
    const double t = c.tilt * M_PI / 180;
    for (const PicturePoint& p : ring) {
      const double u = (p.x - c.cx) * std::cos(t) + (p.y - c.cy) * std::sin(t);
      const double v = -(p.x - c.cx) * std::sin(t) + (p.y - c.cy) * std::cos(t);
      EXPECT_NEAR(u * u / (c.a * c.a) + v * v / (c.b * c.b), 1, 1e-9);
    }
  }
  // 270 degrees the long way: the arc passes through (-10, 0), below the x axis too.
  const PictureBounds bounds = SceneBounds(SceneOf("ci 0 0 10 90 0 1 0\r\n"));
  EXPECT_NEAR(bounds.minX, -10, 1e-6);
  EXPECT_NEAR(bounds.minY, -10, 1e-6);
}

TEST_F(SceneTest, ManyCurvesShareABudgetOfSamples) {
  // One sample per degree for a few curves; 4 million samples shared by
  // 100000 circles give each 40; never fewer than 16 a turn.
  struct Case {
    int circles;
    size_t samples;
  };
  for (const Case& c : {Case{1, 360}, Case{100000, 40}, Case{300000, 16}}) {
    SCOPED_TRACE(c.circles);
    std::string drawing;
    for (int i = 0; i < c.circles; ++i) drawing += "ci 0 0 10\r\n";
    const PictureScene scene = SceneOf(drawing);
    ASSERT_EQ(scene.shapes.size(), static_cast<size_t>(c.circles));
    EXPECT_EQ(scene.shapes.back().rings.at(0).size(), c.samples);
  }
}

TEST_F(SceneTest, SolidsFillTheRegionTheirKindAndModeName) {
  const double pi = M_PI;
  struct Case {
    std::string_view line;
    double area;
  };
  const Case kCases[] = {
      {"sl 0 0 10 0 10 10", 50},
      {"sl 0 0 10 0 10 10 0 10", 100},
      // Quarter circle of radius 1 from angle 0, by fill mode.
      {"sc 0 0 1 1 0 0 1.5707963267948966 0", pi / 4},        // the sector to the centre
      {"sc 0 0 1 1 0 0 1.5707963267948966 -1", 1 - pi / 4},   // up to the tangents' crossing
      {"sc 0 0 1 1 0 0 1.5707963267948966 1", pi / 4 - 0.5},  // the segment to the chord
      {"sc 0 0 1 1 0 0 1.5707963267948966 100", pi},          // the whole circle
      {"sc 0 0 2 0.5 0.3 0 1 100", 2 * pi},                   // the whole ellipse 2 x 1
      // Half ring between radius 30 and 20; a full turn, or none, is the whole ring.
      {"so 0 0 30 1 0 0 3.141592653589793 20", pi * 500 / 2},
      {"so 0 0 30 1 0 0 -6.283185307179586 20", pi * 500},
      {"so 0 0 30 1 0 0 0 20", pi * 500},
      // Outer ellipse 30 x 15, inner of the same flattening 20 x 10.
      {"so 0 0 30 0.5 0 0 6.283185307179586 20", pi * (450 - 200)},
      // Equal width: outer 40 x 20, inner 30 x 10 (flattening 1/3); a quarter.
      {"sg 0 0 40 0.5 0 0 1.5707963267948966 30", pi * (800 - 300) / 4},
      // No inner radius: the inner edge shrinks to the centre, a quarter sector.
      {"sg 0 0 40 0.5 0 0 1.5707963267948966 0", pi * 800 / 4},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const PictureScene scene = SceneOf(std::string(c.line) + "\r\n");
    ASSERT_EQ(scene.shapes.size(), 1u);
    EXPECT_NEAR(FillArea(scene.shapes[0]), c.area, c.area * 1e-3);
  }
}

TEST_F(SceneTest, EqualWidthRingHasItsInnerEdgeOnTheNarrowerEllipse) {
  // R 10, R2 8, flattening 0.5: the inner ellipse is 8 x 3 (flattening 0.375).
  const PictureScene scene = SceneOf("sg 0 0 10 0.5 0 0 1.5707963267948966 8\r\n");
  ASSERT_EQ(scene.shapes.size(), 1u);
  const std::vector<PicturePoint>& ring = scene.shapes[0].rings.at(0);
  const size_t half = ring.size() / 2;
  for (size_t i = half; i < ring.size(); ++i) {
    const PicturePoint& p = ring[i];
    EXPECT_NEAR(p.x * p.x / 64 + p.y * p.y / 9, 1, 1e-9) << i;
  }
}

TEST_F(SceneTest, PointsMarkersColoursAndWhatIsNotDrawn) {
  const PictureScene scene = SceneOf(
      "lc3\r\n0 0 1 0\r\nlc10 6\r\nsl 0 0 1 0 1 1\r\npn5\r\npt 2 3\r\npt 4 5 2 0 -6\r\n"
      "ch 0 0 1 0 \"text\r\nBL 0 0 block\r\nci 0 0 1e308 0 90 1e308 0\r\n");
  // The text, the block reference and the arc too large to compute are left out.
  ASSERT_EQ(scene.shapes.size(), 4u);
  EXPECT_EQ(scene.shapes[0].color, 3);
  EXPECT_EQ(scene.shapes[1].color, 10);
  EXPECT_EQ(scene.shapes[2].kind, PictureShape::Kind::Point);
  EXPECT_EQ(scene.shapes[2].color, 5);
  EXPECT_EQ(scene.shapes[3].kind, PictureShape::Kind::Marker);
  EXPECT_EQ(scene.shapes[3].markerKind, -6);
  EXPECT_EQ(scene.shapes[3].markerScale, 2);
  for (const PictureShape& shape : scene.shapes) {
    EXPECT_EQ(shape.source, PictureShape::Source::Drawing);
  }
}

TEST(HostColorTest, NineColoursOfTheirOwnAndOneNeutral) {
  const PictureRgb neutral = HostColorRgb(0);
  std::vector<PictureRgb> seen{neutral};
  for (int color = 1; color <= 9; ++color) {
    const PictureRgb rgb = HostColorRgb(color);
    for (const PictureRgb& other : seen) EXPECT_FALSE(rgb == other) << color;
    seen.push_back(rgb);
  }
  for (int color : {-1, 10, 100, 101, 200, 356, 357}) {
    EXPECT_TRUE(HostColorRgb(color) == neutral) << color;
  }
}

// ---- The answer's points and the legend --------------------------------------------

TEST(AnswerSceneTest, LegendNamesLayerColourAndCount) {
  struct Case {
    std::string_view name;
    std::string_view answer;
    std::string_view legend;
  };
  const Case kCases[] = {
      {"no change", "hq\r\n", "The tool answered \"hq\": no new points."},
      {"attributes only", "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\n", "No new points."},
      {"points", "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 1 0\r\npt 1 1\r\n",
       "3 new points on layer group 2, layer 5, colour 1."},
      {"one point", "lg0\r\nlyA\r\npn9\r\npt 0 0\r\n",
       "1 new point on layer group 0, layer A, colour 9."},
      {"markers in an SXF colour", "lgA\r\nlyF\r\npn105\r\npt 1 1 1.5 0 -7\r\npt 2 1 1.5 0 -7\r\n",
       "2 new point markers × (kind -7, scale 1.5) on layer group A, layer F, colour 105 (SXF-5)."},
      {"no attributes", "pt 1 1\r\n",
       "1 new point on layer group (current), layer (current), colour (current)."},
      {"colour changes midway", "lg1\r\nly1\r\npn3\r\npt 1 1\r\npn4\r\npt 2 2\r\npt 3 3\r\n",
       "1 new point on layer group 1, layer 1, colour 3; "
       "2 new points on layer group 1, layer 1, colour 4."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    PictureScene scene;
    AddAnswerToScene(scene, AnswerOf(c.answer), 1);
    EXPECT_EQ(scene.legend, c.legend);
  }
}

TEST(AnswerSceneTest, PointsTakeThePointColourInForce) {
  PictureScene scene;
  AddAnswerToScene(scene, AnswerOf("pt 9 9\r\nlc2\r\npn3\r\npt 1 2\r\npn5\r\npt 3 4 2 0 -2\r\n"),
                   7);
  ASSERT_EQ(scene.shapes.size(), 3u);
  struct Expected {
    PictureShape::Kind kind;
    int color;
    double x, y;
  };
  const Expected kExpected[] = {
      {PictureShape::Kind::Point, 7, 9, 9},  // before any "pn": the host's colour
      {PictureShape::Kind::Point, 3, 1, 2},  // "lc" does not colour points
      {PictureShape::Kind::Marker, 5, 3, 4},
  };
  for (size_t i = 0; i < std::size(kExpected); ++i) {
    SCOPED_TRACE(i);
    const PictureShape& shape = scene.shapes[i];
    EXPECT_EQ(shape.source, PictureShape::Source::Answer);
    EXPECT_EQ(shape.kind, kExpected[i].kind);
    EXPECT_EQ(shape.color, kExpected[i].color);
    EXPECT_EQ(shape.at.x, kExpected[i].x);
    EXPECT_EQ(shape.at.y, kExpected[i].y);
  }
  EXPECT_EQ(scene.shapes[2].markerKind, -2);
  EXPECT_EQ(scene.shapes[2].markerScale, 2);
}

// ---- The painted picture ------------------------------------------------------------

class PaintTest : public SceneTest {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "render_test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  static void TearDownTestSuite() { app_.reset(); }

  static PictureRgb At(const QImage& image, int x, int y) {
    const QRgb pixel = image.pixel(x, y);
    return {static_cast<uint8_t>(qRed(pixel)), static_cast<uint8_t>(qGreen(pixel)),
            static_cast<uint8_t>(qBlue(pixel))};
  }

  // True when a pixel of the 3 x 3 around (x, y) has exactly the colour.
  static bool ColourNear(const QImage& image, double x, double y, PictureRgb color) {
    const int px = static_cast<int>(std::floor(x));
    const int py = static_cast<int>(std::floor(y));
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (image.valid(px + dx, py + dy) && At(image, px + dx, py + dy) == color) return true;
      }
    }
    return false;
  }

 private:
  static inline std::unique_ptr<QGuiApplication> app_;
};

TEST_F(PaintTest, ExampleShowsEveryNewPointInTheAnswersColour) {
  PictureScene scene = SceneOf(ReadBytes(kExamples / "sample.txt"));
  const std::vector<AnswerCommand> answer = AnswerOf(ReadBytes(kExamples / "sample-answer.txt"));
  AddAnswerToScene(scene, answer, 1);
  EXPECT_EQ(scene.legend, "35 new points on layer group 2, layer 5, colour 1.");
  const PictureLayout layout = LayOutPicture(scene);
  const QImage image = PaintPicture(layout);
  ASSERT_EQ(image.width(), 1200);
  ASSERT_EQ(image.height(), 800);

  const PictureRgb pointColour = HostColorRgb(1);
  int points = 0;
  for (const AnswerCommand& command : answer) {
    if (command.kind != AnswerCommand::Kind::Point) continue;
    ++points;
    const PicturePoint p = layout.frame.ToPixel({std::stod(command.x), std::stod(command.y)});
    ASSERT_TRUE(image.valid(static_cast<int>(p.x), static_cast<int>(p.y))) << command.x;
    // The dot covers the pixel its centre lies in.
    EXPECT_TRUE(At(image, static_cast<int>(p.x), static_cast<int>(p.y)) == pointColour)
        << "(" << command.x << ", " << command.y << ")";
  }
  EXPECT_EQ(points, 35);

  const PictureRgb white{255, 255, 255};
  EXPECT_TRUE(At(image, 0, 0) == white);
  EXPECT_TRUE(At(image, 1199, 0) == white);
  // The line 0 0 100 0 in colour 2 (near black), halfway.
  const PicturePoint mid = layout.frame.ToPixel({50, 0});
  bool dark = false;
  for (int dy = -1; dy <= 1; ++dy) {
    const PictureRgb c = At(image, static_cast<int>(mid.x), static_cast<int>(mid.y) + dy);
    dark = dark || (c.r < 128 && c.g < 128 && c.b < 128);
  }
  EXPECT_TRUE(dark);
  // The middle of the quadrilateral solid is filled grey, neither white nor a line.
  const PicturePoint solid = layout.frame.ToPixel({225, -75});
  const PictureRgb fill = At(image, static_cast<int>(solid.x), static_cast<int>(solid.y));
  EXPECT_FALSE(fill == white);
  EXPECT_EQ(fill.r, fill.g);
  EXPECT_GT(fill.r, 150);
  // The legend writes something below the drawing.
  bool text = false;
  for (int y = static_cast<int>(layout.legendAt.y) - 12; y <= layout.legendAt.y; ++y) {
    for (int x = static_cast<int>(layout.legendAt.x); x < layout.legendAt.x + 100; ++x) {
      const PictureRgb c = At(image, x, y);
      text = text || (c.r < 100 && c.g < 100 && c.b < 100);
    }
  }
  EXPECT_TRUE(text);
}

TEST_F(PaintTest, EachMarkerHasItsShape) {
  // A frame of lines in colour 2 and, in colour 4, one marker of every kind
  // at scale 2 (10 pixels from centre to tip) and a plain point.
  PictureScene scene = SceneOf("lc2\r\n0 0 800 0\r\n800 0 800 400\r\n800 400 0 400\r\n");
  std::string answer = "pn4\r\n";
  for (int kind = -7; kind <= 0; ++kind) {
    answer +=
        "pt " + std::to_string(100 * (-kind) + 50) + " 200 2 0 " + std::to_string(kind) + "\r\n";
  }
  answer += "pt 50 300\r\n";
  AddAnswerToScene(scene, AnswerOf(answer), 1);
  const PictureLayout layout = LayOutPicture(scene);
  const QImage image = PaintPicture(layout);
  const PictureRgb blue = HostColorRgb(4);

  struct Probe {
    double dx, dy;  // pixels from the centre, y down
    bool coloured;
  };
  struct Case {
    int kind;  // 1 stands for the plain point
    std::vector<Probe> probes;
  };
  const Case kCases[] = {
      {-1, {{0, 0, true}, {0, -8, true}, {0, 8, true}, {6.9, 4, true}, {8, 0, false}}},  // ＊
      {-2, {{0, 0, false}, {10, 0, true}, {0, -10, true}, {-7.07, 7.07, true}}},         // ○
      {-3, {{0, 0, true}, {2, 2, true}, {8, 0, false}}},                                 // ・
      {-4, {{0, 0, true}, {8, 0, true}, {0, -8, true}, {6, 6, false}}},                  // ＋
      {-5,
       {{0, 0, false},
        {10, 0, true},
        {-10, 0, true},
        {10, 10, true},
        {-5, -10, true},
        {5, 0, false}}},                                                                    // □
      {-6, {{0, 0, false}, {0, 5, true}, {0, -10, true}, {-8.6, 5, true}, {0, 8, false}}},  // △
      {-7, {{0, 0, true}, {5, 5, true}, {-5, 5, true}, {8, 0, false}}},                     // ×
      {0, {{0, 0, true}, {6, 0, false}, {0, 6, false}}},  // other kinds: a plain dot
      {1, {{0, 0, true}, {6, 0, false}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.kind);
    const PicturePoint centre = layout.frame.ToPixel(
        c.kind == 1 ? PicturePoint{50, 300} : PicturePoint{100.0 * -c.kind + 50, 200});
    for (const Probe& probe : c.probes) {
      EXPECT_EQ(ColourNear(image, centre.x + probe.dx, centre.y + probe.dy, blue), probe.coloured)
          << "at (" << probe.dx << ", " << probe.dy << ")";
    }
  }
}

// ---- The SVG text ------------------------------------------------------------------

size_t Count(std::string_view text, std::string_view part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST_F(SceneTest, SvgOfTheExampleHoldsEveryElement) {
  PictureScene scene = SceneOf(ReadBytes(kExamples / "sample.txt"));
  AddAnswerToScene(scene, AnswerOf(ReadBytes(kExamples / "sample-answer.txt")), 1);
  const std::string svg = PictureSvg(LayOutPicture(scene));

  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
  EXPECT_NE(svg.find("width=\"1200\" height=\"800\" viewBox=\"0 0 1200 800\""), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  struct Element {
    std::string_view text;
    size_t count;
  };
  const Element kElements[] = {
      // Six lines, two open arcs, the linear solid and the circumference solid.
      {"<polyline ", 10},
      // The full circle and the closed arc.
      {"<polygon ", 2},
      // The triangle, quadrilateral, two circle and two annulus solids.
      {"<path ", 6},
      {"<g class=\"drawing-point\">", 2},
      {"<g class=\"new-point\">", 35},
      {"<circle ", 2 + 35 + 1},  // the drawing's point and ○ marker, new points, the swatch
      {"<circle cx=\"102.92\" cy=\"504.4\" r=\"2.5\" fill=\"#d81b60\"/>", 1},  // the new (0, 0)
      {"fill=\"#d81b60\"", 35 + 1},
      {"<text class=\"legend\"", 1},
      {">35 new points on layer group 2, layer 5, colour 1.</text>", 1},
  };
  for (const Element& e : kElements) {
    EXPECT_EQ(Count(svg, e.text), e.count) << e.text;
  }
  // New points come after every figure of the drawing.
  EXPECT_GT(svg.find("<g class=\"new-point\">"), svg.rfind("<g class=\"drawing-point\">"));
}

TEST(SvgTest, LegendIsEscaped) {
  PictureScene scene;
  AddAnswerToScene(scene, AnswerOf("hq\r\n"), 1);
  const std::string svg = PictureSvg(LayOutPicture(scene));
  EXPECT_NE(svg.find(">The tool answered &quot;hq&quot;: no new points.</text>"),
            std::string::npos);
  EXPECT_EQ(svg.find("class=\"new-point\""), std::string::npos);
}

}  // namespace
