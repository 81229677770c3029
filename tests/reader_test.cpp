// The exchange-file reader: which rule claims a line, the tokeniser, the
// attribute rules, polylines and dimensions, and reading the file itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"
#include "tests/support/ExchangeTest.h"
#include "tests/support/TestSupport.h"

using namespace std::string_literals;

namespace {

using Reader = ExchangeTest;
using ReadFile = ExchangeTest;

// The kinds of the order table, in file order.
std::vector<int32_t> Kinds() {
  std::vector<int32_t> kinds;
  for (int32_t i = 0; i < JwwOrderCount; ++i) kinds.push_back(JwwOrder[i].Kind);
  return kinds;
}

// ---- Which rule claims a line -----------------------------------------------------------

TEST_F(Reader, EachKeywordClaimsItsLinesAndTooFewTokensFallThrough) {
  struct Case {
    std::string line;
    std::vector<int32_t> kinds;
  };
  const Case cases[] = {
      {"0 0 100 0", {JwwKindLine}},
      {"", {}},
      {" \t  \t", {}},
      // Claimed with four tokens: nothing is stored.
      {"hk 1 2 3", {}},
      {"hzs 1 2 3", {}},
      {"bz 1 2 3", {}},
      {"lgn 1 2 3", {}},
      {"lyn 1 2 3", {}},
      {"lg1 1 2 3", {}},
      {"ly1 1 2 3", {}},
      {"lc1 1 2 3", {}},
      {"lt1 1 2 3", {}},
      {"lw1 1 2 3", {}},
      {"cn$x 1 2 3", {}},
      {"cn1 1 2 3", {}},
      {"cc1 1 2 3", {}},
      {"z1 1 2 3", {}},
      {"z5 1 2 3", {}},
      {"pn1 1 2 3", {}},
      {"pl 1 2 3", {}},
      {"msg 1 2 3", {}},
      {"# 1 2 3", {}},
      {"hp1 1 2 3", {}},
      {"hhp1 1 2 3", {}},
      {"BL 1 2 x", {JwwKindBlk}},
      {"ci 1 2 3", {JwwKindCircle}},
      // Conditions that fail with four tokens: the line becomes a segment.
      {"hs 1 2 3", {JwwKindLine}},
      {"hcw 1 2 3", {JwwKindLine}},
      {"hch 1 2 3", {JwwKindLine}},
      {"hcd 1 2 3", {JwwKindLine}},
      {"hcc 1 2 3", {JwwKindLine}},
      {"hn 1 2 3", {JwwKindLine}},
      {"ch 1 2 3", {JwwKindLine}},
      {"c2 1 2 3", {JwwKindLine}},
      {"pt 1 2 3", {JwwKindLine}},
      {"sl 1 2 3", {JwwKindLine}},
      {"sc 1 2 3", {JwwKindLine}},
      {"se 1 2 3", {JwwKindLine}},
      {"so 1 2 3", {JwwKindLine}},
      {"sg 1 2 3", {JwwKindLine}},
      // Unknown or differently cased words.
      {"z6 1 2 3", {JwwKindLine}},
      {"HK 1 2 3", {JwwKindLine}},
      {"bl 1 2 x", {JwwKindLine}},
      {"cx 1 2 3", {JwwKindLine}},
      // No rule for these counts.
      {"ci 1 2 3 4", {}},
      {"ci 1 2 3 4 5 6", {}},
      {"ci 0 0 5 ", {}},
      {"pt 1 2 3 4", {}},
      {"sl 1 2 3 4 5", {}},
      {"sl 1 2 3 4 5 6 7", {}},
      {"cx 1 2 3 4 t", {}},
      {"BL 1 2", {}},
      {"hp1 1", {}},
      {"0 0 1", {}},
      {"0 0 1 1 1", {}},
      // The entities of the other rules.
      {"ci 1 2 3 4 5 6 7", {JwwKindArc}},
      {"ch 1 2 3 4 t", {JwwKindText}},
      {"c2 1 2 3 4 t", {JwwKindText}},
      {"cs 1 2 3 4 t", {JwwKindText}},
      {"pt 1 2", {JwwKindPoint}},
      {"pt 1 2 3 4 5", {JwwKindPointMark}},
      {"sl 1 2 3 4", {JwwKindSolidLine}},
      {"sl 1 2 3 4 5 6", {JwwKindSolidTri}},
      {"sl 1 2 3 4 5 6 7 8", {JwwKindSolidQuad}},
      {"sc 1 2 3 4 5 6 7 8", {JwwKindSolidCircle}},
      {"se 1 2 3 4 5 6 7 8", {JwwKindSolidCircum}},
      {"so 1 2 3 4 5 6 7 8", {JwwKindSolidRing}},
      {"sg 1 2 3 4 5 6 7 8", {JwwKindSolidRingW}},
      {"file=a b c d", {}},
  };
  for (const Case& c : cases) {
    JwwInit();
    JwwParseLine(c.line);
    EXPECT_EQ(Kinds(), c.kinds) << '"' << c.line << '"';
  }
}

TEST_F(Reader, AnUnknownWordWithThreeNumbersIsASegmentFromX0) {
  ParseLines({"abc 5 6 7"});
  ASSERT_EQ(JwwLineCount, 1);
  EXPECT_EQ(JwwLine[0].X1, 0.0);
  EXPECT_EQ(JwwLine[0].Y1, 5.0);
  EXPECT_EQ(JwwLine[0].X2, 6.0);
  EXPECT_EQ(JwwLine[0].Y2, 7.0);
}

// ---- Tokeniser ------------------------------------------------------------------------------

TEST_F(Reader, TokenBytesFollowQuotesEqualsSignsAndDoubleByteCharacters) {
  struct Case {
    std::string line;  // a block reference: its name is token 3
    int32_t count;     // 1 when the line had four or more tokens
    std::string name;
  };
  const Case cases[] = {
      {"BL 1 2 name", 1, "name"},
      {"BL\t1\t\t2  name", 1, "name"},
      {"   BL 1 2 name", 1, "name"},
      // After a quote or an equals sign the rest of the line is one token.
      {"BL 1 2 \"a b \"c\"", 1, "a b \"c\""},
      {"BL 1 2 a=b c", 1, "a=b c"},
      {"BL 1 2 a\"b c", 1, "ab c"},
      {"BL 1 2 \"a\tb", 1, "ab"},
      {"BL 1 2 \"", 1, ""},
      // The full-width space and two-byte characters whose second byte is a
      // space, quote or equals sign stay inside the token.
      {"BL 1 2 A\x81\x40" "B", 1, "A\x81\x40" "B"},
      {"BL 1 2 \x82\x20x", 1, "\x82\x20x"},
      {"BL 1 2 \x81\x22 x", 1, "\x81\x22"},
      {"BL 1 2 \x81\x3d x", 1, "\x81\x3d"},
      {"BL 1 2 \xe0\x09x", 1, "\xe0\x09x"},
      // Half-width katakana is one byte: the space after it separates.
      {"BL 1 2 \xb1 x", 1, "\xb1"},
      // Control bytes, 0xFE, 0xFF and a lead byte at the end are dropped.
      {"BL 1 2 a\x01" "b\x7f", 1, "ab\x7f"},
      {"BL 1 2 a\xfe" "b\xff", 1, "ab"},
      {"BL 1 2 ab\x82", 1, "ab"},
      {"BL 1 2 \x82", 1, ""},
      {"BL 1 2\x01", 0, ""},
  };
  for (const Case& c : cases) {
    JwwInit();
    JwwParseLine(c.line);
    ASSERT_EQ(JwwBlkCount, c.count) << c.line;
    if (c.count == 1) {
      EXPECT_EQ(JwwBlk[0].Name, c.name) << c.line;
    }
  }
}

TEST_F(Reader, ASeparatorAfterTheLastTokenCountsOneMoreToken) {
  // Four tokens, the last one empty: a segment ending at (100, 0).
  ParseLines({"0 0 100 "});
  ASSERT_EQ(JwwLineCount, 1);
  EXPECT_EQ(JwwLine[0].X2, 100.0);
  EXPECT_EQ(JwwLine[0].Y2, 0.0);
  ParseLines({"ci 0 0 5\t", "ci 0 0 5  "});
  EXPECT_EQ(JwwCircleCount, 0);
}

TEST_F(Reader, ALineOfTenThousandTokensIsSeenWhole) {
  std::string arc = "ci";
  std::string scale = "hs";
  for (int i = 1; i < 10000; ++i) {
    arc += " " + std::to_string(i);
    scale += " " + std::to_string(i);
  }
  ParseLines({arc, scale});
  ASSERT_EQ(JwwArcCount, 1);
  EXPECT_EQ(JwwArc[0].Tilt, 7.0);
  EXPECT_EQ(LgScale[15], 16.0);
  std::string text = "ch 1 2 3 4 t5";
  for (int i = 6; i < 10000; ++i) text += " t" + std::to_string(i);
  ParseLines({text});
  ASSERT_EQ(JwwTextCount, 1);
  EXPECT_EQ(JwwText[0].Text, "t5");
}

TEST_F(Reader, FileNameKeepsTheRestOfTheLine) {
  ParseLines({"file=C:\\My Drawings\\a b.jww"});
  EXPECT_EQ(JwwFileName, "C:\\My Drawings\\a b.jww");
  // Token 0 from its 6th byte, wherever "file=" stands in it.
  ParseLines({"xfile=D:\\x"});
  EXPECT_EQ(JwwFileName, "=D:\\x");
}

// ---- Attribute rules ---------------------------------------------------------------------

TEST_F(Reader, LayerGroupAndLayerTakeOneHexadecimalDigit) {
  struct Case {
    std::string line;
    int32_t group;
  };
  const Case cases[] = {{"lg1", 1}, {"lg9", 9}, {"lgA", 10}, {"lga", 10}, {"lgF", 15}, {"lgf", 15},
                        {"lgZ", 0}, {"lgG", 0}, {"lg", 0},   {"lg12", 1}, {"lg-", 0},  {"lg\x82\xa0", 0}};
  for (const Case& c : cases) {
    JwwInit();
    ParseLines({"lg5", c.line, "ly5", "ly" + c.line.substr(2)});
    EXPECT_EQ(CurLg, c.group) << c.line;
    EXPECT_EQ(CurLy, c.group) << c.line;
  }
}

TEST_F(Reader, LayerStatesAndNamesGoToTheCurrentEntries) {
  ParseLines({"lg1 3", "lgnWalls", "ly2 7", "lynDoors", "ly4"});
  EXPECT_EQ(LgState[1], 3);
  EXPECT_EQ(LgName[1], "Walls");
  EXPECT_EQ(LyState[1 * 16 + 2], 7);
  EXPECT_EQ(LyName[1 * 16 + 2], "Doors");
  EXPECT_EQ(LyState[1 * 16 + 4], 0);
  ParseLines({"lgA 2", "lyF 9"});
  EXPECT_EQ(LgState[10], 2);
  EXPECT_EQ(LyState[10 * 16 + 15], 9);
}

TEST_F(Reader, TheNextRunStartsWithBlankLayerArraysAndNumberedPoints) {
  for (const char* line : {"lg1 3", "lgnWalls", "ly2 7", "lynDoors", "hp7 1 2"}) {
    JwwInit();
    ParseLines({"lg1", "ly2", line});
    JwwFree();
    JwwInit();
    EXPECT_EQ(LgState, std::vector<int32_t>(16, 0)) << line;
    EXPECT_EQ(LgName, std::vector<std::string>(16)) << line;
    EXPECT_EQ(LyState, std::vector<int32_t>(256, 0)) << line;
    EXPECT_EQ(LyName, std::vector<std::string>(256)) << line;
    EXPECT_FALSE(JwwHp.at(7).Used) << line;
  }
}

TEST_F(Reader, OnlyTheFirstLineOfEachAttributeSetsTheHostValue) {
  ParseLines({"lg2", "ly3", "lc4", "lt5", "lw6", "cn7", "lg8", "ly9", "lc10", "lt11", "lw12", "cn0 5 5 5 5"});
  EXPECT_EQ(HostLg, 2);
  EXPECT_EQ(HostLy, 3);
  EXPECT_EQ(HostLc, 4);
  EXPECT_EQ(HostLt, 5);
  EXPECT_EQ(HostLw, 6);
  EXPECT_EQ(HostStyleNo, 7);
  EXPECT_EQ(HostTextW, 2.0);
  EXPECT_EQ(CurLg, 8);
  EXPECT_EQ(CurLy, 9);
  EXPECT_EQ(CurLc, 10);
  EXPECT_EQ(CurLt, 11);
  EXPECT_EQ(CurLw, 12);
  EXPECT_EQ(CurStyleNo, 0);
  EXPECT_EQ(CurTextW, 5.0);
  EXPECT_TRUE(LwGiven);
}

TEST_F(Reader, WithoutAnyLwLineLwGivenStaysFalse) {
  ParseLines({"lg1", "lc2", "lt3", "0 0 1 1"});
  EXPECT_FALSE(LwGiven);
  EXPECT_EQ(HostLw, 0);
}

TEST_F(Reader, LineColourTenSetsTheSolidColour) {
  ParseLines({"lc10 5"});
  EXPECT_EQ(CurLc, 10);
  EXPECT_EQ(CurSolidColor, 5);
  ParseLines({"lc5 7", "lc10"});
  EXPECT_EQ(CurLc, 10);
  EXPECT_EQ(CurSolidColor, 5);
  ParseLines({"lc$A 6"});
  EXPECT_EQ(CurSolidColor, 6);
}

TEST_F(Reader, TextStyleTakesItsOwnSizesOnlyForStyleZeroWithFourValues) {
  ParseLines({"cn0 1.5 2.5 0.5 4"});
  EXPECT_EQ(HostStyleNo, 0);
  EXPECT_EQ(HostTextW, 1.5);
  EXPECT_EQ(HostTextH, 2.5);
  EXPECT_EQ(HostTextSp, 0.5);
  EXPECT_EQ(HostTextColor, 4);
  ParseLines({"cn0 3 3 3 7", "cn5 9 9 9 9", "cn0 8 8 8"});
  EXPECT_EQ(HostTextW, 1.5);
  EXPECT_EQ(CurStyleNo, 0);
  EXPECT_EQ(CurTextW, 3.0);
  EXPECT_EQ(CurTextColor, 7);

  JwwInit();
  ParseLines({"cn3 9 9 9 9", "cn0 6 6 6 6"});
  EXPECT_EQ(HostStyleNo, 3);
  EXPECT_EQ(HostTextW, 2.0);
  EXPECT_EQ(CurTextW, 6.0);
}

TEST_F(Reader, TheFirstNonEmptyFontNameIsTheHostFont) {
  ParseLines({"cn$", "cn$Mincho", "cn$Gothic"});
  EXPECT_EQ(HostFont, "Mincho");
  EXPECT_EQ(CurFont, "Gothic");
  EXPECT_EQ(NeedCn, true);
  EXPECT_EQ(CurStyleNo, 1);
}

TEST_F(Reader, TextColourTakesOneDecimalDigitUpToEight) {
  struct Case {
    std::string line;
    int32_t cc;
  };
  const Case cases[] = {{"cc3", 3}, {"cc8", 8}, {"cc9", 0}, {"cc37", 3}, {"ccA", 0}, {"cc", 0}, {"cc-", 0}};
  for (const Case& c : cases) {
    JwwInit();
    ParseLines({"cc5", c.line});
    EXPECT_EQ(CurCc, c.cc) << c.line;
  }
}

TEST_F(Reader, HeaderValuesAreRead) {
  ParseLines({"hk 0.5", "hzs 420 297", "hn 1 2 3 4", "bz", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
              "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
              "hcd 0.25 0.5 0.75 1 1.25 1.5 1.75 2 2.25 2.5", "hcc 1 2 3 4 5 6 7 8 9 $A"});
  EXPECT_EQ(HkValue, 0.5);
  EXPECT_EQ(SheetW, 420.0);
  EXPECT_EQ(SheetH, 297.0);
  EXPECT_EQ(HnValues[3], 4.0);
  EXPECT_TRUE(BzFlag);
  EXPECT_EQ(LgScale[0], 1.0);
  EXPECT_EQ(LgScale[15], 16.0);
  EXPECT_EQ(JwwTextStyle[1].Width, 1.0);
  EXPECT_EQ(JwwTextStyle[10].Height, 20.0);
  EXPECT_EQ(JwwTextStyle[3].Spacing, 0.75);
  EXPECT_EQ(JwwTextStyle[10].Color, 10);
  EXPECT_EQ(JwwOrderCount, 0);
}

TEST_F(Reader, ZFlagsCollectUntilTheNextEntity) {
  ParseLines({"z3", "z3", "z1", "z5"});
  EXPECT_EQ(CurZFlags, 1 + 4 + 16);
  ParseLines({"0 0 1 1", "z2", "ci 0 0 1", "0 0 2 2"});
  EXPECT_EQ(JwwLine[0].Head.ZFlags, 21);
  EXPECT_EQ(JwwCircle[0].Head.ZFlags, 2);
  EXPECT_EQ(JwwLine[1].Head.ZFlags, 0);
  EXPECT_EQ(CurZFlags, 0);
}

TEST_F(Reader, NumberedPointsTakeNumberAndKindFromToken0) {
  struct Case {
    std::string line;
    int32_t entry;  // 0: nothing stored
    int32_t kind;
  };
  const Case cases[] = {
      {"hp3 10 20", 3, 0},      {"hp3- 10 20", 3, 1},   {"hp3ln 10 20", 3, 2},
      {"hp3ci 10 20", 3, 3},    {"hp3ch 10 20", 3, 4},  {"hp99 10 20", 99, 0},
      {"hp5ln- 10 20", 5, 2},   {"hp0 10 20", 0, 0},    {"hp100 10 20", 0, 0},
      {"hp-1 10 20", 0, 0},     {"hp5-ln 10 20", 0, 0}, {"hpx 10 20", 0, 0},
      {"hp$A 10 20", 10, 0},
  };
  for (const Case& c : cases) {
    JwwInit();
    JwwParseLine(c.line);
    EXPECT_EQ(JwwHpCount, c.entry == 0 ? 0 : 1) << c.line;
    if (c.entry == 0) continue;
    const TJwwHp& hp = JwwHp[static_cast<size_t>(c.entry)];
    EXPECT_TRUE(hp.Used) << c.line;
    EXPECT_EQ(hp.X, 10.0) << c.line;
    EXPECT_EQ(hp.Y, 20.0) << c.line;
    EXPECT_EQ(hp.HpKind, c.kind) << c.line;
  }
  JwwInit();
  ParseLines({"hp7 1 2", "hp7 3 4"});
  EXPECT_EQ(JwwHpCount, 2);
  EXPECT_EQ(JwwHp[7].X, 3.0);
}

TEST_F(Reader, HhpNumberGoesToTheNextEntityOnly) {
  struct Case {
    std::string line;
    int32_t number;
  };
  const Case cases[] = {
      {"hhp7", 7},      {"hhp12ln", 12}, {"hhp7ci", 7},    {"hhp7ch", 7},   {"hhp", 0},
      // A mark at the 4th byte does not end the number.
      {"hhpln5", 0},    {"hhpci5", 0},   {"hhp5ci3ln", 5}, {"hhp5ln3ch", 0}, {"hhp$1F", 31},
  };
  for (const Case& c : cases) {
    JwwInit();
    ParseLines({c.line, "0 0 1 1", "0 0 2 2"});
    EXPECT_EQ(JwwLine[0].Head.HhpNo, c.number) << c.line;
    EXPECT_EQ(JwwLine[1].Head.HhpNo, 0) << c.line;
  }
}

// ---- Polylines and dimensions --------------------------------------------------------------

TEST_F(Reader, PolylineNumbersLastUntilAnAttributeLineOrAnotherEntity) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<int32_t> plNos;
  };
  const std::string seg = "0 0 1 1";
  const Case cases[] = {
      {{"pl", seg, seg, seg}, {1, 1, 1}},
      {{"pl", seg, "lc2", seg, seg}, {1, 0, 0}},
      {{"pl", seg, "pl", seg, "#", seg}, {1, 2, 0}},
      {{seg, "pl", seg, "ci 0 0 1", seg}, {0, 1, 0}},
      // These lines keep the polyline going.
      {{"pl", seg, "z1", "hhp3", "lgnA", "lynB", "hp1 0 0", "bz", seg}, {1, 1}},
      // These end it.
      {{"pl", seg, "lg1", seg}, {1, 0}},
      {{"pl", seg, "ly1", seg}, {1, 0}},
      {{"pl", seg, "lt1", seg}, {1, 0}},
      {{"pl", seg, "lw1", seg}, {1, 0}},
      {{"pl", seg, "cn1", seg}, {1, 0}},
      {{"pl", seg, "cn$F", seg}, {1, 0}},
      {{"pl", seg, "cc1", seg}, {1, 0}},
      {{"pl", seg, "pn1", seg}, {1, 0}},
  };
  for (const Case& c : cases) {
    JwwInit();
    for (const std::string& line : c.lines) JwwParseLine(line);
    std::vector<int32_t> plNos;
    for (int32_t i = 0; i < JwwLineCount; ++i) plNos.push_back(JwwLine[i].PlNo);
    EXPECT_EQ(plNos, c.plNos) << c.lines[2];
  }
}

