#include "tests/support/RealWindow.h"

// After the test headers: Xlib defines macros such as Status and Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path BuildDir() {
  if (const char* dir = std::getenv("Q527_BUILD_DIR"); dir && *dir) return dir;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

fs::path ExamplesDir() { return Q527_EXAMPLES_DIR; }

fs::path WindowsProgram() {
  if (const char* dir = std::getenv("Q527_WINDOWS_BUILD_DIR"); dir && *dir)
    return fs::path(dir) / "app" / "q527.exe";
  return fs::path(Q527_WINDOWS_BUILD_DIR) / "app" / "q527.exe";
}

namespace {

// The settings with their first two lines replaced by the position.
std::string WithPosition(std::string_view settings, std::pair<int, int> position) {
  const std::string_view end = settings.find("\r\n") == std::string_view::npos ? "\n" : "\r\n";
  const size_t rest = settings.find(end, settings.find(end) + end.size()) + end.size();
  return std::to_string(position.first) + std::string(end) + std::to_string(position.second) +
         std::string(end) + std::string(settings.substr(rest));
}

}  // namespace

std::string StoredSettingsAt(std::pair<int, int> position) {
  return WithPosition(kStoredSettings, position);
}

std::string SavedSettingsAt(std::pair<int, int> position) {
  return WithPosition(kSavedSettings, position);
}

std::pair<int, int> OnScreenPosition(std::pair<int, int> stored, std::pair<int, int> size) {
  const auto [left, top] = stored;
  const auto [width, height] = size;
  const bool overlaps = left < kScreenWidth && left + width > 0 && top < kScreenHeight &&
                        top + height > 0;
  if (overlaps) return stored;
  const auto inside = [](int at, int length, int screen) {
    return at < 0 ? 0 : at + length > screen ? screen - length : at;
  };
  return {inside(left, width, kScreenWidth), inside(top, height, kScreenHeight)};
}

std::vector<std::string> Environment(const std::vector<std::string>& changes) {
  const auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view text(*entry);
    bool changed = false;
    for (const std::string& change : changes) changed |= nameOf(change) == nameOf(text);
    if (!changed) env.emplace_back(text);
  }
  for (const std::string& change : changes) {
    if (change.find('=') != std::string::npos) env.push_back(change);
  }
  return env;
}

// ---- Processes ---------------------------------------------------------------------

bool Child::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& stdoutPath, const std::string& stderrPath,
                  const fs::path& workingDir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string out = stdoutPath.empty() ? "/dev/null" : stdoutPath;
  const std::string err = stderrPath.empty() ? "/dev/null" : stderrPath;
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  status_.reset();
  const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) pid_ = -1;
  return rc == 0;
}

bool Child::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0) return true;
  pid_ = -1;
  if (done > 0) status_ = status;
  return false;
}

std::optional<int> Child::WaitFor(TestClock::duration timeout) {
  const auto deadline = TestClock::now() + timeout;
  while (Running()) {
    if (TestClock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(10ms);
  }
  return status_;
}

void Child::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

long Child::ResidentKiB() const {
  if (pid_ <= 0) return 0;
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return 0;
}

std::string ExitText(const std::optional<int>& status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit status " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "killed by signal " + std::to_string(WTERMSIG(*status));
  return "wait status " + std::to_string(*status);
}

bool EndedWithZero(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

namespace {

// The process ids listed in /proc.
std::vector<pid_t> AllProcesses() {
  std::vector<pid_t> pids;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
      pids.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return pids;
}

// The parent of pid from /proc/pid/stat; 0 when it has gone.
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  // The command name in parentheses may hold spaces; the fields follow it.
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(line.substr(close + 1));
  std::string state;
  long parent = 0;
  fields >> state >> parent;
  return static_cast<pid_t>(parent);
}

}  // namespace

std::vector<pid_t> ChildProcesses(const std::vector<pid_t>& except) {
  std::vector<pid_t> children;
  const pid_t self = getpid();
  for (const pid_t pid : AllProcesses()) {
    if (ParentOf(pid) != self) continue;
    bool excepted = false;
    for (const pid_t other : except) excepted |= other == pid;
    if (!excepted) children.push_back(pid);
  }
  return children;
}

std::vector<pid_t> ProcessesRunning(const fs::path& path) {
  std::vector<pid_t> found;
  std::error_code error;
  const fs::path wanted = fs::weakly_canonical(path, error);
  for (const pid_t pid : AllProcesses()) {
    const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    if (!error && exe == wanted) found.push_back(pid);
  }
  return found;
}

// ---- Pictures ----------------------------------------------------------------------

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "(" << colour.r << ", " << colour.g << ", " << colour.b << ")";
}

int WindowPicture::Count(int left, int top, int right, int bottom, const Rgb& colour) const {
  int count = 0;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) count += At(x, y) == colour;
  }
  return count;
}

