// End to end: the built q527 in a real window on a private X display, answered
// by keys and by the window manager's close request; and q527-host handing a
// drawing to a stand-in tool and reporting its answer.

#include "host/Answer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// After the test headers: Xlib defines macros such as Status and Bool.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kCaption[] = "端点に点を作図";
// How long a step may take before the test calls it hanging.
constexpr auto kPatience = 30s;

// The build tree: $Q527_BUILD_DIR, else the folder above this test program's.
fs::path BuildDir() {
  if (const char* dir = std::getenv("Q527_BUILD_DIR"); dir && *dir) return dir;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

fs::path ExamplesDir() { return Q527_EXAMPLES_DIR; }

// A program started with posix_spawn; killed when still running at the end.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }

  // Starts argv[0] (looked up in PATH) with the environment env. stdoutPath and
  // stderrPath, when not empty, receive the output; stdin is /dev/null. Open
  // descriptors without close-on-exec stay open in the child. False when the
  // program cannot be started.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& stdoutPath = {}, const std::string& stderrPath = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = stdoutPath.empty() ? "/dev/null" : stdoutPath;
    const std::string err = stderrPath.empty() ? "/dev/null" : stderrPath;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    return rc == 0;
  }

  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    pid_ = -1;
    if (done > 0) status_ = status;
    return false;
  }

  // The wait status once the program has ended within timeout; nothing when it
  // still runs.
  std::optional<int> WaitFor(Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Running()) {
      if (Clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(20ms);
    }
    return status_;
  }

  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// The current environment with the given NAME=value entries put in place.
std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const std::string& o : overrides) replaced |= o.substr(0, o.find('=')) == name;
    if (!replaced) env.emplace_back(text);
  }
  env.insert(env.end(), overrides.begin(), overrides.end());
  return env;
}

std::string ExitText(const std::optional<int>& status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit status " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "killed by signal " + std::to_string(WTERMSIG(*status));
  return "wait status " + std::to_string(*status);
}

// ---- A private X display --------------------------------------------------------

// Xvfb on a display number of its own choosing, with a connection to it.
class PrivateDisplay {
 public:
  ~PrivateDisplay() {
    if (display_) XCloseDisplay(display_);
    server_.Kill();
  }

  // Starts the server; on failure tells why.
  std::optional<std::string> Start() {
    int fds[2];
    if (pipe(fds) != 0) return "cannot make a pipe";
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // -displayfd lets Xvfb pick a free display number and write it to the pipe.
    const bool started = server_.Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset",
                                        "-nolisten", "tcp", "-screen", "0", "1024x768x24"},
                                       Environment({}));
    close(fds[1]);
    if (!started) {
      close(fds[0]);
      return "Xvfb cannot be started (is the package xvfb installed?)";
    }
    std::string number;
    const auto deadline = Clock::now() + kPatience;
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd poller{fds[0], POLLIN, 0};
      if (poll(&poller, 1, 100) <= 0) continue;
      char buffer[32];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) return "Xvfb did not start a display";
    name_ = ":" + number.substr(0, number.find('\n'));
    while (!(display_ = XOpenDisplay(name_.c_str()))) {
      if (Clock::now() >= deadline) return "Xvfb does not accept connections on " + name_;
      std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
  }

  const std::string& Name() const { return name_; }
  Display* Connection() const { return display_; }

  // The viewable top-level window whose title contains kCaption; 0 when none.
  Window FindDialog() const {
    XSync(display_, False);
    return Find(DefaultRootWindow(display_));
  }

  // Asks the window to close the way a window manager does when its close box
  // is clicked.
  void SendCloseRequest(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
  }

 private:
  std::string Title(Window window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 1024,
                           False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      title.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    return title;
  }

  Window Find(Window parent) const {
    Window root = 0;
    Window parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, parent, &root, &parentOut, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display_, children[i], &attributes) ||
          attributes.map_state != IsViewable) {
        continue;
      }
      if (Title(children[i]).find(kCaption) != std::string::npos) {
        found = children[i];
      } else {
        found = Find(children[i]);
      }
    }
    if (children) XFree(children);
    return found;
  }

  Child server_;
  std::string name_;
  Display* display_ = nullptr;
};