TEST_F(Reader, MsgHoldsTheSegmentForTheNextCsText) {
  ParseLines({"msg", "0 0 5 5", "0 0 10 0", "cs 1 2 3 4 100"});
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{JwwKindDim}));
  EXPECT_EQ(JwwDim[0].DimLine.X2, 10.0);
  EXPECT_FALSE(MsgMode);
  // The dimension ended the message mode: the next "cs" is a text.
  ParseLines({"cs 1 2 3 4 200", "0 0 1 1"});
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{JwwKindDim, JwwKindText, JwwKindLine}));

  JwwInit();
  ParseLines({"msg", "ch 1 2 3 4 x", "0 0 1 1"});
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{JwwKindText, JwwKindLine}));
  JwwInit();
  ParseLines({"msg", "pl", "0 0 1 1", "msg", "#", "0 0 2 2"});
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{JwwKindLine, JwwKindLine}));
  EXPECT_EQ(JwwLine[0].PlNo, 1);
}

// ---- Reading the file ----------------------------------------------------------------------

TEST_F(ReadFile, LineEndsAndEndOfFileMarks) {
  struct Case {
    std::string bytes;
    std::vector<double> x2s;  // X2 of each segment read
  };
  const Case cases[] = {
      {"0 0 1 1\r\n0 0 2 2\r\n", {1, 2}},
      {"0 0 1 1\n0 0 2 2\n", {1, 2}},
      {"0 0 1 1\n0 0 2 2", {1, 2}},
      {"0 0 1 1\r\n0 0 2 2\r", {1, 2}},
      {"0 0 1 1\r\n\x1a" "0 0 2 2\r\n", {JwwKindLine}},
      {"0 0 1 1\x1a" "0 0 2 2\r\n", {JwwKindLine}},
      {"\x1a" "0 0 1 1\r\n", {}},
      {"", {}},
      {"\r\n\n\r\n0 0 3 3", {JwwKindArc}},
      // A lone CR is no line end: it is dropped with the other control bytes.
      {"0 0 1\r2 3\r\n", {JwwKindSolidCircle}},
  };
  for (const Case& c : cases) {
    JwwInit();
    WriteBytes(PathOf("JWC_TEMP.TXT"), c.bytes);
    EXPECT_TRUE(JwwReadFile(PathOf("JWC_TEMP.TXT")));
    std::vector<double> x2s;
    for (int32_t i = 0; i < JwwLineCount; ++i) x2s.push_back(JwwLine[i].X2);
    EXPECT_EQ(x2s, c.x2s);
  }
}