namespace {

// One colour channel of pixel, scaled to 0..255.
int Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1UL)) ++shift;
  const unsigned long bits = mask >> shift;
  return static_cast<int>(((pixel & mask) >> shift) * 255 / bits);
}

// Xlib's own handler, which ends the program on any error.
XErrorHandler gDefaultErrorHandler = nullptr;

// A window may vanish between its listing and a question about it, as a
// closing program's windows do: that request fails with BadWindow, and the
// question has no answer. Any other error ends the program as before.
int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow) return 0;
  return gDefaultErrorHandler != nullptr ? gDefaultErrorHandler(display, error) : 0;
}

}  // namespace

// ---- The private display -----------------------------------------------------------

PrivateDisplay::~PrivateDisplay() {
  if (display_) XCloseDisplay(display_);
  server_.Kill();
}

std::optional<std::string> PrivateDisplay::Start() {
  int fds[2];
  if (pipe(fds) != 0) return "cannot make a pipe";
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  // -displayfd lets Xvfb pick a free display number and write it to the pipe.
  const bool started = server_.Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset",
                                      "-nolisten", "tcp", "-screen", "0",
                                      std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24"},
                                     Environment({}));
  close(fds[1]);
  if (!started) {
    close(fds[0]);
    return "Xvfb cannot be started (is the package xvfb installed?)";
  }
  std::string number;
  const auto deadline = TestClock::now() + kPatience;
  while (number.find('\n') == std::string::npos && TestClock::now() < deadline) {
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
    if (TestClock::now() >= deadline) return "Xvfb does not accept connections on " + name_;
    std::this_thread::sleep_for(50ms);
  }
  if (gDefaultErrorHandler == nullptr)
    gDefaultErrorHandler = XSetErrorHandler(IgnoreVanishedWindows);
  return std::nullopt;
}

std::string PrivateDisplay::Title(XWindowId window) const {
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

std::vector<XWindowId> PrivateDisplay::ShownTopLevels() const {
  XSync(display_, False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<XWindowId> shown;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
    return shown;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, children[i], &attributes) &&
        attributes.map_state == IsViewable) {
      shown.push_back(children[i]);
    }
  }
  if (children) XFree(children);
  return shown;
}

XWindowId PrivateDisplay::FindDialog() const {
  for (const XWindowId window : ShownTopLevels()) {
    if (Title(window).find(kDialogCaption) != std::string::npos) return window;
  }
  return 0;
}

std::optional<std::pair<int, int>> PrivateDisplay::Size(XWindowId window) const {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display_, window, &attributes)) return std::nullopt;
  return std::make_pair(attributes.width, attributes.height);
}

std::optional<std::pair<int, int>> PrivateDisplay::Position(XWindowId window) const {
  int x = 0;
  int y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
    return std::nullopt;
  return std::make_pair(x, y);
}

void PrivateDisplay::SendCloseRequest(XWindowId window) const {
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

std::optional<WindowPicture> PrivateDisplay::Grab(XWindowId window) const {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes) || attributes.map_state != IsViewable) {
    return std::nullopt;
  }
  XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (!image) return std::nullopt;
  std::vector<Rgb> pixels;
  pixels.reserve(static_cast<size_t>(attributes.width) * static_cast<size_t>(attributes.height));
  for (int y = 0; y < attributes.height; ++y) {
    for (int x = 0; x < attributes.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      pixels.push_back(Rgb{Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
                           Channel(pixel, image->blue_mask)});
    }
  }
  XDestroyImage(image);
  return WindowPicture(attributes.width, attributes.height, std::move(pixels));
}

bool PrivateDisplay::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Child xdotool;
  if (!xdotool.Start(argv, Environment({"DISPLAY=" + name_}))) return false;
  return EndedWithZero(xdotool.WaitFor(5s));
}

// ---- The tool in a window ----------------------------------------------------------

