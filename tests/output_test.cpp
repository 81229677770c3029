// The command buffer and the writer of the exchange file.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "tests/support/ExchangeTest.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class OutputTest : public ExchangeTest {
 protected:
  std::string File() const { return PathOf("JWC_TEMP.TXT"); }
  // Writes the buffer to File() and returns the bytes on disk.
  std::string Written() {
    EXPECT_TRUE(WriteCommandFile(File()));
    return ReadBytes(File());
  }
};

TEST_F(OutputTest, EmptyBufferAnswersNoChange) { EXPECT_EQ(Written(), "hq\r\n"); }

TEST_F(OutputTest, LinesAndQuoteJoining) {
  const std::string dot = Sjis("端点に点を作図");
  const struct {
    std::vector<std::string> slots;
    std::string file;
  } cases[] = {
      {{"lg0", "ly5"}, "lg0\r\nly5\r\n"},
      {{"ch 0 0 1 0 \"", "a\"", "pt 1 2"}, "ch 0 0 1 0 \"a\"\r\npt 1 2\r\n"},  // joined, then plain
      {{"a\"", "b\"", "c\"", "d"}, "a\"b\"\r\nc\"d\r\n"},                          // never chained
      {{"a", "b\""}, "a\r\nb\""},                                                // no final line end
      {{"a", "", "b"}, "a\r\n\r\nb\r\n"},                                        // empty slot
      {{"a\"", ""}, "a\"\r\n"},
      {{"a\"b"}, "a\"b\r\n"},  // a quote inside the line joins nothing
      {{dot, "\x81\x40"}, dot + "\r\n\x81\x40\r\n"},  // bytes as stored
  };
  for (const auto& c : cases) {
    JwwInit();
    for (const auto& s : c.slots) AddCommandLine(s);
    EXPECT_EQ(Written(), c.file) << c.slots.front();
  }
}

TEST_F(OutputTest, LineCutToFirst255Bytes) {
  std::string dots;
  for (int i = 0; i < 150; ++i) dots += Sjis("点");
  const struct {
    std::string text;
    size_t kept;
  } cases[] = {{std::string(255, 'x'), 255}, {std::string(256, 'x'), 255},
               {std::string(300, 'y'), 255}, {dots, 255}};
  for (const auto& c : cases) {
    JwwInit();
    AddCommandLine(c.text);
    EXPECT_EQ(JwwOutText(0), c.text.substr(0, c.kept));
    EXPECT_EQ(Written(), c.text.substr(0, c.kept) + "\r\n");
  }
  // The cut counts bytes: the 128th two-byte character loses its second byte.
  JwwInit();
  AddCommandLine(dots);
  EXPECT_EQ(JwwOutText(0).back(), Sjis("点")[0]);
}

TEST_F(OutputTest, LongerOldFileReplacedWhole) {
  WriteBytes(File(), std::string(10000, 'z'));
  AddCommandLine("lg0");
  EXPECT_EQ(Written(), "lg0\r\n");
}

TEST_F(OutputTest, GrowsInStepsOfThousandKeepingLines) {
  std::vector<std::string_view> first;
  for (int i = 0; i < 1000; ++i) {
    AddCommandLine("L" + std::to_string(i));
    first.push_back(JwwOutText(i));
  }
  EXPECT_EQ(JwwOut.Length(), 1000);
  AddCommandLine("L1000");
  EXPECT_EQ(JwwOutCount, 1001);
  EXPECT_EQ(JwwOut.Length(), 2000);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(JwwOutText(i), "L" + std::to_string(i));
    EXPECT_EQ(JwwOutText(i).data(), first[i].data()) << "stored lines never move";
  }
  EXPECT_EQ(JwwOutText(1000), "L1000");
}

TEST_F(OutputTest, ManyLinesWrittenInOrder) {
  // Enough bytes to pass several storage chunks and write blocks.
  std::string expected;
  for (int i = 0; i < 300000; ++i) {
    const std::string line = "pt " + std::to_string(i) + std::string(i % 40, '5');
    AddCommandLine(line);
    expected += line + "\r\n";
  }
  EXPECT_EQ(Written(), expected);
}

