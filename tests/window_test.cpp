// End to end: the built q527 in a real window on a private X display, started
// from another folder and answered by keys, mouse clicks and the window
// manager's close request, its picture checked against the layout; and q527
// without any display.

#include "host/Answer.h"
#include "tests/support/RealWindow.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// ---- The dialog in a window -----------------------------------------------------

using WindowTest = RealWindowTest;

// The names of the entries of a folder.
std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST_F(WindowTest, KeysAnswerTheHost) {
  struct Case {
    std::string keys;
    std::optional<std::string_view> drawing;
    std::string_view answer;
    bool savesSettings;
  };
  const Case kCases[] = {
      {"Escape", kTwoLines, kNoChange, false},
      {"alt+n", kTwoLines, kNoChange, false},
      {"Return", kTwoLines, kTwoLinesAnswer, true},
      {"alt+y", kTwoLines, kTwoLinesAnswer, true},
      // Without a drawing the dialog still opens, and closing creates the file.
      {"Escape", std::nullopt, kNoChange, false},
      // OK with nothing to read still sets the attributes, on layer 0 of group 0.
      {"Return", std::nullopt, "lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\n", true},
      // A selection in the host's own form.
      {"Return", kHostDrawing, kHostDrawingAnswer, true},
  };
  int number = 0;
  for (const Case& c : kCases) {
    const std::string name = "case" + std::to_string(++number);
    SCOPED_TRACE(name + ": " + c.keys + (c.drawing ? " with a drawing" : " without a drawing"));
    const fs::path folder = PrepareTool(name, c.drawing);
    Child tool;
    const XWindowId window = StartTool(tool, folder);
    if (!window) continue;
    const std::optional<int> status = PressUntilEnded(tool, window, c.keys);
    ExpectCleanExit(tool, status, folder);
    EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), c.answer);
    // Only OK saves the settings, beside the program and named after it.
    EXPECT_EQ(fs::exists(folder / "q527.dat"), c.savesSettings);
  }
}

TEST_F(WindowTest, CloseRequestAnswersNoChange) {
  const fs::path folder = PrepareTool("tool", kTwoLines);
  Child tool;
  const XWindowId window = StartTool(tool, folder);
  ASSERT_NE(window, 0u);
  display_.SendCloseRequest(window);
  const std::optional<int> status = tool.WaitFor(kPatience);
  ExpectCleanExit(tool, status, folder);
  EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), kNoChange);
  EXPECT_FALSE(fs::exists(folder / "q527.dat"));
}

TEST_F(WindowTest, EveryCloseRouteFromAnotherFolder) {
  using Route = std::function<std::optional<int>(Child&, XWindowId)>;
  const auto keys = [this](std::string keys) -> Route {
    return [this, keys](Child& tool, XWindowId window) {
      return PressUntilEnded(tool, window, keys);
    };
  };
  const auto click = [this](int x, int y) -> Route {
    return [this, x, y](Child& tool, XWindowId window) {
      return ClickUntilEnded(tool, window, x, y);
    };
  };
  const Route closeRequest = [this](Child& tool, XWindowId window) {
    return CloseUntilEnded(tool, window);
  };
  struct Case {
    std::string_view name;
    Route close;
    bool ok;
  };
  const Case kCases[] = {
      {"Enter", keys("Return"), true},
      {"Alt+Y", keys("alt+y"), true},
      {"click on OK", click(kOkX, kOkY), true},
      {"Esc", keys("Escape"), false},
      {"Alt+N", keys("alt+n"), false},
      {"click on cancel", click(kCancelX, kCancelY), false},
      {"close request", closeRequest, false},
  };
  // The user's working folder holds files of the same names, which the tool
  // must neither read nor touch.
  const fs::path elsewhere = Dir() / "elsewhere";
  fs::create_directory(elsewhere);
  WriteBytes(elsewhere / "JWC_TEMP.TXT", "0 0 9 9\r\n");
  WriteBytes(elsewhere / "q527.dat", "300\r\n300\r\n");
  int number = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = PrepareTool("case" + std::to_string(++number), kTwoLines);
    WriteBytes(folder / "q527.dat", kStoredSettings);
    Child tool;
    const XWindowId window = StartTool(tool, folder, elsewhere);
    if (!window) continue;
    ExpectOnlyTheDialog(window);
    // No window manager moves it: the window stands where the settings say.
    EXPECT_EQ(display_.Position(window), std::make_pair(120, 80));
    const std::optional<int> status = c.close(tool, window);
    ExpectCleanExit(tool, status, folder);
    EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), c.ok ? kStoredChoicesAnswer : kNoChange);
    EXPECT_EQ(ReadBytes(folder / "q527.dat"), c.ok ? kSavedSettings : kStoredSettings);
    EXPECT_EQ(Entries(folder), (std::set<std::string>{"JWC_TEMP.TXT", "q527", "q527.dat"}));
    EXPECT_EQ(ReadBytes(elsewhere / "JWC_TEMP.TXT"), "0 0 9 9\r\n");
    EXPECT_EQ(ReadBytes(elsewhere / "q527.dat"), "300\r\n300\r\n");
    EXPECT_EQ(Entries(elsewhere), (std::set<std::string>{"JWC_TEMP.TXT", "q527.dat"}));
  }
}