// ---- The dialog in a window -----------------------------------------------------

// The two-segment drawing of a typical run: write layer lg2, ly5; colour 1.
constexpr char kTwoLines[] = "lg2\r\nly5\r\nlc1\r\n0 0 100 0\r\n100 0 100 50\r\n";
constexpr char kTwoLinesAnswer[] =
    "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 100 0\r\npt 100 50\r\n";
constexpr char kNoChange[] = "hq\r\n";

class WindowTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    if (HasFatalFailure()) return;
    if (const std::optional<std::string> why = display_.Start()) {
      GTEST_SKIP() << "no private X display: " << *why;
    }
    runtimeDir_ = Dir() / "runtime";
    fs::create_directory(runtimeDir_);
    fs::permissions(runtimeDir_, fs::perms::owner_all, fs::perm_options::replace);
    // In a sanitizer build the leak check would fail the tool for a block that
    // the system's D-Bus library never frees; only that library is excused.
    WriteBytes(Dir() / "lsan.supp", "leak:libdbus-1.so\n");
    leakOptions_ = "LSAN_OPTIONS=suppressions=" + (Dir() / "lsan.supp").string();
    if (const char* options = std::getenv("LSAN_OPTIONS"); options && *options) {
      leakOptions_ += std::string(":") + options;
    }
  }

  // A fresh folder holding a copy of the built q527 alone and, unless drawing
  // is empty, JWC_TEMP.TXT with those bytes; returns the folder.
  fs::path PrepareTool(const std::string& name, std::optional<std::string_view> drawing) {
    const fs::path built = BuildDir() / "app" / "q527";
    EXPECT_TRUE(fs::is_regular_file(built)) << built << " is not built";
    const fs::path folder = Dir() / name;
    fs::create_directory(folder);
    fs::copy_file(built, folder / "q527");
    fs::permissions(folder / "q527", fs::perms::owner_all, fs::perm_options::add);
    if (drawing) WriteBytes(folder / "JWC_TEMP.TXT", *drawing);
    return folder;
  }

  // Starts the tool of folder on the private display and waits for its dialog.
  Window StartTool(Child& tool, const fs::path& folder) {
    const bool started = tool.Start({(folder / "q527").string()},
                                    Environment({"DISPLAY=" + display_.Name(),
                                                 "QT_QPA_PLATFORM=xcb",
                                                 "XDG_RUNTIME_DIR=" + runtimeDir_.string(),
                                                 leakOptions_}),
                                    (folder / "stdout.txt").string(),
                                    (folder / "stderr.txt").string());
    EXPECT_TRUE(started) << "cannot start " << folder / "q527";
    if (!started) return 0;
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline && tool.Running()) {
      if (const Window window = display_.FindDialog()) return window;
      std::this_thread::sleep_for(50ms);
    }
    ADD_FAILURE() << "no dialog titled " << kCaption << " appeared; the tool "
                  << (tool.Running() ? "still runs" : "has ended")
                  << "; its messages: " << ReadBytes(folder / "stderr.txt");
    return 0;
  }

  // Presses keys (xdotool names, such as Return or alt+y) in the dialog until
  // the tool ends; returns its wait status, or nothing when it never ends.
  std::optional<int> PressUntilEnded(Child& tool, Window window, const std::string& keys) {
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
      Child xdotool;
      // A key pressed before the toolkit has taken the focus is lost: press
      // again while the tool runs.
      if (!xdotool.Start({"xdotool", "windowfocus", "--sync", std::to_string(window), "key",
                          "--clearmodifiers", keys},
                         Environment({"DISPLAY=" + display_.Name()}))) {
        ADD_FAILURE() << "cannot start xdotool (is the package xdotool installed?)";
        return tool.WaitFor(0s);
      }
      xdotool.WaitFor(5s);
      if (std::optional<int> status = tool.WaitFor(2s)) return status;
    }
    return std::nullopt;
  }

  // Expects the tool to have ended with status 0.
  void ExpectCleanExit(Child& tool, const std::optional<int>& status, const fs::path& folder) {
    EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "the tool ended with " << ExitText(status)
        << "; its messages: " << ReadBytes(folder / "stderr.txt");
    tool.Kill();
  }

  PrivateDisplay display_;
  fs::path runtimeDir_;
  std::string leakOptions_;
};

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
  };
  int number = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.keys + (c.drawing ? " with a drawing" : " without a drawing"));
    const fs::path folder = PrepareTool("case" + std::to_string(++number), c.drawing);
    Child tool;
    const Window window = StartTool(tool, folder);
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
  const Window window = StartTool(tool, folder);
  ASSERT_NE(window, 0u);
  display_.SendCloseRequest(window);
  const std::optional<int> status = tool.WaitFor(kPatience);
  ExpectCleanExit(tool, status, folder);
  EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), kNoChange);
  EXPECT_FALSE(fs::exists(folder / "q527.dat"));
}