void RealWindowTest::SetUp() {
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

fs::path RealWindowTest::PrepareTool(const std::string& name,
                                     std::optional<std::string_view> drawing,
                                     const fs::path& program) {
  const fs::path built = program.empty() ? BuildDir() / "app" / "q527" : program;
  EXPECT_TRUE(fs::is_regular_file(built)) << built << " is not built";
  const fs::path folder = Dir() / name;
  fs::create_directories(folder);
  fs::copy_file(built, folder / built.filename());
  fs::permissions(folder / built.filename(), fs::perms::owner_all, fs::perm_options::add);
  if (drawing) WriteBytes(folder / "JWC_TEMP.TXT", *drawing);
  return folder;
}

XWindowId RealWindowTest::StartTool(Child& tool, const fs::path& folder, const fs::path& workingDir,
                                    const std::vector<std::string>& extraEnv) {
  std::string why;
  const XWindowId window = TryStartTool(tool, folder, workingDir, extraEnv, why);
  if (!window) ADD_FAILURE() << why;
  return window;
}

XWindowId RealWindowTest::TryStartTool(Child& tool, const fs::path& folder,
                                       const fs::path& workingDir,
                                       const std::vector<std::string>& extraEnv, std::string& why) {
  // The Windows build runs through Wine.
  const bool windows = fs::exists(folder / "q527.exe");
  std::vector<std::string> argv{(folder / (windows ? "q527.exe" : "q527")).string()};
  if (windows) argv.insert(argv.begin(), "wine");
  return TryStartCommand(tool, argv, folder, workingDir, extraEnv, why);
}

XWindowId RealWindowTest::TryStartCommand(Child& tool, const std::vector<std::string>& argv,
                                          const fs::path& folder, const fs::path& workingDir,
                                          const std::vector<std::string>& extraEnv,
                                          std::string& why) {
  std::vector<std::string> env{"DISPLAY=" + display_.Name(), "QT_QPA_PLATFORM=xcb",
                               "XDG_RUNTIME_DIR=" + runtimeDir_.string(), leakOptions_};
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  // The messages go to the test's folder: the tool's own must hold nothing
  // but what the tool makes.
  const std::string tag = folder.filename().string();
  const bool started = tool.Start(argv, Environment(env), (Dir() / (tag + ".stdout")).string(),
                                  (Dir() / (tag + ".stderr")).string(),
                                  workingDir.empty() ? folder : workingDir);
  if (!started) {
    why = "cannot start " + argv.back();
    return 0;
  }
  constexpr long kMemoryLimitKiB = 1024 * 1024;
  const auto deadline = TestClock::now() + kPatience;
  while (TestClock::now() < deadline && tool.Running()) {
    if (const XWindowId window = display_.FindDialog()) return window;
    if (const long kib = tool.ResidentKiB(); kib > kMemoryLimitKiB) {
      why = "the tool took " + std::to_string(kib / 1024) + " MiB before its dialog showed";
      tool.Kill();
      return 0;
    }
    std::this_thread::sleep_for(20ms);
  }
  why = std::string("no dialog titled ") + kDialogCaption + " appeared; the tool " +
        (tool.Running() ? "still runs" : "has ended with " + ExitText(tool.WaitFor({}))) +
        "; its messages: " + ReadBytes(Dir() / (tag + ".stderr"));
  return 0;
}

void RealWindowTest::ExpectOnlyTheDialog(XWindowId window) {
  for (const XWindowId shown : display_.ShownTopLevels()) {
    EXPECT_EQ(shown, window) << "another window shows, titled \"" << display_.Title(shown) << "\"";
  }
}

bool RealWindowTest::Gone(Child& tool, XWindowId window) {
  return !tool.Running() || display_.FindDialog() != window;
}

template <typename Act>
std::optional<int> RealWindowTest::RepeatUntilEnded(Child& tool, XWindowId window, Act act) {
  const auto deadline = TestClock::now() + kPatience;
  while (TestClock::now() < deadline) {
    // A message box would take the next key itself and hide its own showing.
    ExpectOnlyTheDialog(window);
    if (!act()) {
      ADD_FAILURE() << "cannot reach the dialog (is the package xdotool installed?)";
      return tool.WaitFor(0s);
    }
    if (std::optional<int> status = tool.WaitFor(1s)) return status;
  }
  return std::nullopt;
}

std::optional<int> RealWindowTest::PressUntilEnded(Child& tool, XWindowId window,
                                                   const std::string& keys) {
  return RepeatUntilEnded(tool, window, [&] {
    // A key pressed before the toolkit has taken the focus is lost: pressed
    // again while the tool runs.
    return display_.Xdotool({"windowfocus", "--sync", std::to_string(window), "key",
                             "--clearmodifiers", keys}) ||
           Gone(tool, window);
  });
}

std::optional<int> RealWindowTest::ClickUntilEnded(Child& tool, XWindowId window, int x, int y) {
  return RepeatUntilEnded(tool, window, [&] {
    return display_.Xdotool({"mousemove", "--window", std::to_string(window), "--sync",
                             std::to_string(x), std::to_string(y), "click", "1"}) ||
           Gone(tool, window);
  });
}

std::optional<int> RealWindowTest::CloseUntilEnded(Child& tool, XWindowId window) {
  return RepeatUntilEnded(tool, window, [&] {
    display_.SendCloseRequest(window);
    return true;
  });
}

void RealWindowTest::ExpectCleanExit(Child& tool, const std::optional<int>& status,
                                     const fs::path& folder) {
  EXPECT_TRUE(EndedWithZero(status))
      << "the tool ended with " << ExitText(status)
      << "; its messages: " << ReadBytes(Dir() / (folder.filename().string() + ".stderr"));
  tool.Kill();
}