// A rectangle of the dialog's client area, bounds inclusive.
struct Area {
  int left, top, right, bottom;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kStatusGrey{231, 231, 231};
constexpr Rgb kMemoBlue{187, 235, 244};

// True when no pixel of the area is white.
bool NoneWhite(const WindowPicture& picture, const Area& a) {
  return picture.Count(a.left, a.top, a.right, a.bottom, kWhite) == 0;
}

bool AllOf(const WindowPicture& picture, const Area& a, const Rgb& colour) {
  return picture.Count(a.left, a.top, a.right, a.bottom, colour) ==
         (a.right - a.left + 1) * (a.bottom - a.top + 1);
}

// The share of the area's pixels that have the colour.
double Share(const WindowPicture& picture, const Area& a, const Rgb& colour) {
  return picture.Count(a.left, a.top, a.right, a.bottom, colour) /
         static_cast<double>((a.right - a.left + 1) * (a.bottom - a.top + 1));
}

TEST_F(WindowTest, StoredPositionOffTheScreenOpensOnIt) {
  std::vector<std::pair<int, int>> positions(std::begin(kOffScreenPositions),
                                             std::end(kOffScreenPositions));
  positions.insert(positions.end(), std::begin(kPartlyOnScreenPositions),
                   std::end(kPartlyOnScreenPositions));
  int number = 0;
  for (const std::pair<int, int>& stored : positions) {
    SCOPED_TRACE("stored at " + std::to_string(stored.first) + ", " + std::to_string(stored.second));
    const fs::path folder = PrepareTool("at" + std::to_string(++number), kTwoLines);
    WriteBytes(folder / "q527.dat", StoredSettingsAt(stored));
    Child tool;
    const XWindowId window = StartTool(tool, folder);
    if (!window) continue;
    const std::optional<std::pair<int, int>> size = display_.Size(window);
    ASSERT_TRUE(size);
    const std::pair<int, int> placed = OnScreenPosition(stored, *size);
    EXPECT_EQ(display_.Position(window), placed);
    ExpectCleanExit(tool, PressUntilEnded(tool, window, "Return"), folder);
    // The answer is unchanged; the settings keep where the dialog stood.
    EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), kStoredChoicesAnswer);
    EXPECT_EQ(ReadBytes(folder / "q527.dat"), SavedSettingsAt(placed));
  }
}