TEST_F(WindowTest, ExampleDrawingGivesAWellFormedAnswer) {
  const std::string drawing = ReadBytes(ExamplesDir() / "sample.txt");
  ASSERT_FALSE(drawing.empty());
  const fs::path folder = PrepareTool("tool", drawing);
  Child tool;
  const Window window = StartTool(tool, folder);
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

// ---- The host stand-in -----------------------------------------------------------

struct HostRun {
  std::optional<int> status;
  std::string out;
  std::string err;
};

class HostTest : public TempDirTest {
 protected:
  // Writes a stand-in tool, a shell script that keeps what it was handed in
  // received.txt and then runs body in its own folder.
  fs::path WriteFakeTool(const fs::path& path, std::string_view body) {
    fs::create_directories(path.parent_path());
    WriteBytes(path, "#!/bin/sh\ncd \"$(dirname \"$0\")\" || exit 9\n"
                     "cp JWC_TEMP.TXT received.txt\n" + std::string(body) + "\n");
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    return path;
  }

  HostRun RunHost(const fs::path& host, const std::vector<std::string>& args) {
    std::vector<std::string> argv{host.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    Child child;
    HostRun run;
    if (!child.Start(argv, Environment({}), PathOf("out.txt"), PathOf("err.txt"))) {
      ADD_FAILURE() << "cannot start " << host;
      return run;
    }
    run.status = child.WaitFor(kPatience);
    run.out = ReadBytes(Dir() / "out.txt");
    run.err = ReadBytes(Dir() / "err.txt");
    return run;
  }

  HostRun RunHost(const std::vector<std::string>& args) {
    return RunHost(BuildDir() / "host" / "q527-host", args);
  }

  static int ExitCode(const HostRun& run) {
    return run.status && WIFEXITED(*run.status) ? WEXITSTATUS(*run.status) : -1;
  }
};

TEST_F(HostTest, HandsOverTheDrawingAndReportsTheAnswer) {
  const std::string drawing = ReadBytes(ExamplesDir() / "sample.txt");
  ASSERT_FALSE(drawing.empty());
  WriteBytes(Dir() / "sample.txt", drawing);
  const fs::path tool = WriteFakeTool(Dir() / "tool" / "fake", "cp answer.txt JWC_TEMP.TXT");
  WriteBytes(Dir() / "tool" / "answer.txt",
             "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\nlw0\r\n"
             "pt 0 0\r\npt 100 0\r\npt 1.5E-7 -12.25\r\n");

  const HostRun run = RunHost({PathOf("sample.txt"), "--tool", tool.string()});
  EXPECT_EQ(ExitCode(run), 0) << run.err;
  EXPECT_EQ(ReadBytes(Dir() / "tool" / "received.txt"), drawing);
  EXPECT_EQ(run.out,
            "The tool answered with 9 command lines.\n"
            "Attributes set: layer group 2, layer 5, line colour 1, point colour 1, "
            "line type 1, line width 0.\n"
            "3 points on layer group 2, layer 5, colour 1:\n"
            "  (0, 0)\n"
            "  (100, 0)\n"
            "  (1.5E-7, -12.25)\n");
}

TEST_F(HostTest, ExitStatusTellsWhatWentWrong) {
  struct Case {
    std::string_view name;
    std::string_view body;    // what the stand-in tool does
    std::string_view answer;  // answer.txt beside it
    int status;
    std::string_view out;          // stdout, exactly
    std::string_view errContains;  // part of stderr
  };
  static constexpr Case kCases[] = {
      {"no change", "cp answer.txt JWC_TEMP.TXT", "hq\r\n", 0,
       "The tool answered \"hq\": nothing changes in the drawing.\n", ""},
      {"malformed third line", "cp answer.txt JWC_TEMP.TXT", "lg2\r\nly5\r\npt 1.50 2\r\n", 1, "",
       "line 3 \"pt 1.50 2\""},
      {"LF line ends", "cp answer.txt JWC_TEMP.TXT", "lg2\nly5\n", 1, "", "line 1 \"lg2\""},
      {"answer left unchanged", "true", "", 1, "", "line 1 \"file=C:\\x5Cjww"},
      {"no answer file", "rm JWC_TEMP.TXT", "", 1, "", "no answer"},
      {"empty answer", ": > JWC_TEMP.TXT", "", 1, "", "empty"},
      {"tool fails", "exit 5", "", 3, "", "status 5"},
      {"tool crashes", "kill -SEGV $$", "", 3, "", "crashed"},
  };
  WriteBytes(Dir() / "sample.txt", ReadBytes(ExamplesDir() / "sample.txt"));
  int number = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = Dir() / ("case" + std::to_string(++number));
    const fs::path tool = WriteFakeTool(folder / "fake", c.body);
    WriteBytes(folder / "answer.txt", c.answer);
    const HostRun run = RunHost({PathOf("sample.txt"), "--tool", tool.string()});
    EXPECT_EQ(ExitCode(run), c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.errContains), std::string::npos) << run.err;
  }
}

