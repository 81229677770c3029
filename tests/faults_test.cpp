// The built q527 in a real window, its files broken under it: an exchange
// file that is a folder, missing, empty, huge or garbage; an answer whose
// writing fails when the file is created, half-way or when it is closed; a
// settings file that is a folder, a device or a link into nowhere, and a disk
// that fills while the settings are saved. Whatever happens, the tool shows
// its dialog and nothing else, ends with status 0, and leaves the answer
// complete or absent and the settings old, new or absent, never a part.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "host/Answer.h"
#include "tests/support/RealWindow.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr char kAnswerName[] = "JWC_TEMP.TXT";
constexpr char kSettingsName[] = "q527.dat";
// OK with nothing read: the attributes alone, on layer 0 of group 0.
constexpr char kNothingReadAnswer[] = "lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\n";

// Settings of an earlier run at (10, 20) with the default choices, in forms
// that the tool reads but never writes, so that a save always changes them.
constexpr char kOldSettings[] = "10\n20\nTRUE\n1\non\n1\n1\n1\n1\n0\n0\n1\n0\n";
// The same choices as OK saves them.
constexpr char kNewSettings[] =
    "10\r\n20\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n";
// The defaults as OK saves them when no settings could be read.
constexpr char kDefaultSettings[] =
    "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n";

// What the tool must leave at the answer's path.
struct AnswerAfter {
  enum Kind {
    kExact,       // a regular file with exactly these bytes
    kWellFormed,  // a regular file that the host accepts
    kAbsent,      // no regular file
  };
  Kind kind = kAbsent;
  std::string bytes;
};

// A regular file with exactly these bytes.
AnswerAfter Exact(std::string bytes) { return {AnswerAfter::kExact, std::move(bytes)}; }
const AnswerAfter kWellFormed{AnswerAfter::kWellFormed, {}};
const AnswerAfter kAbsent{AnswerAfter::kAbsent, {}};

// What lies at a path: the bytes of a regular file, or nothing for anything
// else (no file, a folder, a device).
using FileState = std::optional<std::string>;

// The bytes of a regular file at path (links followed); nothing otherwise.
FileState RegularFileBytes(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  return ReadBytes(path);
}

// The state for a message: the bytes quoted, or "no file".
std::string Describe(const FileState& state) {
  return state ? "\"" + PrintableBytes(*state) + "\"" : "no file";
}

struct FaultCase {
  std::string name = {};
  std::optional<std::string> drawing = {};   // JWC_TEMP.TXT before the start; nothing: none
  std::optional<std::string> settings = {};  // q527.dat before the start; nothing: none
  // Breaks a file of the tool's folder before the start.
  std::function<void(const fs::path& folder)> plant = {};
  // Breaks a file once the dialog shows: after the reading, before the close.
  std::function<void(const fs::path& folder, pid_t tool)> inject = {};
  std::vector<std::string> env = {};  // for the tool
  std::string keys = {};              // closes the dialog
  AnswerAfter answer = {};
  std::vector<FileState> settingsAfter = {};  // the states the settings may be left in
  // Further checks once the tool has ended.
  std::function<void(const fs::path& folder)> check = {};
};

// Expects the system's device at path to be there still.
void ExpectDevice(const char* path) {
  EXPECT_TRUE(fs::is_character_file(path)) << path << " is no longer the system's device";
}

// Makes the path a symbolic link to target, replacing what is there.
void LinkTo(const fs::path& path, const fs::path& target) {
  fs::remove(path);
  fs::create_symlink(target, path);
}

// Makes the path a folder, replacing what is there.
void MakeFolder(const fs::path& path) {
  fs::remove(path);
  fs::create_directory(path);
}

// Lets the tool write no file beyond bytes: the disk is full from there on.
void LimitFileSize(pid_t tool, rlim_t bytes) {
  const rlimit limit{bytes, bytes};
  ASSERT_EQ(prlimit(tool, RLIMIT_FSIZE, &limit, nullptr), 0) << "cannot limit the tool's files";
}

class FaultsTest : public RealWindowTest {
 protected:
  static void SetUpTestSuite() {
    // With the file-size limit standing in for a full disk, a write past it
    // must fail as on a full disk rather than end the tool: the ignored
    // signal is inherited by the tool.
    signal(SIGXFSZ, SIG_IGN);
  }