TEST_F(ReadFile, LinesAcrossReadChunksAreWhole) {
  // Lines of varied length over several MiB, so that line ends fall on and
  // beside every chunk boundary.
  std::string bytes = "lg3\r\n";
  int32_t lines = 0;
  double sum = 0;
  while (bytes.size() < (size_t{5} << 20)) {
    const int32_t x = lines % 100000;
    bytes += std::to_string(x) + " " + std::string(static_cast<size_t>(lines % 7), ' ') + "0 1 2\r\n";
    sum += x;
    ++lines;
  }
  // One line longer than a chunk.
  bytes += "file=" + std::string(3u << 20, 'a') + "\r\n0 0 9 9";
  WriteBytes(PathOf("big.txt"), bytes);
  ASSERT_TRUE(JwwReadFile(PathOf("big.txt")));
  ASSERT_EQ(JwwLineCount, lines + 1);
  double read = 0;
  for (int32_t i = 0; i < lines; ++i) read += JwwLine[i].X1;
  EXPECT_EQ(read, sum);
  EXPECT_EQ(JwwLine[lines].X2, 9.0);
  EXPECT_EQ(JwwFileName.size(), 3u << 20);
  EXPECT_EQ(CurLg, 3);
}

TEST_F(ReadFile, AMissingFileReadsNothing) {
  EXPECT_FALSE(JwwReadFile(PathOf("JWC_TEMP.TXT")));
  EXPECT_EQ(JwwOrderCount, 0);
  EXPECT_EQ(CurLc, 1);
  EXPECT_TRUE(NeedLg);
}