TEST_F(OutputTest, WritingLeavesBufferUnchanged) {
  for (const char* s : {"a\"", "b", "c"}) AddCommandLine(s);
  const std::string once = Written();
  EXPECT_EQ(JwwOutCount, 3);
  EXPECT_EQ(JwwOutText(0), "a\"");
  EXPECT_EQ(Written(), once);
}

TEST_F(OutputTest, InitAndFreeEmptyBuffer) {
  AddCommandLine("lg0");
  JwwInit();
  EXPECT_EQ(JwwOutCount, 0);
  EXPECT_EQ(Written(), "hq\r\n");
  AddCommandLine("lg1");
  JwwFree();
  EXPECT_EQ(JwwOutCount, 0);
  EXPECT_EQ(JwwOut.Length(), 0);
}

TEST_F(OutputTest, DirectoryAtPathLeftAlone) {
  fs::create_directory(File());
  EXPECT_FALSE(WriteCommandFile(File()));
  EXPECT_TRUE(fs::is_directory(File()));
}

TEST_F(OutputTest, MissingFolderCreatesNothing) {
  const fs::path missing = Dir() / "missing";
  EXPECT_FALSE(WriteCommandFile((missing / "JWC_TEMP.TXT").string()));
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(OutputTest, ZeroByteInPathCreatesNothing) {
  EXPECT_FALSE(WriteCommandFile(PathOf("A") + std::string(1, '\0') + "B"));
  EXPECT_TRUE(fs::is_empty(Dir()));
}

// A failed write tells its cause, for the user to act on.
TEST_F(OutputTest, FailedWriteTellsItsCause) {
  AddCommandLine("lg0");
#ifdef _WIN32
  const std::string fullDisk = "Z:\\dev\\full";  // Wine's view of the full device
  constexpr TWriteFault kFolderInPlace = TWriteFault::Denied;
#else
  const std::string fullDisk = "/dev/full";
  constexpr TWriteFault kFolderInPlace = TWriteFault::Other;  // EISDIR
#endif
  fs::create_directory(Dir() / "folder");
  const struct {
    std::string name, path;
    TWriteFault fault;
  } kCases[] = {
      {"written", File(), TWriteFault::None},
      {"a folder in its place", PathOf("folder"), kFolderInPlace},
      {"a full disk", fullDisk, TWriteFault::DiskFull},
      {"a missing folder", (Dir() / "missing" / "JWC_TEMP.TXT").string(), TWriteFault::Other},
  };
  for (const auto& c : kCases) {
    if (c.fault == TWriteFault::DiskFull && !fs::exists(c.path)) continue;
    TWriteFault fault = TWriteFault::Other;
    EXPECT_EQ(c.fault == TWriteFault::None, WriteCommandFile(c.path, &fault)) << c.name;
    EXPECT_EQ(c.fault, fault) << c.name;
  }
#ifdef _WIN32
  // Held without sharing it for writing, as a virus scanner holds it.
  const HANDLE held = CreateFileW(fs::path(File()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TWriteFault fault = TWriteFault::None;
  EXPECT_FALSE(WriteCommandFile(File(), &fault));
  CloseHandle(held);
  EXPECT_EQ(TWriteFault::Held, fault);
#endif
}

#ifndef _WIN32
// POSIX only: a full device and a file size limit.
TEST_F(OutputTest, FullDeviceFails) {
  AddCommandLine("lg0");
  EXPECT_FALSE(WriteCommandFile("/dev/full"));
  EXPECT_TRUE(fs::exists("/dev/full")) << "a device is never removed";
}

TEST_F(OutputTest, WriteErrorRemovesFile) {
  // A file size limit makes the write itself fail after the file was created.
  for (int i = 0; i < 100; ++i) AddCommandLine(std::string(200, 'x'));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = WriteCommandFile(File());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(fs::exists(File()));
}
#endif

}  // namespace