TEST_F(WindowTest, PictureFollowsTheLayout) {
  const fs::path folder = PrepareTool("tool", ReadBytes(ExamplesDir() / "sample.txt"));
  Child tool;
  const XWindowId window = StartTool(tool, folder);
  ASSERT_NE(window, 0u);
  // The window is mapped before it is painted: wait for the status line and
  // the memo to show their colours.
  std::optional<WindowPicture> picture;
  const auto deadline = TestClock::now() + kPatience;
  for (;;) {
    picture = display_.Grab(window);
    ASSERT_TRUE(picture) << "the dialog cannot be grabbed";
    ASSERT_EQ(picture->Width(), 467);
    ASSERT_EQ(picture->Height(), 240);
    if (picture->At(2, 238) == kStatusGrey && picture->At(440, 160) == kMemoBlue) break;
    ASSERT_LT(TestClock::now(), deadline) << "the dialog was never painted";
    std::this_thread::sleep_for(20ms);
  }
  const WindowPicture& p = *picture;

  // The white background between and around the controls.
  for (const Area& a : {Area{0, 0, 466, 5}, Area{131, 8, 133, 169}, Area{284, 8, 285, 169},
                        Area{0, 172, 466, 181}, Area{0, 212, 466, 215}, Area{196, 184, 261, 209},
                        Area{388, 184, 466, 209}}) {
    EXPECT_TRUE(AllOf(p, a, kWhite)) << "background at " << a.left << ", " << a.top;
  }
  // The status line fills the bottom 24 rows, its text centred.
  EXPECT_TRUE(AllOf(p, {0, 216, 15, 239}, kStatusGrey));
  EXPECT_TRUE(AllOf(p, {452, 216, 466, 239}, kStatusGrey));
  EXPECT_GT(Share(p, {0, 216, 466, 239}, kStatusGrey), 0.6);
  EXPECT_LT(Share(p, {0, 216, 466, 239}, kStatusGrey), 1.0) << "the counts are not shown";
  // The memo's colour inside its frame, left of its scroll bar, under its text.
  EXPECT_GT(Share(p, {290, 10, 440, 167}, kMemoBlue), 0.6);
  EXPECT_LT(Share(p, {290, 10, 440, 167}, kMemoBlue), 1.0) << "the memo shows no text";
  // The buttons' faces fill their rectangles, with white just outside.
  for (const Area& button : {Area{72, 184, 192, 208}, Area{264, 184, 384, 208}}) {
    EXPECT_TRUE(NoneWhite(p, {button.left + 3, button.top + 3, button.left + 20,
                              button.bottom - 3}))
        << "button at " << button.left;
    EXPECT_TRUE(NoneWhite(p, {button.right - 20, button.top + 3, button.right - 3,
                              button.bottom - 3}))
        << "button at " << button.left;
    EXPECT_TRUE(AllOf(p, {button.left - 2, button.top, button.left - 1, button.bottom}, kWhite));
    EXPECT_TRUE(AllOf(p, {button.right + 1, button.top, button.right + 2, button.bottom}, kWhite));
  }
  // The group boxes: a frame down their left and right edges and along their
  // bottoms, white just outside.
  for (const Area& box : {Area{8, 8, 128, 168}, Area{136, 8, 280, 136}}) {
    const int middle = (box.top + box.bottom) / 2;
    EXPECT_FALSE(AllOf(p, {box.left, middle, box.left + 1, middle}, kWhite)) << box.left;
    EXPECT_FALSE(AllOf(p, {box.right - 1, middle, box.right, middle}, kWhite)) << box.left;
    EXPECT_FALSE(AllOf(p, {box.left + 10, box.bottom - 1, box.right - 10, box.bottom}, kWhite))
        << box.left;
    EXPECT_TRUE(AllOf(p, {box.left - 2, box.top, box.left - 1, box.bottom}, kWhite)) << box.left;
    EXPECT_TRUE(AllOf(p, {box.left, box.bottom + 2, box.right, box.bottom + 3}, kWhite))
        << box.left;
  }
  ExpectOnlyTheDialog(window);
  EXPECT_EQ(display_.Position(window), std::make_pair(0, 0));
  ExpectCleanExit(tool, PressUntilEnded(tool, window, "Escape"), folder);
}

TEST_F(WindowTest, ExampleDrawingGivesAWellFormedAnswer) {
  const std::string drawing = ReadBytes(ExamplesDir() / "sample.txt");
  ASSERT_FALSE(drawing.empty());
  const fs::path folder = PrepareTool("tool", drawing);
  Child tool;
  const XWindowId window = StartTool(tool, folder);
  ASSERT_NE(window, 0u);
  const std::optional<int> status = PressUntilEnded(tool, window, "Return");
  ExpectCleanExit(tool, status, folder);

  const std::string answer = ReadBytes(folder / "JWC_TEMP.TXT");
  const AnswerCheck check = CheckAnswer(answer);
  EXPECT_TRUE(check.Ok()) << "line " << check.problemLine << " \""
                          << PrintableBytes(check.problemText) << "\": " << check.problem;
  // 35 distinct end points on the drawing's write layer lg2 ly5: 6 of the
  // lines (the shared ends once, the line marked "z3" left out), 4 of the arcs
  // (none of the closed ones), 2 + 3 + 4 corners of the linear and polygon
  // solids, 3 + 3 of the circle solids, 2 of the circumference solid and 4 + 4
  // of the rings.
  EXPECT_EQ(answer, ReadBytes(ExamplesDir() / "sample-answer.txt"));
}

// ---- Without any display ---------------------------------------------------------

using NoDisplayTest = TempDirTest;

// The host waits for an answer: a tool whose window cannot open answers "no
// change" rather than leaving the host to read its own selection back.
TEST_F(NoDisplayTest, AnswersNoChange) {
  const fs::path folder = Dir() / "tool";
  fs::create_directory(folder);
  fs::copy_file(BuildDir() / "app" / "q527", folder / "q527");
  WriteBytes(folder / "JWC_TEMP.TXT", kTwoLines);
  Child tool;
  ASSERT_TRUE(tool.Start({(folder / "q527").string()},
                         Environment({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"}),
                         PathOf("stdout.txt"), PathOf("stderr.txt")));
  const std::optional<int> status = tool.WaitFor(kPatience);
  EXPECT_TRUE(EndedWithZero(status)) << ExitText(status) << "; " << ReadBytes(PathOf("stderr.txt"));
  EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), kNoChange);
  EXPECT_FALSE(fs::exists(folder / "q527.dat"));
}

}  // namespace
