#include "app/Settings.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The record an empty file gives: every line reads as empty text.
TSettings EmptyLines() {
  TSettings s;
  s.Kinds.Lines = s.Kinds.Arcs = s.Kinds.SolidLines = s.Kinds.SolidPolygons = false;
  s.Kinds.SolidCircles = s.Kinds.SolidCircums = s.Kinds.SolidRings = false;
  s.MarkerKind = 0;
  s.Scale = 0.0;
  return s;
}

std::string Lines(const std::vector<std::string>& lines, std::string_view end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + std::string(end);
  return text;
}

const std::vector<std::string> kFullFile = {"100", "50", "1", "0", "1", "0", "1",
                                            "0",   "1",  "1", "3", "2.5", "12"};

TSettings FullRecord() {
  TSettings s;
  s.WindowLeft = 100;
  s.WindowTop = 50;
  s.Kinds.Lines = true;
  s.Kinds.Arcs = false;
  s.Kinds.SolidLines = true;
  s.Kinds.SolidPolygons = false;
  s.Kinds.SolidCircles = true;
  s.Kinds.SolidCircums = false;
  s.Kinds.SolidRings = true;
  s.PointType = 1;
  s.MarkerKind = 3;
  s.Scale = 2.5;
  s.ColorIndex = 12;
  return s;
}

void ExpectSame(const TSettings& want, const TSettings& got) {
  EXPECT_EQ(want.WindowLeft, got.WindowLeft);
  EXPECT_EQ(want.WindowTop, got.WindowTop);
  EXPECT_EQ(want.Kinds.Lines, got.Kinds.Lines);
  EXPECT_EQ(want.Kinds.Arcs, got.Kinds.Arcs);
  EXPECT_EQ(want.Kinds.SolidLines, got.Kinds.SolidLines);
  EXPECT_EQ(want.Kinds.SolidPolygons, got.Kinds.SolidPolygons);
  EXPECT_EQ(want.Kinds.SolidCircles, got.Kinds.SolidCircles);
  EXPECT_EQ(want.Kinds.SolidCircums, got.Kinds.SolidCircums);
  EXPECT_EQ(want.Kinds.SolidRings, got.Kinds.SolidRings);
  EXPECT_EQ(want.PointType, got.PointType);
  EXPECT_EQ(want.MarkerKind, got.MarkerKind);
  EXPECT_EQ(want.Scale, got.Scale);
  EXPECT_EQ(want.ColorIndex, got.ColorIndex);
}

class SettingsTest : public TempDirTest {
 protected:
  std::string Path() const { return PathOf("q527.dat"); }

  // Loads into a record that holds values no file case produces, so that
  // a field left untouched would show.
  TSettings Load() const {
    TSettings s;
    s.WindowLeft = s.WindowTop = 777;
    s.Kinds.Lines = s.Kinds.Arcs = s.Kinds.SolidRings = false;
    s.PointType = s.MarkerKind = s.ColorIndex = 99;
    s.Scale = 99.0;
    LoadSettings(Path(), s);
    return s;
  }
};

TEST(SettingsPathTest, ReplacesOrAppendsTheExtensionOfTheFileName) {
  const struct {
    const char* exe;
    const char* want;
  } cases[] = {
      {"/opt/tool/q527", "/opt/tool/q527.dat"},
      {"/a.b/q527", "/a.b/q527.dat"},
      {"tool.exe", "tool.dat"},
      {"/x/tool.exe", "/x/tool.dat"},
      {"/x/t.a.exe", "/x/t.a.dat"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, SettingsPath(c.exe).string()) << c.exe;
}

TEST_F(SettingsTest, MissingFileGivesTheDefaults) { ExpectSame(TSettings{}, Load()); }

TEST_F(SettingsTest, LoadCases) {
  const auto sjisTrue = Sjis("○");
  TSettings full = FullRecord();
  TSettings shortFile = EmptyLines();
  shortFile.WindowLeft = 100;
  shortFile.WindowTop = 200;
  TSettings stopAtEof = EmptyLines();
  stopAtEof.WindowLeft = 100;
  TSettings overflow = full;
  overflow.Scale = 1.0;
  overflow.ColorIndex = 0;
  TSettings words = EmptyLines();
  words.Kinds.Lines = words.Kinds.Arcs = words.Kinds.SolidLines = true;
  words.WindowTop = 0;
  TSettings trailing = full;
  trailing.WindowLeft = 0;  // "100 " is no integer
  trailing.Scale = 0.0;     // "2.5 " is no number
  TSettings longLines = full;
  TSettings loneCr = full;

  const std::string bigBlank(200000, ' ');
  const struct {
    const char* name;
    std::string bytes;
    TSettings want;
  } cases[] = {
      {"empty file", "", EmptyLines()},
      {"CR LF", Lines(kFullFile), full},
      {"LF alone", Lines(kFullFile, "\n"), full},
      {"no final line end", Lines(kFullFile).substr(0, Lines(kFullFile).size() - 2), full},
      {"two lines", "100\r\n200\r\n", shortFile},
      {"0x1A ends the file", "100\r\n\x1A" "200\r\n1\r\n", stopAtEof},
      {"lone CR dropped", "1\r00\r\n50\r\n1\r\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n1\r\n3\r\n2.5\r\n12\r\n",
       loneCr},
      {"boolean words", "0\r\n0\r\nTRUE\r\n on \r\n" + sjisTrue + "\r\n0\r\nno\r\nfalse\r\nF\r\n", words},
      {"scale overflow stops", Lines({"100", "50", "1", "0", "1", "0", "1", "0", "1", "1", "3",
                                      "1e400", "12"}),
       overflow},
      {"trailing blanks", Lines({"100 ", "50", "1 ", "0", "1", "0", "1", "0", "1", "1", "3", "2.5 ",
                                 "12"}),
       trailing},
      {"long lines", Lines({bigBlank + "100", "50", bigBlank + "1", "0", "1", "0", "1", "0", "1",
                            "1", "3", bigBlank + "2.5", "12"}),
       longLines},
      {"lines after the 13th ignored", Lines(kFullFile) + "junk\r\n1e400\r\n", full},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path(), c.bytes);
    ExpectSame(c.want, Load());
  }
}

