// Running the built q527 as its user and its host do: a private X display,
// a copy of the program in a folder of its own, keys, mouse clicks and the
// window manager's close request, the window tree and a picture of the
// dialog. Xlib stays inside RealWindow.cpp; windows are plain X ids here.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/TestSupport.h"

using TestClock = std::chrono::steady_clock;

// How long one step (a start, a key, an exit) may take before a test calls
// it hanging.
inline constexpr std::chrono::seconds kPatience{30};

// The dialog's caption, UTF-8.
inline constexpr char kDialogCaption[] = "端点に点を作図";

// ---- Drawings, settings and answers the end-to-end tests share -------------------

// The two-segment drawing of a typical run: write layer lg2, ly5; colour 1.
inline constexpr char kTwoLines[] = "lg2\r\nly5\r\nlc1\r\n0 0 100 0\r\n100 0 100 50\r\n";
// Its answer after OK with the default choices.
inline constexpr char kTwoLinesAnswer[] =
    "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 100 0\r\npt 100 50\r\n";
inline constexpr char kNoChange[] = "hq\r\n";

// A selection as the host itself writes it: "hq" first, an empty "file=",
// the header with its aligned columns and numbered points ("hp1-" .. "hp4"),
// write layer lg3 ly2 in SXF colour 108 and line type 49, the font line
// <ＭＳ ゴシック> in Shift-JIS, "#", then a blank before every segment. A
// rounded rectangle whose corner arcs end on its sides, one at the host's
// 89.9999999999999 degrees; words the reader has no rule for ("hzk",
// "msz"), which make a segment from x 0 with four tokens and nothing with
// any other count; two segments sharing an end; an arc from the same angle
// centred on x 0; an ellipse of no extent, a circle and the text 端点.
inline constexpr char kHostDrawing[] =
    "hq\r\n"
    "file=\r\n"
    "hk 0\r\n"
    "hs 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50\r\n"
    "hcw 2 2.5 3 4 5 6 7 8 9 10\r\n"
    "hch 2 2.5 3 4 5 6 7 8 9 10\r\n"
    "hcd 0 0 0.5 0.5 0.5 0.5 1 1 1 1\r\n"
    "hcc      1      1      2      2      3      3      4      4      5      5\r\n"
    "hn -80 -45 80 70\r\n"
    "hp1-  -60 -30\r\n"
    "hp2   60 -30\r\n"
    "hp3-  60 30\r\n"
    "hp4   -60 30\r\n"
    "lg3\r\n"
    "ly2\r\n"
    "lc108\r\n"
    "lt49\r\n"
    "cn2\r\n"
    "cn\"$<\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E>\r\n"
    "#\r\n"
    " -50 -30 50 -30\r\n"
    " 60 -20 60 20\r\n"
    " 50 30 -50 30\r\n"
    " -60 20 -60 -20\r\n"
    "ci 50 -20 10 270 0 1 0\r\n"
    "ci 50 20 10 0 89.9999999999999 1 0\r\n"
    "ci -50 20 10 89.9999999999999 180 1 0\r\n"
    "ci -50 -20 10 180 270 1 0\r\n"
    "lt1\r\n"
    "hzk 45 80 45\r\n"
    "hzk 0\r\n"
    "msz 12 -3 4 5\r\n"
    "msz -45 -80 -45\r\n"
    "lc2\r\n"
    " -40 0 0 -25\r\n"
    " 0 -25 40 0\r\n"
    "ci 0 0 15 30 150 1 0\r\n"
    "ci 0 60 10 89.9999999999999 180 1 0\r\n"
    "ci 0 0 25 0 0 0.8 89.9999999999999\r\n"
    "ci 0 0 5\r\n"
    "ch -8 -2 2.5 0 \"\x92\x5B\x93\x5F\r\n"
    "#\r\n";
// Its answer after OK with the default choices: the layer and colour the
// header announced first, line type 1; the sides' ends, the corner arcs
// adding none; both ends of each four-token "hzk" and "msz" line; the
// shared end once; then the ends of the two open arcs.
inline constexpr char kHostDrawingAnswer[] =
    "lg3\r\nly2\r\nlc108\r\npn108\r\nlt1\r\n"
    "pt -50 -30\r\npt 50 -30\r\npt 60 -20\r\npt 60 20\r\n"
    "pt 50 30\r\npt -50 30\r\npt -60 20\r\npt -60 -20\r\n"
    "pt 0 45\r\npt 80 45\r\npt 0 -45\r\npt -80 -45\r\n"
    "pt -40 0\r\npt 0 -25\r\npt 40 0\r\n"
    "pt 12.9903810567666 7.5\r\npt -12.9903810567666 7.5\r\n"
    "pt 1.83758917935762E-14 70\r\npt -10 60\r\n";
