// The built q527 run 200 times in a row in a real window on one private
// display, each time on the example drawing with random choices in its
// settings file, closed by OK or now and then by Esc. Every answer must be
// the one the choices call for, every settings file 13 lines as written or
// the old bytes, and no process may be left behind.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "host/Answer.h"
#include "tests/support/RealWindow.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 200;
constexpr int kScreenWidth = 1024, kScreenHeight = 768;
constexpr int kDialogWidth = 467, kDialogHeight = 240;

// The settings of one run as stored in the file.
struct Choices {
  int left = 0, top = 0;
  std::array<bool, 7> kinds{};
  int pointType = 0;
  int markerKind = 0;
  std::string scale;  // as written in the file
  double scaleValue = 0;
  int colourIndex = 0;
  bool lfOnly = false;  // lines ended by LF alone, as an editor may leave them
};

// Scales as a user may have left them; those not above 0 mean 1.
struct Scale {
  const char* text;
  double value;
};
constexpr Scale kScales[] = {{"1", 1},     {"2.5", 2.5}, {"0.25", 0.25}, {"10", 10},
                             {"0.5", 0.5}, {"3", 3},     {"1.75", 1.75}, {"100", 100},
                             {"0", 0},     {"-2", -2},   {"", 0}};

// Choices drawn at random: any position on the screen, any kinds, point
// types, marker kinds and colour indexes including those out of range.
Choices RandomChoices(std::mt19937& random) {
  const auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  Choices c;
  c.left = pick(0, kScreenWidth - kDialogWidth);
  c.top = pick(0, kScreenHeight - kDialogHeight);
  for (bool& kind : c.kinds) kind = pick(0, 1) == 1;
  c.pointType = pick(0, 2);
  c.markerKind = pick(-1, 7);
  const Scale& scale = kScales[pick(0, static_cast<int>(std::size(kScales)) - 1)];
  c.scale = scale.text;
  c.scaleValue = scale.value;
  c.colourIndex = pick(-1, 266);
  c.lfOnly = pick(0, 3) == 0;
  return c;
}

// The settings file that stores the choices.
std::string SettingsFile(const Choices& c) {
  const char* end = c.lfOnly ? "\n" : "\r\n";
  std::string text = std::to_string(c.left) + end + std::to_string(c.top) + end;
  for (const bool kind : c.kinds) text += std::string(kind ? "1" : "0") + end;
  text += std::to_string(c.pointType) + end + std::to_string(c.markerKind) + end;
  text += c.scale + end + std::to_string(c.colourIndex) + end;
  return text;
}

// What OK saves: the choices as the dialog shows them, written back.
std::string SavedSettings(const Choices& c) {
  Choices saved = c;
  saved.pointType = c.pointType == 1 ? 1 : 0;
  saved.markerKind = c.markerKind >= 0 && c.markerKind <= 6 ? c.markerKind : -1;
  if (!(c.scaleValue > 0)) saved.scale = "1";
  saved.colourIndex = c.colourIndex >= 0 && c.colourIndex <= 265 ? c.colourIndex : -1;
  saved.lfOnly = false;
  return SettingsFile(saved);
}

// The example's answer with every kind on, plain points and the current
// colour: the attribute lines, then the points of each kind in the order of
// the walk. No point is shared between kinds.
struct ExampleAnswer {
  std::string attributesAfterColour;                     // from "lt1" on
  std::array<std::vector<std::string>, 7> pointsByKind;  // "x y" of each point
};

// Points per kind in the example: lines, arcs, linear solids, polygon
// solids, circle solids, circumference solids, annulus solids.
constexpr std::array<int, 7> kExamplePointsPerKind{6, 4, 2, 7, 6, 2, 8};

// The example's answer split into its attribute lines and points by kind.
ExampleAnswer ReadExampleAnswer() {
  const std::string bytes = ReadBytes(ExamplesDir() / "sample-answer.txt");
  std::vector<std::string> lines;
  for (size_t start = 0; start < bytes.size();) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  ExampleAnswer answer;
  size_t i = 0;
  // lg2, ly5, lc1, pn1 come first; the colour lines are made per run.
  EXPECT_GE(lines.size(), 6u);
  if (lines.size() < 6) return answer;
  EXPECT_EQ(lines[0] + lines[1] + lines[2] + lines[3], "lg2ly5lc1pn1");
  for (i = 4; i < lines.size() && lines[i].rfind("pt ", 0) != 0; ++i)
    answer.attributesAfterColour += lines[i] + "\r\n";
  for (size_t kind = 0; kind < kExamplePointsPerKind.size(); ++kind) {
    for (int n = 0; n < kExamplePointsPerKind[kind] && i < lines.size(); ++n, ++i)
      answer.pointsByKind[kind].push_back(lines[i].substr(3));
  }
  EXPECT_EQ(i, lines.size()) << "the example's answer does not hold the points counted";
  return answer;
}

