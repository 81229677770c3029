// The attribute and point commands and their change tracking.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "tests/support/ExchangeTest.h"

namespace {

using Lines = std::vector<std::string>;

class CommandsTest : public ExchangeTest {
 protected:
  void SetUp() override {
    ExchangeTest::SetUp();
    ResetEmitState();
  }
  static void Fresh() {
    JwwInit();
    ResetEmitState();
  }
  // The lines added since the last call.
  Lines Taken() {
    Lines lines;
    for (int32_t i = seen_; i < JwwOutCount; ++i) lines.emplace_back(JwwOutText(i));
    seen_ = JwwOutCount;
    return lines;
  }

 private:
  int32_t seen_ = 0;
};

TEST_F(CommandsTest, ChangeTracking) {
  const struct {
    const char* name;
    std::function<void(int32_t)> emit;
    int32_t resetValue;
  } cases[] = {
      {"lc", [](int32_t v) { EmitLineColor(v, 0); }, 1},
      {"pn", [](int32_t v) { EmitPointColor(v, 0); }, 1},
      {"lt", [](int32_t v) { EmitLineType(v, 0); }, 1},
      {"lw", [](int32_t v) { EmitLineWidth(v); }, 0},
      {"ly", [](int32_t v) { EmitLayer(v); }, 0},
      {"lg", [](int32_t v) { EmitLayerGroup(v); }, 0},
  };
  LwGiven = true;
  for (const auto& c : cases) {
    const std::string name = c.name;
    c.emit(c.resetValue);  // the first call always writes
    EXPECT_EQ(Taken(), Lines{name + std::to_string(c.resetValue)});
    c.emit(c.resetValue);
    EXPECT_EQ(Taken(), Lines{}) << name;
    c.emit(2);
    EXPECT_EQ(Taken(), Lines{name + "2"});
    c.emit(2);
    EXPECT_EQ(Taken(), Lines{}) << name;
  }
}

TEST_F(CommandsTest, WrittenLayerGroupForcesLayer) {
  EmitLayerGroup(10);
  EmitLayer(5);
  EmitLayerGroup(3);
  EmitLayer(5);
  EXPECT_EQ(Taken(), (Lines{"lgA", "ly5", "lg3", "ly5"}));
  EmitLayerGroup(3);
  EmitLayer(5);
  EXPECT_EQ(Taken(), Lines{});
}

TEST_F(CommandsTest, ResetForgetsWhatWasWritten) {
  EmitLineColor(5, 0);
  CurLg = CurLy = CurLc = CurLt = CurLw = CurPn = 77;
  ResetEmitState();
  EXPECT_EQ((std::vector<int32_t>{CurLg, CurLy, CurLc, CurLt, CurLw, CurPn}),
            (std::vector<int32_t>{0, 0, 1, 1, 0, 1}));
  EmitLineColor(5, 0);
  EXPECT_EQ(Taken(), (Lines{"lc5", "lc5"}));
}

TEST_F(CommandsTest, NumberForms) {
  const struct {
    std::function<void()> emit;
    const char* line;
  } cases[] = {
      {[] { EmitLayerGroup(-1); }, "lgFFFFFFFF"},
      {[] { EmitLayerGroup(0); }, "lg0"},
      {[] { EmitLayer(15); }, "lyF"},
      {[] { EmitLayer(16); }, "ly10"},
      {[] { EmitLayer(0x7FFFFFFF); }, "ly7FFFFFFF"},
      {[] { EmitLayer(INT32_MIN); }, "ly80000000"},
      {[] { EmitLineColor(-5, 0); }, "lc-5"},
      {[] { EmitLineType(INT32_MIN, 0); }, "lt-2147483648"},
      {[] { EmitPoint(-0.0, 1e-5); }, "pt 0 1E-5"},
      {[] { EmitPoint(120.5, -40); }, "pt 120.5 -40"},
      {[] { EmitPoint(1.0 / 3, 1e15); }, "pt 0.333333333333333 1E15"},
  };
  for (const auto& c : cases) {
    Fresh();
    c.emit();
    ASSERT_EQ(JwwOutCount, 1) << c.line;
    EXPECT_EQ(JwwOutText(0), c.line);
  }
}

TEST_F(CommandsTest, PointsAreNotTracked) {
  EmitPoint(1, 2);
  EmitPoint(1, 2);
  EXPECT_EQ(Taken(), (Lines{"pt 1 2", "pt 1 2"}));
}

TEST_F(CommandsTest, LineWidthOnlyWhenFileGaveOne) {
  EmitLineWidth(5);
  EmitLineWidth(-1);
  EXPECT_EQ(Taken(), Lines{});
  EXPECT_TRUE(NeedLw);
  EXPECT_EQ(CurLw, 0);

  const struct {
    int32_t width, hostLw;
    const char* line;
  } cases[] = {
      {30000, 0, "lw30000"}, {30001, 0, "lw0"},     {-2, 0, "lw0"},
      {0, 0, "lw0"},         {-1, 250, "lw250"},    {-1, 30000, "lw30000"},
      {-1, 30001, "lw0"},    {-1, -5, "lw0"},       {INT32_MIN, 7, "lw0"},
  };
  for (const auto& c : cases) {
    Fresh();
    LwGiven = true;
    HostLw = c.hostLw;
    EmitLineWidth(c.width);
    ASSERT_EQ(JwwOutCount, 1);
    EXPECT_EQ(JwwOutText(0), c.line) << c.width << " " << c.hostLw;
  }
}

TEST_F(CommandsTest, ColourAndLineTypeMappings) {
  HostLc = 7;
  HostLt = 4;
  const struct {
    int32_t index, colour, lineType;
  } cases[] = {
      {INT32_MIN, 7, 4}, {-1, 7, 4},    {0, 7, 4},     {1, 1, 1},     {9, 9, 9},
      {10, 101, 11},     {18, 109, 19}, {19, 110, 31}, {265, 356, 277},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapColorIndex(c.index), c.colour) << c.index;
    EXPECT_EQ(MapLineTypeIndex(c.index), c.lineType) << c.index;
  }
  // Only map 1 translates.
  EmitLineColor(10, 1);
  EmitPointColor(0, 1);
  EmitLineType(19, 1);
  EmitLineColor(10, 2);
  EmitLineType(0, 0);
  EXPECT_EQ(Taken(), (Lines{"lc101", "pn7", "lt31", "lc10", "lt0"}));
}

