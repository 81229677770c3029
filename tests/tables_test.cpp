// The entity tables: record fields and headers, the order table and its
// growth, text styles, dimensions and the reduction of polygon solids.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "tests/support/ExchangeTest.h"

namespace {

using Tables = ExchangeTest;

std::vector<int32_t> HeadOf(const TJwwEntHead& h) {
  return {h.HhpNo, h.Lg, h.Ly, h.Lc, h.Lt, h.Lw, h.ZFlags};
}

// ---- Headers and fields --------------------------------------------------------------------

TEST_F(Tables, StampHeadCopiesTheCurrentAttributesInOrder) {
  CurHhpNo = 1;
  CurLg = 2;
  CurLy = 3;
  CurLc = 4;
  CurLt = 5;
  CurLw = 6;
  CurZFlags = 7;
  TJwwEntHead head{};
  JwwStampHead(head);
  EXPECT_EQ(HeadOf(head), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(Tables, RecordsTakeTheHeaderOfTheLinesBeforeThem) {
  ParseLines({"hhp4", "lg2", "ly3", "lc5", "lt6", "lw7", "z2", "1.5 2.5 3.5 4.5", "ci 1 2 3"});
  ASSERT_EQ(JwwLineCount, 1);
  EXPECT_EQ(HeadOf(JwwLine[0].Head), (std::vector<int32_t>{4, 2, 3, 5, 6, 7, 2}));
  EXPECT_EQ(JwwLine[0].PlNo, 0);
  EXPECT_EQ(JwwLine[0].X1, 1.5);
  EXPECT_EQ(JwwLine[0].Y1, 2.5);
  EXPECT_EQ(JwwLine[0].X2, 3.5);
  EXPECT_EQ(JwwLine[0].Y2, 4.5);
  EXPECT_EQ(HeadOf(JwwCircle[0].Head), (std::vector<int32_t>{0, 2, 3, 5, 6, 7, 0}));
  EXPECT_EQ(JwwCircle[0].Cx, 1.0);
  EXPECT_EQ(JwwCircle[0].Cy, 2.0);
  EXPECT_EQ(JwwCircle[0].R, 3.0);
}

TEST_F(Tables, ArcsAreStoredAsRead) {
  ParseLines({"ci 1 2 3 30 10 0.5 45"});
  ASSERT_EQ(JwwArcCount, 1);
  const TJwwEntArc& a = JwwArc[0];
  EXPECT_EQ((std::vector<double>{a.Cx, a.Cy, a.R, a.StartAng, a.EndAng, a.Flat, a.Tilt}),
            (std::vector<double>{1, 2, 3, 30, 10, 0.5, 45}));
}

TEST_F(Tables, PointsTakeThePointColour) {
  ParseLines({"lc3", "pn6", "pt 1 2", "pt 3 4 0.5 0.25 -3 extra", "pt 5 6"});
  ASSERT_EQ(JwwPointCount, 2);
  EXPECT_EQ(JwwPoint[0].Head.Lc, 6);
  EXPECT_EQ(JwwPoint[0].X, 1.0);
  EXPECT_EQ(JwwPoint[0].Y, 2.0);
  ASSERT_EQ(JwwPointMarkCount, 1);
  const TJwwEntPointMark& m = JwwPointMark[0];
  EXPECT_EQ(m.Head.Lc, 6);
  EXPECT_EQ((std::vector<double>{m.X, m.Y, m.Scale, m.Aux}), (std::vector<double>{3, 4, 0.5, 0.25}));
  EXPECT_EQ(m.MarkKind, -3);
  EXPECT_EQ(CurLc, 3);
}

TEST_F(Tables, BlockReferencesKeepTheWholeName) {
  const std::string name(400, 'n');
  JwwParseLine("BL 1 2 " + name + " more");
  ASSERT_EQ(JwwBlkCount, 1);
  EXPECT_EQ(JwwBlk[0].X, 1.0);
  EXPECT_EQ(JwwBlk[0].Y, 2.0);
  EXPECT_EQ(JwwBlk[0].Name, name);
}

TEST_F(Tables, SolidsTakeTheSolidColourOfTheLastLineColourTen) {
  ParseLines({"sl 0 0 1 1", "lc10 5", "lc3", "sc 1 2 3 0.5 0.25 0.125 6 100", "se 1 2 3 4 5 6 7 -1",
              "so 1 2 3 4 5 6 7 8", "lc10 9", "sg 8 7 6 5 4 3 2 1 0", "sl 0 0 1 1 2 2"});
  EXPECT_EQ(JwwSolidLine[0].SolidColor, 0);
  const TJwwEntSolidCircle& c = JwwSolidCircle[0];
  EXPECT_EQ(c.SolidColor, 5);
  EXPECT_EQ(c.Head.Lc, 3);
  EXPECT_EQ((std::vector<double>{c.Cx, c.Cy, c.R, c.Flat, c.Tilt, c.StartAng, c.Span}),
            (std::vector<double>{1, 2, 3, 0.5, 0.25, 0.125, 6}));
  EXPECT_EQ(c.FillMode, JwwFillNoEnds);
  EXPECT_EQ(JwwSolidCircum[0].FillMode, JwwFillTangent);
  EXPECT_EQ(JwwSolidCircum[0].SolidColor, 5);
  const TJwwEntSolidRing& r = JwwSolidRing[0];
  EXPECT_EQ((std::vector<double>{r.Cx, r.Cy, r.R, r.Flat, r.Tilt, r.StartAng, r.Span, r.R2}),
            (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(r.SolidColor, 5);
  EXPECT_EQ(JwwSolidRingW[0].R2, 1.0);
  EXPECT_EQ(JwwSolidRingW[0].SolidColor, 9);
  EXPECT_EQ(JwwSolidTri[0].SolidColor, 9);
}

// ---- Texts --------------------------------------------------------------------------------

TEST_F(Tables, TextKindComesFromTheKeyword) {
  const char* const keywords[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
  for (const char* keyword : keywords) JwwParseLine(std::string(keyword) + " 1 2 3 4 t");
  ASSERT_EQ(JwwTextCount, 10);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(JwwText[i].TextKind, i) << keywords[i];
}

TEST_F(Tables, TextFieldsComeFromTheLineAndTheCurrentAttributes) {
  ParseLines({"cc4", "cn$Font", "lc7", "cr 1 2 0.5 -0.5 \"hello world"});
  ASSERT_EQ(JwwTextCount, 1);
  const TJwwEntText& t = JwwText[0];
  EXPECT_EQ(t.TextKind, 3);
  EXPECT_EQ(t.Cc, 4);
  EXPECT_EQ(t.StyleNo, 1);
  EXPECT_EQ((std::vector<double>{t.X, t.Y, t.Dx, t.Dy}), (std::vector<double>{1, 2, 0.5, -0.5}));
  EXPECT_EQ(t.FontName, "Font");
  EXPECT_EQ(t.Text, "hello world");
}

TEST_F(Tables, TextSizeAndColourComeFromTheStyleTableOrTheExplicitValues) {
  struct Case {
    std::string style;
    double width, height, spacing;
    int32_t color;
  };
  JwwParseLine("ch 0 0 1 0 t");
  EXPECT_EQ(JwwText[0].Width, 3.0);
  EXPECT_EQ(JwwText[0].Height, 3.0);
  EXPECT_EQ(JwwText[0].Spacing, 0.0);
  EXPECT_EQ(JwwText[0].Head.Lc, 2);
  const Case cases[] = {
      {"cn3", 13.0, 23.0, 0.25, 33},
      {"cn10", 110.0, 210.0, 2.5, 310},
      {"cn0 1.5 2.5 0.5 6", 1.5, 2.5, 0.5, 6},
      {"cn11", 1.5, 2.5, 0.5, 6},  // the explicit values of the last "cn0"
      {"cn-1", 1.5, 2.5, 0.5, 6},
  };
  ParseLines({"hcw 11 12 13 14 15 16 17 18 19 110", "hch 21 22 23 24 25 26 27 28 29 210",
              "hcd 0 0 0.25 0 0 0 0 0 0 2.5", "hcc 31 32 33 34 35 36 37 38 39 310"});
  for (const Case& c : cases) {
    ParseLines({"lc9", c.style, "ch 0 0 1 0 t"});
    const TJwwEntText& t = JwwText[JwwTextCount - 1];
    EXPECT_EQ(t.Width, c.width) << c.style;
    EXPECT_EQ(t.Height, c.height) << c.style;
    EXPECT_EQ(t.Spacing, c.spacing) << c.style;
    EXPECT_EQ(t.Head.Lc, c.color) << c.style;
  }
}

TEST_F(Tables, TextAndFontNameAreCutTo255Bytes) {
  const std::string font(300, 'f');
  const std::string text(300, 't');
  JwwParseLine("cn$" + font);
  JwwParseLine("ch 0 0 1 0 " + text);
  ASSERT_EQ(JwwTextCount, 1);
  EXPECT_EQ(JwwText[0].FontName, font.substr(0, 255));
  EXPECT_EQ(JwwText[0].Text, text.substr(0, 255));
  EXPECT_EQ(CurFont, font);
}

// ---- Dimensions -----------------------------------------------------------------------------

TEST_F(Tables, ADimensionWithoutAHeldSegmentUsesTheResetOne) {
  ParseLines({"lc4", "msg", "cs 1 2 3 4 100"});
  ASSERT_EQ(JwwDimCount, 1);
  const TJwwEntDim& d = JwwDim[0];
  EXPECT_EQ(HeadOf(d.DimLine.Head), (std::vector<int32_t>{0, 0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(d.DimLine.PlNo, 0);
  EXPECT_EQ((std::vector<double>{d.DimLine.X1, d.DimLine.Y1, d.DimLine.X2, d.DimLine.Y2}),
            (std::vector<double>{0, 0, 1, 0}));
  EXPECT_EQ(d.Head.Lc, 4);
  EXPECT_EQ(d.DimText.TextKind, 2);
  EXPECT_EQ(d.DimText.Text, "100");
  EXPECT_EQ(d.DimText.Head.Lc, 2);  // the colour of text style 1
  EXPECT_EQ(d.DimText.X, 1.0);
  EXPECT_EQ(d.DimText.Dy, 4.0);
}

TEST_F(Tables, TheHeldSegmentIsStampedAndReusedByLaterDimensions) {
  ParseLines({"lc3", "pl", "msg", "hhp2", "z1", "0 0 7 8", "lc4", "hhp5", "cs 1 2 3 4 x", "msg",
              "cs 5 6 7 8 y"});
  ASSERT_EQ(JwwDimCount, 2);
  EXPECT_EQ(JwwLineCount, 0);
  EXPECT_EQ(HeadOf(HeldLine.Head), (std::vector<int32_t>{2, 0, 0, 3, 1, 0, 1}));
  for (int32_t i = 0; i < 2; ++i) {
    const TJwwEntLine& l = JwwDim[i].DimLine;
    EXPECT_EQ(HeadOf(l.Head), HeadOf(HeldLine.Head));
    EXPECT_EQ(l.PlNo, 0);
    EXPECT_EQ(l.X2, 7.0);
    EXPECT_EQ(l.Y2, 8.0);
  }
  EXPECT_EQ(HeadOf(JwwDim[0].Head), (std::vector<int32_t>{5, 0, 0, 4, 1, 0, 0}));
  EXPECT_EQ(JwwDim[0].DimText.Head.HhpNo, 5);
  EXPECT_EQ(JwwDim[1].DimText.Text, "y");
}

// ---- Order table and growth ---------------------------------------------------------------

TEST_F(Tables, TheOrderTableListsKindAndIndexInFileOrder) {
  ParseLines({"0 0 1 1", "ci 1 2 3 0 90 1 0", "0 0 2 2", "sl 0 0 1 1", "msg", "0 0 5 5", "cs 1 2 3 4 t",
              "ci 0 0 1", "sl 0 0 0 0 1 1", "ch 1 1 1 1 t"});
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (int32_t i = 0; i < JwwOrderCount; ++i) pairs.emplace_back(JwwOrder[i].Kind, JwwOrder[i].Index);
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {JwwKindLine, 0},      {JwwKindArc, 0},    {JwwKindLine, 1},      {JwwKindSolidLine, 0},
      {JwwKindDim, 0},       {JwwKindCircle, 0}, {JwwKindSolidLine, 1}, {JwwKindText, 0}};
  EXPECT_EQ(pairs, expected);
}

TEST_F(Tables, AddOrderAppendsOnePair) {
  JwwAddOrder(JwwKindPoint, 42);
  ASSERT_EQ(JwwOrderCount, 1);
  EXPECT_EQ(JwwOrder[0].Kind, JwwKindPoint);
  EXPECT_EQ(JwwOrder[0].Index, 42);
  EXPECT_EQ(JwwOrder.Length(), 1000);
}

TEST_F(Tables, TablesGrowInStepsOfAThousand) {
  JwwParseLine("0 0 1 1");
  EXPECT_EQ(JwwLine.Length(), 1000);
  EXPECT_EQ(JwwOrder.Length(), 1000);
  EXPECT_EQ(JwwArc.Length(), 0);
  for (int32_t i = 1; i < 1000; ++i) JwwParseLine("0 0 1 " + std::to_string(i));
  EXPECT_EQ(JwwLine.Length(), 1000);
  JwwParseLine("0 0 1 1000");
  EXPECT_EQ(JwwLineCount, 1001);
  EXPECT_EQ(JwwLine.Length(), 2000);
  EXPECT_EQ(JwwOrder.Length(), 2000);
  EXPECT_EQ(JwwLine[1000].Y2, 1000.0);
  EXPECT_EQ(JwwOrder[1000].Index, 1000);
  JwwParseLine("ci 0 0 1 0 90 1 0");
  EXPECT_EQ(JwwArc.Length(), 1000);
  EXPECT_EQ(JwwOrder[1001].Kind, JwwKindArc);
  EXPECT_EQ(JwwOrder[1001].Index, 0);
}

// ---- Polygon solids -------------------------------------------------------------------------

TEST_F(Tables, PolygonSolidsMergeCoincidingCorners) {
  struct Case {
    std::string line;
    int32_t kind;
    std::vector<double> corners;
  };
  const Case cases[] = {
      {"sl 1 2 3 4", JwwKindSolidLine, {1, 2, 3, 4}},
      // Three corners.
      {"sl 0 0 0 0 10 10", JwwKindSolidLine, {0, 0, 10, 10}},
      {"sl 0 0 10 0 10 0", JwwKindSolidLine, {0, 0, 10, 0}},
      {"sl 0 0 10 0 0 0", JwwKindSolidTri, {0, 0, 10, 0, 0, 0}},
      {"sl 0 0 10 0 10 10", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 1 1 1 1 1 1", JwwKindSolidLine, {1, 1, 1, 1}},
      // Four corners, each branch in turn.
      {"sl 0 0 0 0 0 0 5 6", JwwKindSolidLine, {0, 0, 5, 6}},
      {"sl 3 3 3 3 3 3 3 3", JwwKindSolidLine, {3, 3, 3, 3}},
      {"sl 1 2 5 5 5 5 5 5", JwwKindSolidLine, {1, 2, 5, 5}},
      {"sl 0 0 0 0 7 8 7 8", JwwKindSolidLine, {0, 0, 7, 8}},
      {"sl 0 0 10 0 10 10 0 0", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 0 0 10 0 10 10 10 0", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 0 0 10 0 10 10 10 10", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 0 0 10 0 0 0 0 10", JwwKindSolidTri, {0, 0, 10, 0, 0, 10}},
      {"sl 0 0 10 0 10 0 0 10", JwwKindSolidTri, {0, 0, 10, 0, 0, 10}},
      {"sl 0 0 0 0 10 0 10 10", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 0 0 10 0 10 10 0 10", JwwKindSolidQuad, {0, 0, 10, 0, 10, 10, 0, 10}},
      {"sl 0 0 10 0 10 10 0 10 0 0 x", JwwKindSolidQuad, {0, 0, 10, 0, 10, 10, 0, 10}},
      // Corners coincide within 1e-10 on both axes.
      {"sl 0 0 0.5e-10 -0.9e-10 10 10", JwwKindSolidLine, {0, 0, 10, 10}},
      {"sl 0 0 2e-10 0 10 10", JwwKindSolidTri, {0, 0, 2e-10, 0, 10, 10}},
      {"sl 0 0 0 2e-10 10 10", JwwKindSolidTri, {0, 0, 0, 2e-10, 10, 10}},
      {"sl 5 5 10 10 10.00000000005 10", JwwKindSolidLine, {5, 5, 10, 10}},
      {"sl 0 0 10 0 10 10 0.5e-10 0", JwwKindSolidTri, {0, 0, 10, 0, 10, 10}},
      {"sl 0 0 10 0 10 10 2e-10 0", JwwKindSolidQuad, {0, 0, 10, 0, 10, 10, 2e-10, 0}},
      // The double nearest 1e-10 lies above 1e-10 in extended precision.
      {"sl 0 0 1e-10 0 10 10", JwwKindSolidTri, {0, 0, 1e-10, 0, 10, 10}},
  };
  for (const Case& c : cases) {
    JwwInit();
    JwwParseLine(c.line);
    ASSERT_EQ(JwwOrderCount, 1) << c.line;
    EXPECT_EQ(JwwOrder[0].Kind, c.kind) << c.line;
    std::vector<double> corners;
    if (c.kind == JwwKindSolidLine) {
      const TJwwEntSolidLine& s = JwwSolidLine[0];
      corners = {s.X1, s.Y1, s.X2, s.Y2};
    } else if (c.kind == JwwKindSolidTri) {
      const TJwwEntSolidTri& s = JwwSolidTri[0];
      corners = {s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3};
    } else {
      const TJwwEntSolidQuad& s = JwwSolidQuad[0];
      corners = {s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3, s.X4, s.Y4};
    }
    EXPECT_EQ(corners, c.corners) << c.line;
  }
}

}  // namespace