TEST_F(SettingsTest, FolderAtThePathReadsAsDefaults) {
  fs::create_directory(Path());
  ExpectSame(TSettings{}, Load());
}

TEST_F(SettingsTest, SaveWritesThirteenCrLfLines) {
  TSettings s;
  s.WindowLeft = 100;
  s.WindowTop = 50;
  SaveSettings(Path(), s);
  EXPECT_EQ("100\r\n50\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n", ReadBytes(Path()));
}

TEST_F(SettingsTest, RoundTrip) {
  const TSettings records[] = {
      FullRecord(),
      [] {
        TSettings s;
        s.WindowLeft = -2147483647 - 1;
        s.WindowTop = 2147483647;
        s.MarkerKind = -1;
        s.ColorIndex = -1;
        s.Scale = 1e-5;
        s.Kinds.Arcs = false;
        return s;
      }(),
  };
  for (const auto& record : records) {
    SaveSettings(Path(), record);
    ExpectSame(record, Load());
  }
}

TEST_F(SettingsTest, ScaleIsStoredWithFifteenDigitsAndAFullStop) {
  TSettings s;
  s.Scale = 1.0 / 3.0;
  SaveSettings(Path(), s);
  EXPECT_NE(std::string::npos, ReadBytes(Path()).find("\r\n0.333333333333333\r\n"));
  EXPECT_EQ(0.333333333333333, Load().Scale);
}

TEST_F(SettingsTest, SaveReplacesALongerFile) {
  WriteBytes(Path(), std::string(5000, 'x'));
  SaveSettings(Path(), TSettings{});
  EXPECT_EQ("0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n", ReadBytes(Path()));
}

TEST_F(SettingsTest, SaveIntoAFolderAtThePathLeavesItAlone) {
  fs::create_directory(Path());
  WriteBytes(Dir() / "q527.dat" / "inside", "keep");
  SaveSettings(Path(), TSettings{});
  EXPECT_TRUE(fs::is_directory(Path()));
  EXPECT_EQ("keep", ReadBytes(Dir() / "q527.dat" / "inside"));
}

TEST_F(SettingsTest, SaveIntoAMissingFolderCreatesNothing) {
  const auto path = Dir() / "missing" / "q527.dat";
  SaveSettings(path.string(), TSettings{});
  EXPECT_FALSE(fs::exists(Dir() / "missing"));
}

#ifndef _WIN32
// POSIX only: a full device, a file size limit, an immutable file.
TEST_F(SettingsTest, SaveOnAFullDeviceReturnsAndLeavesTheDevice) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  SaveSettings("/dev/full", TSettings{});
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(SettingsTest, WriteFailureAfterOpeningRemovesThePartialFile) {
  WriteBytes(Path(), Lines(kFullFile));
  // A file-size limit of 8 bytes makes the write fail half-way, like a full disk.
  rlimit old{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tight = old;
  tight.rlim_cur = 8;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &tight));
  SaveSettings(Path(), TSettings{});
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(fs::exists(Path()));
  ExpectSame(TSettings{}, Load());
}

// Makes the file unwritable: read-only for a user; for the superuser, whom
// permissions do not bind, immutable. False where neither can be had.
bool MakeUnwritable(const fs::path& path) {
  if (geteuid() != 0) {
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    return true;
  }
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  const bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                    (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
  close(fd);
  return done;
}

void MakeWritable(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  int flags = 0;
  if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL) != 0) {
    flags &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  close(fd);
}

TEST_F(SettingsTest, ReadOnlyFileIsReadAndSurvivesAFailedSave) {
  WriteBytes(Path(), Lines(kFullFile));
  if (!MakeUnwritable(Path())) GTEST_SKIP() << "this file system cannot make a file unwritable";
  ExpectSame(FullRecord(), Load());
  SaveSettings(Path(), TSettings{});
  const std::string after = ReadBytes(Path());
  MakeWritable(Path());
  EXPECT_EQ(Lines(kFullFile), after);
}
#endif

}  // namespace