TEST_F(CommandsTest, MarkerKindAndScaleLimits) {
  const struct {
    int32_t kind;
    double scale;
    const char* line;
  } cases[] = {
      {12, 2, "pt 1 2 2 0 -3"},
      {-8, 2, "pt 1 2 2 0 -3"},
      {11, 2, "pt 1 2 2 0 11"},
      {-7, 2, "pt 1 2 2 0 -7"},
      {-2, 0, "pt 1 2 1 0 -2"},
      {-2, 5e-9, "pt 1 2 1 0 -2"},
      {-2, -5e-9, "pt 1 2 1 0 -2"},
      {-2, std::nextafter(1e-8, 0.0), "pt 1 2 1 0 -2"},
      // The double nearest 1e-8 lies just above it in extended precision.
      {-2, 1e-8, "pt 1 2 1E-8 0 -2"},
      {-2, -0.5, "pt 1 2 -0.5 0 -2"},
  };
  for (const auto& c : cases) {
    Fresh();
    EmitPointMarker(c.kind, 1, 2, c.scale, 0);
    ASSERT_EQ(JwwOutCount, 1);
    EXPECT_EQ(JwwOutText(0), c.line);
  }
}

TEST_F(CommandsTest, AttributeBlockThenMarkers) {
  for (const bool lwGiven : {false, true}) {
    Fresh();
    HostLg = 0;
    HostLy = 10;
    LwGiven = lwGiven;
    EmitLayerGroup(HostLg);
    EmitLayer(HostLy);
    EmitLineColor(3, 1);
    EmitPointColor(3, 1);
    EmitLineType(1, 0);
    EmitLineWidth(0);
    EmitPointMarker(-2, 120.5, -40, 1, 0);
    Lines expected{"lg0", "lyA", "lc3", "pn3", "lt1", "pt 120.5 -40 1 0 -2"};
    if (lwGiven) expected.insert(expected.begin() + 5, "lw0");
    std::vector<std::string> got;
    for (int32_t i = 0; i < JwwOutCount; ++i) got.emplace_back(JwwOutText(i));
    EXPECT_EQ(got, expected);
  }
}

}  // namespace