TEST_F(ReadFile, ADirectoryAtThePathFails) { EXPECT_FALSE(JwwReadFile(Dir().string())); }

TEST_F(ReadFile, ANumberTooLargeForADoubleEndsTheReadingAtItsLine) {
  const std::string tails[] = {"0 0 1e400 1", "hs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1e400",
                               "sl 0 0 1 1 2 2 3 1e999", "cn0 1e400 2 2 2", "hp3 1e400 0",
                               "ch 1 -1e309 3 4 t"};
  for (const std::string& tail : tails) {
    JwwInit();
    WriteBytes(PathOf("JWC_TEMP.TXT"), "lg2\r\nz3\r\n0 0 1 1\r\npl\r\nz1\r\n" + tail + "\r\n0 0 2 2\r\n");
    EXPECT_FALSE(JwwReadFile(PathOf("JWC_TEMP.TXT"))) << tail;
    EXPECT_EQ(Kinds(), (std::vector<int32_t>{JwwKindLine})) << tail;
    EXPECT_EQ(JwwLine[0].Head.ZFlags, 4) << tail;
    EXPECT_EQ(CurLg, 2) << tail;
    // The line that overflows has changed nothing.
    EXPECT_EQ(CurZFlags, 1) << tail;
    EXPECT_TRUE(InPolyline) << tail;
    EXPECT_EQ(LgScale[0], 1.0) << tail;
    EXPECT_EQ(CurStyleNo, 1) << tail;
    EXPECT_TRUE(NeedCn) << tail;
    EXPECT_EQ(JwwHpCount, 0) << tail;
  }
}

TEST_F(Reader, ParseLinePassesTheOverflowOnAndChangesNothing) {
  ParseLines({"msg", "0 0 5 5"});
  EXPECT_THROW(JwwParseLine("1e400 0 1 1"), EFloatOverflow);
  EXPECT_EQ(HeldLine.X2, 5.0);
  EXPECT_THROW(JwwParseLine("cs 1 2 3 1e400 t"), EFloatOverflow);
  EXPECT_EQ(JwwOrderCount, 0);
  EXPECT_TRUE(MsgMode);
  // Numbers no rule reads are not converted.
  EXPECT_NO_THROW(JwwParseLine("ci 1 2 3 4 5 6 7 1e400"));
  EXPECT_NO_THROW(JwwParseLine("hp0 1e400 1e400"));
  EXPECT_EQ(JwwArcCount, 1);
}

}  // namespace
