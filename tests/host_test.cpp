// The host stand-in's check of the tool's answer and its report.

#include "host/Answer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using Kind = AnswerCommand::Kind;

TEST(ToolRealTest, AcceptsExactlyTheToolsNumberForm) {
  struct Case {
    std::string_view text;
    bool ok;
  };
  static constexpr Case kCases[] = {
      // Forms the tool writes.
      {"0", true},
      {"100", true},
      {"-12.25", true},
      {"0.0001", true},
      {"1E-5", true},
      {"0.333333333333333", true},
      {"0.666666666666667", true},
      {"1E15", true},
      {"123456789012345", true},
      {"1.23456789012346E15", true},
      {"1.5E-7", true},
      {"-1.5E-7", true},
      {"120.5", true},
      {"-40", true},
      {"9.99999999999999E307", true},
      // Not a number at all.
      {"", false},
      {"-", false},
      {"x", false},
      {"1x", false},
      {" 1", false},
      {"1 ", false},
      // Signs and separators the tool never writes.
      {"+1", false},
      {"-0", false},
      {"1,5", false},
      {"1e5", false},
      {"1E+15", false},
      {"--1", false},
      // Points and zeros out of place.
      {"1.", false},
      {".5", false},
      {"-.5", false},
      {"01", false},
      {"00", false},
      {"1.50", false},
      {"0.0", false},
      {"1.0", false},
      // Fixed form where the scientific one applies, and the reverse.
      {"0.00001", false},
      {"1000000000000000", false},
      {"1E5", false},
      {"1E-4", false},
      {"1E14", false},
      {"10E15", false},
      {"0.1E-5", false},
      {"1E015", false},
      {"1E-05", false},
      {"1E0", false},
      {"1.E15", false},
      {"1E", false},
      {"1E-", false},
      // More than 15 significant digits.
      {"1234567890123456", false},
      {"0.1234567890123456", false},
      {"1.234567890123456E15", false},
      {"12345678901234.56", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(IsToolReal(c.text), c.ok) << '"' << c.text << '"';
  }
}

TEST(ToolIntegerTest, AcceptsDecimalInt32WithoutDecoration) {
  struct Case {
    std::string_view text;
    bool ok;
    int value;
  };
  static constexpr Case kCases[] = {
      {"0", true, 0},
      {"7", true, 7},
      {"-3", true, -3},
      {"356", true, 356},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999", false, 0},
      {"-0", false, 0},
      {"01", false, 0},
      {"+1", false, 0},
      {"", false, 0},
      {"1.0", false, 0},
      {"1 ", false, 0},
      {"$A", false, 0},
  };
  for (const Case& c : kCases) {
    int value = 12345;
    EXPECT_EQ(IsToolInteger(c.text, value), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(AnswerLineTest, WellFormedLines) {
  struct Case {
    std::string_view line;
    Kind kind;
    int value;
  };
  static constexpr Case kCases[] = {
      {"hq", Kind::NoChange, 0},
      {"bz", Kind::Bz, 0},
      {"lg0", Kind::LayerGroup, 0},
      {"lg9", Kind::LayerGroup, 9},
      {"lgA", Kind::LayerGroup, 10},
      {"lyF", Kind::Layer, 15},
      {"lc1", Kind::LineColor, 1},
      {"lc356", Kind::LineColor, 356},
      {"lc-1", Kind::LineColor, -1},
      {"pn101", Kind::PointColor, 101},
      {"lt1", Kind::LineType, 1},
      {"lt31", Kind::LineType, 31},
      {"lw0", Kind::LineWidth, 0},
      {"lw30000", Kind::LineWidth, 30000},
      {"pt 0 0", Kind::Point, 0},
      {"pt 100 -12.25", Kind::Point, 0},
      {"pt 0 1E-5", Kind::Point, 0},
      {"pt 120.5 -40 1 0 -2", Kind::PointMarker, -2},
      {"pt 1 2 -0.5 0 -7", Kind::PointMarker, -7},
      {"pt 1 2 2.5 0 11", Kind::PointMarker, 11},
      {"pt 1 2 1 0 0", Kind::PointMarker, 0},
  };
  for (const Case& c : kCases) {
    const AnswerLine parsed = ParseAnswerLine(c.line);
    ASSERT_TRUE(parsed.command.has_value()) << c.line << ": " << parsed.problem;
    EXPECT_EQ(parsed.command->kind, c.kind) << c.line;
    EXPECT_EQ(parsed.command->value, c.value) << c.line;
    EXPECT_TRUE(parsed.problem.empty()) << c.line;
  }
}

TEST(AnswerLineTest, PointFieldsKeepTheToolsText) {
  const AnswerLine parsed = ParseAnswerLine("pt 1.5E-7 -0.0001 2 0 -3");
  ASSERT_TRUE(parsed.command.has_value());
  EXPECT_EQ(parsed.command->x, "1.5E-7");
  EXPECT_EQ(parsed.command->y, "-0.0001");
  EXPECT_EQ(parsed.command->scale, "2");
  EXPECT_EQ(parsed.command->aux, "0");
}

TEST(AnswerLineTest, MalformedLines) {
  static constexpr std::string_view kLines[] = {
      "",
      " ",
      "hq ",
      " hq",
      "HQ",
      "hqq",
      "bz1",
      "lg",
      "lg10",
      "lga",
      "lgG",
      "lg 2",
      "lg-1",
      "ly",
      "lyf",
      "ly16",
      "lc",
      "lc 1",
      "lc1 ",
      "lc01",
      "lc+1",
      "lc1.5",
      "lcA",
      "pn",
      "lt",
      "lw",
      "lw-1",
      "lw30001",
      "pt",
      "pt ",
      "pt 1",
      "pt 1 2 3",
      "pt 1 2 3 4",
      "pt 1 2 1 0 -2 9",
      "pt  1 2",
      "pt 1  2",
      "pt 1 2 ",
      "pt\t1 2",
      "pt 1,5 2",
      "pt 1.50 2",
      "pt 1. 2",
      "pt 1 0.00001",
      "pt 1 2 1 0 -8",
      "pt 1 2 1 0 12",
      "pt 1 2 1 0 -2.0",
      "pt 1 2 1.0 0 -2",
      "pt 1 2 1 0.0 -2",
      "0 0 100 0",
      "ci 0 0 10",
      "pt 1 2\r",
      "lg2\x1a",
  };
  for (std::string_view line : kLines) {
    const AnswerLine parsed = ParseAnswerLine(line);
    EXPECT_FALSE(parsed.command.has_value()) << '"' << PrintableBytes(line) << '"';
    EXPECT_FALSE(parsed.problem.empty()) << '"' << PrintableBytes(line) << '"';
  }
}

TEST(AnswerLineTest, ProblemNamesTheFaultyField) {
  EXPECT_NE(ParseAnswerLine("pt 1 2.50").problem.find("y \"2.50\""), std::string::npos);
  EXPECT_NE(ParseAnswerLine("pt 1 2 0.0 0 -1").problem.find("scale"), std::string::npos);
  EXPECT_NE(ParseAnswerLine("pt 1 2 1 0 -9").problem.find("kind \"-9\""), std::string::npos);
  EXPECT_NE(ParseAnswerLine("lw40000").problem.find("30000"), std::string::npos);
}

TEST(CheckAnswerTest, WholeFiles) {
  struct Case {
    std::string_view name;
    std::string_view bytes;
    int problemLine;       // -1: well formed
    std::string_view problemText;
    size_t commandCount;
  };
  static constexpr Case kCases[] = {
      {"no change", "hq\r\n", -1, "", 1},
      {"attributes and points", "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 100 0\r\n", -1,
       "", 7},
      {"attributes only", "bz\r\nlg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\nlw0\r\n", -1, "", 7},
      {"empty file", "", 0, "", 0},
      {"no final line end", "lg2\r\nly5", 2, "ly5", 0},
      {"final CR without LF", "lg2\r\nly5\r", 2, "ly5\r", 0},
      {"LF alone", "lg2\r\nly5\nlc1\r\n", 2, "ly5", 0},
      {"LF alone on the first line", "hq\n", 1, "hq", 0},
      {"empty line", "lg2\r\n\r\nly5\r\n", 2, "", 0},
      {"trailing empty line", "hq\r\n\r\n", 2, "", 0},
      {"bad third line", "lg2\r\nly5\r\npt 1 2 3\r\n", 3, "pt 1 2 3", 0},
      {"hq after commands", "lg2\r\nhq\r\n", 2, "hq", 0},
      {"hq before commands", "hq\r\npt 1 2\r\n", 1, "hq", 0},
      {"hq twice", "hq\r\nhq\r\n", 1, "hq", 0},
      {"fault after hq wins", "hq\r\npt 1\r\n", 2, "pt 1", 0},
      {"Ctrl-Z at the end", "hq\r\n\x1a", 2, "\x1a", 0},
      {"byte order mark", "\xef\xbb\xbfhq\r\n", 1, "\xef\xbb\xbfhq", 0},
  };
  for (const Case& c : kCases) {
    const AnswerCheck check = CheckAnswer(c.bytes);
    if (c.problemLine < 0) {
      EXPECT_TRUE(check.Ok()) << c.name << ": " << check.problem;
      EXPECT_EQ(check.commands.size(), c.commandCount) << c.name;
      EXPECT_EQ(check.problemLine, 0) << c.name;
    } else {
      EXPECT_FALSE(check.Ok()) << c.name;
      EXPECT_EQ(check.problemLine, c.problemLine) << c.name;
      EXPECT_EQ(check.problemText, c.problemText) << c.name;
      EXPECT_TRUE(check.commands.empty()) << c.name;
    }
  }
}

TEST(DescribeAnswerTest, NoChange) {
  const AnswerCheck check = CheckAnswer("hq\r\n");
  ASSERT_TRUE(check.Ok());
  EXPECT_EQ(DescribeAnswer(check.commands),
            "The tool answered \"hq\": nothing changes in the drawing.\n");
}

TEST(DescribeAnswerTest, PointsOnTheWriteLayer) {
  const AnswerCheck check = CheckAnswer(
      "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\nlw0\r\npt 0 0\r\npt 100 0\r\npt 100 50\r\n");
  ASSERT_TRUE(check.Ok());
  EXPECT_EQ(DescribeAnswer(check.commands),
            "The tool answered with 9 command lines.\n"
            "Attributes set: layer group 2, layer 5, line colour 1, point colour 1, line type 1, "
            "line width 0.\n"
            "3 points on layer group 2, layer 5, colour 1:\n"
            "  (0, 0)\n"
            "  (100, 0)\n"
            "  (100, 50)\n");
}

TEST(DescribeAnswerTest, MarkersWithSxfColourAndHexLayers) {
  const AnswerCheck check = CheckAnswer(
      "bz\r\nlg0\r\nlyA\r\nlc101\r\npn101\r\nlt1\r\npt 120.5 -40 1 0 -2\r\n");
  ASSERT_TRUE(check.Ok());
  EXPECT_EQ(DescribeAnswer(check.commands),
            "The tool answered with 7 command lines.\n"
            "It repeats the drawing's \"bz\" line.\n"
            "Attributes set: layer group 0, layer A, line colour 101 (SXF-1), "
            "point colour 101 (SXF-1), line type 1.\n"
            "1 point marker ○ (kind -2), scale 1, on layer group 0, layer A, "
            "colour 101 (SXF-1):\n"
            "  (120.5, -40)\n");
}

TEST(DescribeAnswerTest, GroupsFollowTheAttributesInForce) {
  const AnswerCheck check = CheckAnswer(
      "pt 1 1\r\nlg1\r\nly2\r\npn3\r\npt 2 2\r\npt 3 3\r\nly4\r\npt 4 4\r\n"
      "pt 5 5 2 0 -1\r\npt 6 6 2 7.5 -1\r\n");
  ASSERT_TRUE(check.Ok());
  EXPECT_EQ(DescribeAnswer(check.commands),
            "The tool answered with 10 command lines.\n"
            "Attributes set: layer group 1, layer 2, point colour 3, layer 4.\n"
            "1 point on layer group (current), layer (current), colour (current):\n"
            "  (1, 1)\n"
            "2 points on layer group 1, layer 2, colour 3:\n"
            "  (2, 2)\n"
            "  (3, 3)\n"
            "1 point on layer group 1, layer 4, colour 3:\n"
            "  (4, 4)\n"
            "1 point marker ＊ (kind -1), scale 2, on layer group 1, layer 4, colour 3:\n"
            "  (5, 5)\n"
            "1 point marker ＊ (kind -1), scale 2, aux 7.5, on layer group 1, layer 4, colour 3:\n"
            "  (6, 6)\n");
}

TEST(DescribeAnswerTest, AttributesWithoutPoints) {
  const AnswerCheck check = CheckAnswer("lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\n");
  ASSERT_TRUE(check.Ok());
  const std::string report = DescribeAnswer(check.commands);
  EXPECT_NE(report.find("No points to draw.\n"), std::string::npos) << report;
}

TEST(PrintableBytesTest, EscapesWhatATerminalWouldMangle) {
  EXPECT_EQ(PrintableBytes("pt 1 2"), "pt 1 2");
  EXPECT_EQ(PrintableBytes("a\r\x82\xa0\\"), "a\\x0D\\x82\\xA0\\x5C");
  EXPECT_EQ(PrintableBytes(std::string_view("\0", 1)), "\\x00");
}

}  // namespace
