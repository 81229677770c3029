// The command line of q527-host: a drawing handed to a stand-in tool, the
// report, the exit statuses and messages, the pictures, the tool found beside
// it, a Windows build of the tool started through wine; and the installed
// folder with the programs that find each other. The programs run through
// posix_spawn and, for the pictures and the install, a POSIX shell.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/RealWindow.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

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

  // Runs host with the arguments, the environment changed as Environment()
  // takes changes.
  HostRun RunHost(const fs::path& host, const std::vector<std::string>& args,
                  const std::vector<std::string>& environment = {}) {
    std::vector<std::string> argv{host.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    Child child;
    HostRun run;
    if (!child.Start(argv, Environment(environment), PathOf("out.txt"), PathOf("err.txt"))) {
      ADD_FAILURE() << "cannot start " << host;
      return run;
    }
    run.status = child.WaitFor(kPatience);
    run.out = ReadBytes(Dir() / "out.txt");
    run.err = ReadBytes(Dir() / "err.txt");
    return run;
  }

  HostRun RunHost(const std::vector<std::string>& args,
                  const std::vector<std::string>& environment = {}) {
    return RunHost(BuildDir() / "host" / "q527-host", args, environment);
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
  // --help answers on standard output before anything else is looked at.
  const HostRun help = RunHost({"--help", PathOf("missing.txt")});
  EXPECT_EQ(ExitCode(help), 0);
  EXPECT_EQ(help.out.rfind("usage: q527-host DRAWING [--tool PATH]", 0), 0u);
  EXPECT_EQ(help.err, "");
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

TEST_F(HostTest, WindowsBuildOfTheToolRunsThroughWine) {
  // A stand-in wine that notes how it was started and answers "hq" in the
  // folder it was started in.
  const fs::path bin = Dir() / "bin";
  fs::create_directories(bin);
  WriteBytes(bin / "wine",
             "#!/bin/sh\n"
             "printf '%s|%s|%s' \"$WINEDEBUG\" \"$(pwd)\" \"$*\" > \"$(dirname \"$0\")/run\"\n"
             "printf 'hq\\r\\n' > JWC_TEMP.TXT\n");
  fs::permissions(bin / "wine", fs::perms::owner_all, fs::perm_options::replace);
  fs::create_directories(Dir() / "tool");
  WriteBytes(Dir() / "sample.txt", "lg1\r\n");
  const std::string path = "PATH=" + bin.string() + ":" + std::getenv("PATH");
  struct Case {
    std::string_view name;
    std::string tool;  // in Dir()/tool, a file that only wine can run
    std::vector<std::string> environment;
    int status;
    std::string_view wineDebug;  // as wine saw it
  };
  const Case kCases[] = {
      {"q527.exe", "q527.exe", {path, "WINEDEBUG"}, 0, "-all"},
      {"upper case, WINEDEBUG set", "Q527.EXE", {path, "WINEDEBUG=err+all"}, 0, "err+all"},
      {"no wine on PATH", "q527.exe", {"PATH=" + (Dir() / "tool").string()}, 3, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path tool = Dir() / "tool" / c.tool;
    WriteBytes(tool, "MZ");
    fs::remove(bin / "run");
    const HostRun run = RunHost({PathOf("sample.txt"), "--tool", tool.string()}, c.environment);
    EXPECT_EQ(ExitCode(run), c.status) << run.err;
    if (c.status != 0) {
      EXPECT_NE(run.err.find("wine"), std::string::npos) << run.err;
      continue;
    }
    EXPECT_EQ(ReadBytes(bin / "run"),
              std::string(c.wineDebug) + "|" + tool.parent_path().string() + "|" + tool.string());
    EXPECT_EQ(run.out, "The tool answered \"hq\": nothing changes in the drawing.\n");
  }
}

// ---- Pictures and the installed folder, through the shell -----------------------------

// Runs a command line through the shell; its exit status, or -1.
int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

TEST_F(HostTest, HostDrawsThePictureOfAWellFormedAnswerOnly) {
  const fs::path host = BuildDir() / "host" / "q527-host";
  // A stand-in tool that answers with answer.txt beside it.
  const fs::path tool = Dir() / "tool" / "fake";
  fs::create_directories(tool.parent_path());
  WriteBytes(tool, "#!/bin/sh\ncd \"$(dirname \"$0\")\" && cp answer.txt JWC_TEMP.TXT\n");
  fs::permissions(tool, fs::perms::owner_all, fs::perm_options::replace);
  WriteBytes(Dir() / "sample.txt", ReadBytes(ExamplesDir() / "sample.txt"));

  struct Case {
    std::string_view name;
    std::string answer;
    std::string options;  // after DRAWING --tool TOOL; OUT stands for the case's folder
    int status;
    bool png, svg;  // which pictures exist afterwards
    std::string_view svgHolds;
  };
  const std::string sample = ReadBytes(ExamplesDir() / "sample-answer.txt");
  const Case kCases[] = {
      {"both pictures", sample, "--png OUT/r.png --svg OUT/r.svg", 0, true, true,
       ">35 new points on layer group 2, layer 5, colour 1.</text>"},
      {"joined form", sample, "--svg=OUT/r.svg", 0, false, true, "class=\"new-point\""},
      {"no change", "hq\r\n", "--png OUT/r.png --svg OUT/r.svg", 0, true, true, "no new points."},
      {"malformed answer: no picture", "pt 1\r\n", "--png OUT/r.png --svg OUT/r.svg", 1, false,
       false, ""},
      {"--png without a file", sample, "--png", 2, false, false, ""},
      {"picture in a missing folder", sample, "--png OUT/none/r.png", 2, false, false, ""},
  };
  int number = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path out = Dir() / ("case" + std::to_string(++number));
    fs::create_directories(out);
    WriteBytes(tool.parent_path() / "answer.txt", c.answer);
    std::string options = c.options;
    for (size_t at = options.find("OUT"); at != std::string::npos; at = options.find("OUT")) {
      options.replace(at, 3, out.string());
    }
    const std::string command = Quoted(host) + " " + PathOf("sample.txt") + " --tool " +
                                Quoted(tool) + " " + options + " > " + Quoted(out / "out.txt") +
                                " 2> " + Quoted(out / "err.txt");
    EXPECT_EQ(Shell(command), c.status) << ReadBytes(out / "err.txt");
    EXPECT_EQ(fs::exists(out / "r.png"), c.png);
    EXPECT_EQ(fs::exists(out / "r.svg"), c.svg);
    if (c.png) {
      EXPECT_EQ(ReadBytes(out / "r.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    }
    if (c.svg) {
      EXPECT_NE(ReadBytes(out / "r.svg").find(c.svgHolds), std::string::npos);
    }
  }
  // The report is printed even when the picture cannot be written.
  EXPECT_EQ(ReadBytes(Dir() / "case6" / "out.txt").rfind("The tool answered with 41", 0), 0u);
}

TEST_F(HostTest, InstallPutsTheProgramsTogetherAndTheHostFindsTheTool) {
  const fs::path build = BuildDir();
  const fs::path prefix = Dir() / "prefix";
  const std::string install = Quoted(Q527_CMAKE_COMMAND) + " --install " + Quoted(build) +
                              " --prefix " + Quoted(prefix) + " > " +
                              Quoted(Dir() / "install.log") + " 2>&1";
  ASSERT_EQ(Shell(install), 0) << ReadBytes(Dir() / "install.log");

  const fs::path folder = prefix / "q527";
  for (const char* program : {"q527", "q527-host"}) {
    SCOPED_TRACE(program);
    const fs::path path = folder / program;
    ASSERT_TRUE(fs::is_regular_file(path));
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_exec, fs::perms::none);
  }
  // The example run needs q527-grab where the build has it.
  EXPECT_EQ(fs::exists(folder / "q527-grab"), fs::exists(build / "host" / "q527-grab"));
  const fs::path source = ExamplesDir().parent_path();
  EXPECT_EQ(ReadBytes(folder / "README.md"), ReadBytes(source / "README.md"));
  // Every link of the installed documents leads somewhere.
  EXPECT_EQ(Shell("perl " + Quoted(source / "scripts" / "check-links.pl") + " " + Quoted(folder) +
                  " > " + Quoted(Dir() / "links.txt")),
            0)
      << ReadBytes(Dir() / "links.txt");
  EXPECT_EQ(ReadBytes(folder / "examples" / "sample.txt"), ReadBytes(ExamplesDir() / "sample.txt"));
  EXPECT_EQ(ReadBytes(folder / "examples" / "sample-answer.txt"),
            ReadBytes(ExamplesDir() / "sample-answer.txt"));

  // The installed host runs the installed tool: with a toolkit platform that
  // does not exist the tool cannot open its dialog and answers "hq" in its
  // own folder; the host still draws the picture (its own platform is chosen
  // on its command line).
  WriteBytes(Dir() / "drawing.txt", "lg1\r\n0 0 10 10\r\n");
  const std::string run = "QT_QPA_PLATFORM=q527-none \"" + (folder / "q527-host").string() +
                          "\" \"" + PathOf("drawing.txt") + "\" --png \"" + PathOf("result.png") +
                          "\" > \"" + PathOf("out.txt") + "\" 2> \"" + PathOf("err.txt") + "\"";
  EXPECT_EQ(Shell(run), 0) << ReadBytes(Dir() / "err.txt");
  EXPECT_EQ(ReadBytes(Dir() / "out.txt"),
            "The tool answered \"hq\": nothing changes in the drawing.\n");
  EXPECT_EQ(ReadBytes(folder / "JWC_TEMP.TXT"), "hq\r\n");
  EXPECT_EQ(ReadBytes(Dir() / "result.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