TEST_F(HostTest, UsageAndStartFailures) {
  WriteBytes(Dir() / "sample.txt", "hk 0\r\n");
  WriteFakeTool(Dir() / "fake", "printf 'hq\\r\\n' > JWC_TEMP.TXT");
  struct Case {
    std::string_view name;
    std::vector<std::string> args;
    int status;
  };
  const Case kCases[] = {
      {"no drawing", {}, 2},
      {"two drawings", {PathOf("sample.txt"), PathOf("sample.txt")}, 2},
      {"unknown option", {PathOf("sample.txt"), "--verbose"}, 2},
      {"drawing missing", {PathOf("missing.txt"), "--tool", PathOf("fake")}, 2},
      {"tool missing", {PathOf("sample.txt"), "--tool", PathOf("none/q527")}, 3},
      {"tool not executable", {PathOf("sample.txt"), "--tool", PathOf("sample.txt")}, 3},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const HostRun run = RunHost(c.args);
    EXPECT_EQ(ExitCode(run), c.status) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, "");
  }
}

TEST_F(HostTest, FindsTheToolBesideItOrInTheBuildTree) {
  struct Case {
    std::string_view name;
    std::string host;  // where q527-host is placed
    std::string tool;  // where the stand-in q527 is placed
  };
  const Case kCases[] = {
      {"installed side by side", "bin/q527-host", "bin/q527"},
      {"build tree", "build/host/q527-host", "build/app/q527"},
  };
  WriteBytes(Dir() / "sample.txt", "lg1\r\n");
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path host = Dir() / c.host;
    fs::create_directories(host.parent_path());
    fs::copy_file(BuildDir() / "host" / "q527-host", host);
    WriteFakeTool(Dir() / c.tool, "printf 'hq\\r\\n' > JWC_TEMP.TXT");
    const HostRun run = RunHost(host, {PathOf("sample.txt")});
    EXPECT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(ReadBytes((Dir() / c.tool).parent_path() / "received.txt"), "lg1\r\n");
  }
}

TEST_F(HostTest, DrawingThatIsTheExchangeFileStaysAsItIs) {
  const fs::path tool = WriteFakeTool(Dir() / "fake", "printf 'hq\\r\\n' > JWC_TEMP.TXT");
  WriteBytes(Dir() / "JWC_TEMP.TXT", "0 0 1 1\r\n");
  const HostRun run = RunHost({PathOf("JWC_TEMP.TXT"), "--tool", tool.string()});
  EXPECT_EQ(ExitCode(run), 0) << run.err;
  EXPECT_EQ(ReadBytes(Dir() / "received.txt"), "0 0 1 1\r\n");
}

}  // namespace