  // Runs the tool of a fresh folder through the case and checks what it
  // leaves behind.
  void Run(const FaultCase& c) {
    SCOPED_TRACE(c.name + ", closed by " + c.keys);
    const fs::path folder = PrepareTool("case" + std::to_string(++cases_), c.drawing);
    const fs::path answer = folder / kAnswerName;
    const fs::path settings = folder / kSettingsName;
    if (c.settings) WriteBytes(settings, *c.settings);
    if (c.plant) c.plant(folder);

    Child tool;
    const XWindowId window = StartTool(tool, folder, {}, c.env);
    if (!window) return;
    ExpectOnlyTheDialog(window);
    if (c.inject) c.inject(folder, tool.Pid());
    ExpectOnlyTheDialog(window);
    const std::optional<int> status = PressUntilEnded(tool, window, c.keys);
    ExpectCleanExit(tool, status, folder);

    // Never a part of an answer: what the host finds, it can use.
    const FileState answerBytes = RegularFileBytes(answer);
    if (answerBytes) {
      const AnswerCheck check = CheckAnswer(*answerBytes);
      EXPECT_TRUE(check.Ok()) << "line " << check.problemLine << " \""
                              << PrintableBytes(check.problemText) << "\": " << check.problem;
    }
    switch (c.answer.kind) {
      case AnswerAfter::kExact:
        EXPECT_EQ(Describe(answerBytes), Describe(c.answer.bytes));
        break;
      case AnswerAfter::kWellFormed:
        EXPECT_TRUE(answerBytes) << "no answer";
        break;
      case AnswerAfter::kAbsent:
        EXPECT_FALSE(answerBytes) << "an answer was left: " << Describe(answerBytes);
        break;
    }

    const FileState settingsBytes = RegularFileBytes(settings);
    bool allowed = false;
    std::string allowedText;
    for (const FileState& state : c.settingsAfter) {
      allowed |= state == settingsBytes;
      allowedText += " " + Describe(state);
    }
    EXPECT_TRUE(allowed) << "settings left as " << Describe(settingsBytes) << ", not one of"
                         << allowedText;
    if (c.check) c.check(folder);
  }

 private:
  int cases_ = 0;
};

// ---- The exchange file as the tool finds it --------------------------------------------

// The seed of the garbage: the same on every run, unless $Q527_FAULTS_SEED
// gives another one to try.
uint32_t GarbageSeed() {
  constexpr uint32_t kDefaultSeed = 527;
  const char* given = std::getenv("Q527_FAULTS_SEED");
  return given && *given ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10)) : kDefaultSeed;
}