// The answer that OK must give with the choices.
std::string ExpectedAnswer(const ExampleAnswer& example, const Choices& c) {
  // The drawing's first line colour is 1; no selection also means it.
  const int colour = c.colourIndex >= 1 && c.colourIndex <= 9      ? c.colourIndex
                     : c.colourIndex >= 10 && c.colourIndex <= 265 ? c.colourIndex + 91
                                                                   : 1;
  std::string answer = "lg2\r\nly5\r\nlc" + std::to_string(colour) + "\r\npn" +
                       std::to_string(colour) + "\r\n" + example.attributesAfterColour;
  const bool markers = c.pointType == 1;
  const int markerIndex = c.markerKind >= 0 && c.markerKind <= 6 ? c.markerKind : -1;
  const std::string scale = c.scaleValue > 0 ? c.scale : "1";
  for (size_t kind = 0; kind < c.kinds.size(); ++kind) {
    if (!c.kinds[kind]) continue;
    for (const std::string& point : example.pointsByKind[kind]) {
      answer += "pt " + point;
      if (markers) answer += " " + scale + " 0 " + std::to_string(-(markerIndex + 1));
      answer += "\r\n";
    }
  }
  return answer;
}

using SoakTest = RealWindowTest;

TEST_F(SoakTest, TwoHundredRunsInARow) {
  uint32_t seed = std::random_device{}();
  if (const char* fixed = std::getenv("Q527_SOAK_SEED"); fixed && *fixed)
    seed = static_cast<uint32_t>(std::strtoul(fixed, nullptr, 10));
  std::cout << "soak runs from seed " << seed << " (Q527_SOAK_SEED)\n";
  std::mt19937 random(seed);

  const std::string drawing = ReadBytes(ExamplesDir() / "sample.txt");
  ASSERT_FALSE(drawing.empty());
  const ExampleAnswer example = ReadExampleAnswer();
  ASSERT_FALSE(HasFailure());
  const fs::path folder = PrepareTool("tool", drawing);
  const fs::path answerPath = folder / "JWC_TEMP.TXT";
  const fs::path settingsPath = folder / "q527.dat";

  const auto started = TestClock::now();
  int oks = 0;
  for (int run = 1; run <= kRuns; ++run) {
    const Choices choices = RandomChoices(random);
    const bool ok = std::uniform_int_distribution<int>(0, 4)(random) != 0;
    SCOPED_TRACE("run " + std::to_string(run) + " of seed " + std::to_string(seed) + ", " +
                 (ok ? "OK" : "Esc") + ", settings \"" + PrintableBytes(SettingsFile(choices)) +
                 "\"");
    WriteBytes(answerPath, drawing);
    WriteBytes(settingsPath, SettingsFile(choices));

    Child tool;
    const XWindowId window = StartTool(tool, folder);
    if (window) {
      ExpectOnlyTheDialog(window);
      EXPECT_EQ(display_.Position(window), std::make_pair(choices.left, choices.top));
      ExpectCleanExit(tool, PressUntilEnded(tool, window, ok ? "Return" : "Escape"), folder);
    }

    const std::string answer = ReadBytes(answerPath);
    const AnswerCheck check = CheckAnswer(answer);
    EXPECT_TRUE(check.Ok()) << "line " << check.problemLine << " \""
                            << PrintableBytes(check.problemText) << "\": " << check.problem;
    if (ok) {
      ++oks;
      EXPECT_EQ(answer, ExpectedAnswer(example, choices));
      EXPECT_EQ(ReadBytes(settingsPath), SavedSettings(choices));
    } else {
      EXPECT_EQ(answer, "hq\r\n");
      EXPECT_EQ(ReadBytes(settingsPath), SettingsFile(choices));
    }
    if (HasFailure()) break;  // the first failing run tells enough
  }
  const auto seconds = std::chrono::duration<double>(TestClock::now() - started).count();
  std::cout << kRuns << " runs (" << oks << " by OK) in " << seconds << " s\n";

  EXPECT_TRUE(ChildProcesses({display_.ServerPid()}).empty()) << "a child process is left";
  EXPECT_TRUE(ProcessesRunning(folder / "q527").empty()) << "a q527 process is left";
}

}  // namespace