// Settings as a user's earlier run may have left them, in the lenient forms
// the tool reads: at (120, 80); lines and linear solids ticked; point markers
// "・" (kind -3) at scale 2.5; colour SXF-3 (index 12, colour 103).
inline constexpr char kStoredSettings[] = "120\n80\nTRUE\n0\non\n0\nno\n0\n0\n1\n2\n2.5\n12\n";
// The same choices as OK writes them back.
inline constexpr char kSavedSettings[] =
    "120\r\n80\r\n1\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n1\r\n2\r\n2.5\r\n12\r\n";
// The answer to kTwoLines with those choices.
inline constexpr char kStoredChoicesAnswer[] =
    "lg2\r\nly5\r\nlc103\r\npn103\r\nlt1\r\n"
    "pt 0 0 2.5 0 -3\r\npt 100 0 2.5 0 -3\r\npt 100 50 2.5 0 -3\r\n";

// The private display's one screen, in pixels.
inline constexpr int kScreenWidth = 1024, kScreenHeight = 768;

// Stored dialog positions (the first two settings lines) that leave the
// dialog's frame wholly off the screen, and some that leave it partly on it.
inline constexpr std::pair<int, int> kOffScreenPositions[] = {{5000, -3000}, {-700, -20}, {200, -2500}};
inline constexpr std::pair<int, int> kPartlyOnScreenPositions[] = {{-300, -100}, {1000, 700}};

// kStoredSettings and kSavedSettings with another position.
std::string StoredSettingsAt(std::pair<int, int> position);
std::string SavedSettingsAt(std::pair<int, int> position);

// Where a dialog frame of the size opens for the stored position on the
// screen: as stored when any of it is on the screen, else moved along each
// axis where it is off, just far enough to lie wholly inside.
std::pair<int, int> OnScreenPosition(std::pair<int, int> stored, std::pair<int, int> size);

// Centres of the buttons, in the dialog's client coordinates.
inline constexpr int kOkX = 72 + 121 / 2, kOkY = 184 + 25 / 2;
inline constexpr int kCancelX = 264 + 121 / 2, kCancelY = 184 + 25 / 2;

// An X window id; 0 for none.
using XWindowId = unsigned long;

// The build tree: $Q527_BUILD_DIR, else the folder above the test program's.
std::filesystem::path BuildDir();

// The project's examples/ folder.
std::filesystem::path ExamplesDir();

// The Windows build's q527.exe: in $Q527_WINDOWS_BUILD_DIR/app, else in the
// source tree's build-windows/app.
std::filesystem::path WindowsProgram();

// The current environment with the entries changed: "NAME=value" sets NAME,
// a bare "NAME" removes it.
std::vector<std::string> Environment(const std::vector<std::string>& changes);

// A program started with posix_spawn; killed and reaped when still running
// at the end.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }

  // Starts argv[0] (looked up in PATH) with the environment env in
  // workingDir (empty: the test's own). stdoutPath and stderrPath, when not
  // empty, receive the output; stdin is /dev/null. False when the program
  // cannot be started.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& stdoutPath = {}, const std::string& stderrPath = {},
             const std::filesystem::path& workingDir = {});

  // True while the program runs; reaps it once it has ended.
  bool Running();

  // The wait status once the program has ended within timeout; nothing when
  // it still runs.
  std::optional<int> WaitFor(TestClock::duration timeout);

  // Kills the program when it runs and reaps it.
  void Kill();

  // The process id while it runs (or has ended unreaped); -1 otherwise.
  pid_t Pid() const { return pid_; }

  // The program's resident memory in KiB; 0 when it cannot be told.
  long ResidentKiB() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// "exit status N", "killed by signal N" or "still running".
std::string ExitText(const std::optional<int>& status);

// True for a program that ended by itself with status 0.
bool EndedWithZero(const std::optional<int>& status);

// The children of this test program that are still there (running or not yet
// reaped), other than those listed.
std::vector<pid_t> ChildProcesses(const std::vector<pid_t>& except = {});

// The processes that run the executable at path.
std::vector<pid_t> ProcessesRunning(const std::filesystem::path& path);