// size bytes of garbage from the seed.
std::string Garbage(uint32_t seed, size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

// piece, times times over.
std::string Repeated(std::string_view piece, size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

// The two-segment drawing on layer group 2, layer 5, colour 1, with zero
// bytes inside keywords, numbers and lines of their own.
constexpr char kZeroBytes[] =
    "lg\0" "2\r\nly5\0\r\n\0\r\nlc1\0\r\n0 0\0 100 0\r\n100 0 100\0 50\r\n\0";

TEST_F(FaultsTest, ExchangeFileAsFound) {
  // Lines after a 10 MB line of double-byte text, and after a million
  // tokens, are still read.
  const std::string hugeLine = Repeated("\x90\xfc\x95\xaa", 10 * 1024 * 1024 / 4);  // "線分"…
  const uint32_t seed = GarbageSeed();
  const std::string garbage = Garbage(seed, 1024 * 1024);
  // A failure names the seed, so that Q527_FAULTS_SEED can repeat it.
  const std::string garbageName =
      "binary garbage from seed " + std::to_string(seed) + " (Q527_FAULTS_SEED)";
  const std::vector<FileState> kFresh{kDefaultSettings};
  const std::vector<FileState> kUntouched{std::nullopt};
  const auto isFolder = [](const fs::path& folder) {
    EXPECT_TRUE(fs::is_directory(folder / kAnswerName)) << "the folder in the answer's place";
  };
  const FaultCase kCases[] = {
      {.name = "a folder",
       .plant = [](const fs::path& folder) { MakeFolder(folder / kAnswerName); },
       .keys = "Return", .answer = kAbsent, .settingsAfter = kFresh, .check = isFolder},
      {.name = "a folder",
       .plant = [](const fs::path& folder) { MakeFolder(folder / kAnswerName); },
       .keys = "Escape", .answer = kAbsent, .settingsAfter = kUntouched, .check = isFolder},
      {.name = "missing", .keys = "Return", .answer = Exact(kNothingReadAnswer),
       .settingsAfter = kFresh},
      {.name = "missing", .keys = "Escape", .answer = Exact(kNoChange),
       .settingsAfter = kUntouched},
      {.name = "empty", .drawing = "", .keys = "Return", .answer = Exact(kNothingReadAnswer),
       .settingsAfter = kFresh},
      {.name = "one 10 MB line", .drawing = hugeLine + "\r\nlg2\r\n0 0 10 0\r\n",
       .keys = "Return",
       .answer = Exact("lg2\r\nly0\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 10 0\r\n"),
       .settingsAfter = kFresh},
      {.name = "one 10 MB line without a line end", .drawing = hugeLine, .keys = "Return",
       .answer = Exact(kNothingReadAnswer), .settingsAfter = kFresh},
      {.name = garbageName, .drawing = garbage, .keys = "Return", .answer = kWellFormed,
       .settingsAfter = kFresh},
      {.name = garbageName, .drawing = garbage, .keys = "Escape", .answer = Exact(kNoChange),
       .settingsAfter = kUntouched},
      // A zero byte is dropped like any control byte; it ends neither the
      // line nor the file.
      {.name = "zero bytes", .drawing = std::string(kZeroBytes, sizeof kZeroBytes - 1),
       .keys = "Return",
       .answer = Exact(kTwoLinesAnswer), .settingsAfter = kFresh},
      {.name = "a million tokens on one line",
       .drawing = Repeated("1 ", 1000000) + "\r\n0 0 7 7\r\n", .keys = "Return",
       .answer = Exact(kNothingReadAnswer + std::string("pt 0 0\r\npt 7 7\r\n")),
       .settingsAfter = kFresh},
      // Reading stops at the number as at a read error: the lines before it
      // count, the lines after it do not.
      {.name = "a number too large for a double on line 3",
       .drawing = "lg2\r\nly5\r\n0 0 1e400 0\r\n0 0 100 0\r\n", .keys = "Return",
       .answer = Exact("lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\n"), .settingsAfter = kFresh},
      // End points beyond the largest double have no number the host could
      // read: whatever the tool makes of them, the answer stays readable.
      {.name = "coordinates at the edge of the double range",
       .drawing = "ci 1e308 0 1e308 0 90 1 0\r\n1e308 -1e308 -1.7e308 4.9e-324\r\n"
                  "sc 1e308 1e308 1e308 1 0 0 1.5707963267948966 -1\r\n"
                  "so -1e308 0 1.5e308 0.5 0 0 3 1e308\r\n",
       .keys = "Return", .answer = kWellFormed, .settingsAfter = kFresh},
      // A device never ends its one line: it is not a drawing to read.
      {.name = "a link to /dev/zero",
       .plant = [](const fs::path& folder) { LinkTo(folder / kAnswerName, "/dev/zero"); },
       .keys = "Escape", .answer = kAbsent, .settingsAfter = kUntouched,
       .check = [](const fs::path&) { ExpectDevice("/dev/zero"); }},
  };
  for (const FaultCase& c : kCases) Run(c);
}

// ---- The answer's writing fails --------------------------------------------------------

TEST_F(FaultsTest, AnswerCannotBeWritten) {
  const std::string sample = ReadBytes(ExamplesDir() / "sample.txt");
  ASSERT_FALSE(sample.empty());
  const std::vector<FileState> kSaved{kNewSettings};
  const std::vector<FileState> kKept{kOldSettings};
  const auto folderInPlace = [](const fs::path& folder, pid_t) {
    MakeFolder(folder / kAnswerName);
  };
  const auto deviceInPlace = [](const fs::path& folder, pid_t) {
    LinkTo(folder / kAnswerName, "/dev/full");
  };
  // Far below the answer to the sample, above the settings and "hq".
  const auto diskFillsSoon = [](const fs::path&, pid_t tool) { LimitFileSize(tool, 64); };
  const auto isFolder = [](const fs::path& folder) {
    EXPECT_TRUE(fs::is_directory(folder / kAnswerName)) << "the folder in the answer's place";
  };
  const auto deviceKept = [](const fs::path&) { ExpectDevice("/dev/full"); };
  std::string asanOptions = "ASAN_OPTIONS=verify_asan_link_order=0";
  if (const char* options = std::getenv("ASAN_OPTIONS"); options && *options)
    asanOptions += std::string(":") + options;
  const std::vector<std::string> closeFails{
      "LD_PRELOAD=" Q527_CLOSE_FAULT, std::string("Q527_FAIL_CLOSE=") + kAnswerName, asanOptions};
  const FaultCase kCases[] = {
      // The file cannot be created: a folder took its place after the reading.
      {.name = "created", .drawing = sample, .settings = kOldSettings, .inject = folderInPlace,
       .keys = "Return", .answer = kAbsent, .settingsAfter = kSaved, .check = isFolder},
      {.name = "created", .drawing = sample, .settings = kOldSettings, .inject = folderInPlace,
       .keys = "Escape", .answer = kAbsent, .settingsAfter = kKept, .check = isFolder},
      // Every write fails: the device stays, the link to it goes.
      {.name = "written to /dev/full", .drawing = sample, .settings = kOldSettings,
       .inject = deviceInPlace, .keys = "Return", .answer = kAbsent, .settingsAfter = kSaved,
       .check = deviceKept},
      {.name = "written to /dev/full", .drawing = sample, .settings = kOldSettings,
       .inject = deviceInPlace, .keys = "Escape", .answer = kAbsent, .settingsAfter = kKept,
       .check = deviceKept},
      // The first 64 bytes reach the disk, then it is full: the part goes.
      {.name = "written past a full disk", .drawing = sample, .settings = kOldSettings,
       .inject = diskFillsSoon, .keys = "Return", .answer = kAbsent, .settingsAfter = kSaved},
      {.name = "written past a full disk", .drawing = sample, .settings = kOldSettings,
       .inject = diskFillsSoon, .keys = "Escape", .answer = Exact(kNoChange),
       .settingsAfter = kKept},
      // All is written, then closing reports an error: the file goes.
      {.name = "closed", .drawing = sample, .settings = kOldSettings, .env = closeFails,
       .keys = "Return", .answer = kAbsent, .settingsAfter = kSaved},
      {.name = "closed", .drawing = sample, .settings = kOldSettings, .env = closeFails,
       .keys = "Escape", .answer = kAbsent, .settingsAfter = kKept},
      // The same close fault on a file of another name leaves the answer
      // whole: the fault, nothing else, is what removes it above.
      {.name = "closed, the fault on another file", .drawing = sample,
       .settings = kOldSettings,
       .env = {"LD_PRELOAD=" Q527_CLOSE_FAULT, "Q527_FAIL_CLOSE=other.txt", asanOptions},
       .keys = "Return", .answer = Exact(ReadBytes(ExamplesDir() / "sample-answer.txt")),
       .settingsAfter = kSaved},
  };
  for (const FaultCase& c : kCases) Run(c);
}

// ---- The settings file -----------------------------------------------------------------

TEST_F(FaultsTest, SettingsFileBroken) {
  const auto folderInPlace = [](const fs::path& folder) { MakeFolder(folder / kSettingsName); };
  const auto deviceInPlace = [](const fs::path& folder) {
    LinkTo(folder / kSettingsName, "/dev/full");
  };
  const auto linkIntoNowhere = [](const fs::path& folder) {
    LinkTo(folder / kSettingsName, folder / "gone" / kSettingsName);
  };
  const auto isFolder = [](const fs::path& folder) {
    EXPECT_TRUE(fs::is_directory(folder / kSettingsName)) << "the folder in the settings' place";
  };
  const auto deviceKept = [](const fs::path& folder) {
    EXPECT_EQ(fs::read_symlink(folder / kSettingsName), "/dev/full");
    ExpectDevice("/dev/full");
  };
  const auto nowhereKept = [](const fs::path& folder) {
    EXPECT_TRUE(fs::is_symlink(folder / kSettingsName));
    EXPECT_FALSE(fs::exists(folder / "gone")) << "the missing folder was made";
  };
  const std::vector<FileState> kNoFile{std::nullopt};
  const FaultCase kCases[] = {
      // Nothing can be read: the dialog opens with the defaults; nothing can
      // be saved: the answer is made all the same.
      {.name = "a folder", .drawing = kTwoLines, .plant = folderInPlace, .keys = "Return",
       .answer = Exact(kTwoLinesAnswer), .settingsAfter = kNoFile, .check = isFolder},
      {.name = "a link to /dev/full", .drawing = kTwoLines, .plant = deviceInPlace,
       .keys = "Return", .answer = Exact(kTwoLinesAnswer), .settingsAfter = kNoFile,
       .check = deviceKept},
      {.name = "a link to /dev/full", .drawing = kTwoLines, .plant = deviceInPlace,
       .keys = "Escape", .answer = Exact(kNoChange), .settingsAfter = kNoFile,
       .check = deviceKept},
      {.name = "a link into a missing folder", .drawing = kTwoLines, .plant = linkIntoNowhere,
       .keys = "Return", .answer = Exact(kTwoLinesAnswer), .settingsAfter = kNoFile,
       .check = nowhereKept},
      // The disk fills after 10 bytes: the settings' part and the answer's
      // part are both removed. The save emptied the old settings first, so
      // they cannot stay either.
      {.name = "saved past a full disk", .drawing = kTwoLines, .settings = kOldSettings,
       .inject = [](const fs::path&, pid_t tool) { LimitFileSize(tool, 10); },
       .keys = "Return", .answer = kAbsent,
       .settingsAfter = {kOldSettings, kNewSettings, std::nullopt}},
  };
  for (const FaultCase& c : kCases) Run(c);
}

}  // namespace