// One pixel's colour, 8 bits per channel.
struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// What a window showed when it was grabbed, in window coordinates.
class WindowPicture {
 public:
  WindowPicture(int width, int height, std::vector<Rgb> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixel at (x, y), which must lie inside the picture.
  const Rgb& At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
  // How many pixels of the rectangle [left, right] × [top, bottom] (inclusive)
  // have the colour.
  int Count(int left, int top, int right, int bottom, const Rgb& colour) const;

 private:
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

// Xvfb on a display number of its own choosing, with a connection to it.
class PrivateDisplay {
 public:
  PrivateDisplay() = default;
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;
  ~PrivateDisplay();

  // Starts the server; on failure tells why.
  std::optional<std::string> Start();

  // The display name, such as ":3".
  const std::string& Name() const { return name_; }

  // The server's process id.
  pid_t ServerPid() const { return server_.Pid(); }

  // The viewable top-level window whose title contains kDialogCaption; 0 when
  // none.
  XWindowId FindDialog() const;

  // Every viewable window directly below the root: with no window manager
  // these are all the top-level windows on the screen.
  std::vector<XWindowId> ShownTopLevels() const;

  // The window's title (UTF-8); empty when it has none.
  std::string Title(XWindowId window) const;

  // The window's top-left corner in screen coordinates.
  std::optional<std::pair<int, int>> Position(XWindowId window) const;

  // The window's width and height, its frame included where the toolkit
  // draws one itself.
  std::optional<std::pair<int, int>> Size(XWindowId window) const;

  // Asks the window to close the way a window manager does when its close
  // box is clicked (WM_DELETE_WINDOW).
  void SendCloseRequest(XWindowId window) const;

  // What the window shows now; nothing when it is not shown.
  std::optional<WindowPicture> Grab(XWindowId window) const;

  // Runs xdotool with the arguments on this display and waits up to 5 s for
  // it; false when it cannot be started or fails.
  bool Xdotool(const std::vector<std::string>& args) const;

 private:
  mutable Child server_;
  std::string name_;
  struct _XDisplay* display_ = nullptr;
};

// A fixture that runs copies of the built q527 on a private display of its
// own; skips the test when Xvfb cannot start.
class RealWindowTest : public TempDirTest {
 protected:
  void SetUp() override;

  // A fresh folder Dir()/name holding a copy of the built program (the
  // Linux q527 unless another is named) alone and, when drawing holds bytes,
  // JWC_TEMP.TXT with them; returns the folder.
  std::filesystem::path PrepareTool(const std::string& name,
                                    std::optional<std::string_view> drawing,
                                    const std::filesystem::path& built = {});

  // Starts the tool of folder on the private display, in workingDir (empty:
  // the tool's folder), with the extra environment changes, and waits for
  // its dialog; 0 (after a failure) when none appears. A q527.exe is run
  // through wine, in the environment's Wine prefix. Fails fast when the
  // tool's memory grows past 1 GiB before its dialog shows.
  XWindowId StartTool(Child& tool, const std::filesystem::path& folder,
                      const std::filesystem::path& workingDir = {},
                      const std::vector<std::string>& extraEnv = {});

  // As StartTool, but without a dialog it tells why instead of failing.
  XWindowId TryStartTool(Child& tool, const std::filesystem::path& folder,
                         const std::filesystem::path& workingDir,
                         const std::vector<std::string>& extraEnv, std::string& why);

  // As TryStartTool, with the command that starts the tool given whole (a
  // launcher, say); its messages are named after the folder.
  XWindowId TryStartCommand(Child& tool, const std::vector<std::string>& argv,
                            const std::filesystem::path& folder,
                            const std::filesystem::path& workingDir,
                            const std::vector<std::string>& extraEnv, std::string& why);

  // Presses keys (xdotool names, such as Return or alt+y) in the dialog
  // until the tool ends; returns its wait status, or nothing when it never
  // ends. Fails when any window besides the dialog shows meanwhile.
  std::optional<int> PressUntilEnded(Child& tool, XWindowId window, const std::string& keys);

  // Clicks the left mouse button at (x, y) of the dialog until the tool
  // ends, as PressUntilEnded does with keys.
  std::optional<int> ClickUntilEnded(Child& tool, XWindowId window, int x, int y);

  // Sends close requests until the tool ends, as PressUntilEnded does.
  std::optional<int> CloseUntilEnded(Child& tool, XWindowId window);

  // Expects the dialog to be the one window on the screen.
  void ExpectOnlyTheDialog(XWindowId window);

  // Expects the tool to have ended by itself with status 0; kills it if not.
  void ExpectCleanExit(Child& tool, const std::optional<int>& status,
                       const std::filesystem::path& folder);

  PrivateDisplay display_;

 private:
  // Repeats act (a key, a click, a close request: the first may come before
  // the toolkit is ready for it) until the tool ends.
  template <typename Act>
  std::optional<int> RepeatUntilEnded(Child& tool, XWindowId window, Act act);
  // True once the tool has ended or its dialog is no longer shown: a key or
  // click that failed then had nothing left to reach.
  bool Gone(Child& tool, XWindowId window);

  std::filesystem::path runtimeDir_;
  std::string leakOptions_;
};
