// q527-host: stands in for the drafting program. It writes a drawing into
// JWC_TEMP.TXT in the tool's folder, starts the tool, waits for it to end,
// reads the file back, checks every line against the answer grammar and tells
// what it would draw.
//
// Exit status: 0 for a well-formed answer; 1 for a malformed or missing
// answer; 2 for a usage error or a drawing that cannot be handed over; 3 when
// the tool cannot be started, crashes or ends with a status other than 0.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

#include "host/Answer.h"

namespace {

namespace fs = std::filesystem;

enum ExitStatus { kOk = 0, kBadAnswer = 1, kUsage = 2, kToolFailed = 3 };

constexpr char kUsageText[] =
    "usage: q527-host DRAWING [--tool PATH]\n"
    "Copies DRAWING to JWC_TEMP.TXT beside the tool, starts the tool, waits for it,\n"
    "checks its answer and reports what the host would draw.\n"
    "The tool defaults to the q527 beside q527-host, or to ../app/q527 in a build tree.\n";

void Fail(const std::string& message) {
  std::fprintf(stderr, "q527-host: %s\n", message.c_str());
}

// The tool next to this program (installed layout), else the one of the build
// tree (build/host/q527-host beside build/app/q527); empty when neither exists.
fs::path DefaultTool() {
  const fs::path here = QCoreApplication::applicationDirPath().toStdString();
  for (const fs::path& candidate : {here / "q527", here.parent_path() / "app" / "q527"}) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);

  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QString drawingArg;
  QString toolArg;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsageText, stdout);
      return kOk;
    }
    if (arg == "--tool" && i + 1 < args.size()) {
      toolArg = args[++i];
    } else if (arg.startsWith("--tool=")) {
      toolArg = arg.mid(7);
    } else if (arg.startsWith("-") || !drawingArg.isEmpty()) {
      std::fputs(kUsageText, stderr);
      return kUsage;
    } else {
      drawingArg = arg;
    }
  }
  if (drawingArg.isEmpty()) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }

  const fs::path drawing = fs::absolute(drawingArg.toStdString());
  const fs::path tool = toolArg.isEmpty() ? DefaultTool() : fs::absolute(toolArg.toStdString());
  if (tool.empty()) {
    Fail("no q527 found beside q527-host or in ../app; name it with --tool PATH");
    return kToolFailed;
  }
  std::error_code toolError;
  if (!fs::is_regular_file(tool, toolError)) {
    Fail("there is no tool at " + tool.string());
    return kToolFailed;
  }
  const fs::path exchangeFile = tool.parent_path() / "JWC_TEMP.TXT";

  // Hand the drawing over byte for byte, as the host writes it. A drawing that
  // already is the tool's JWC_TEMP.TXT stays as it is.
  const std::optional<std::string> drawingBytes = ReadFile(drawing);
  if (!drawingBytes) {
    Fail("cannot read the drawing " + drawing.string());
    return kUsage;
  }
  std::error_code sameError;
  if (!fs::equivalent(drawing, exchangeFile, sameError) &&
      !WriteFile(exchangeFile, *drawingBytes)) {
    Fail("cannot write " + exchangeFile.string());
    return kUsage;
  }

  QProcess process;
  process.setProgram(QString::fromStdString(tool.string()));
  process.setWorkingDirectory(QString::fromStdString(tool.parent_path().string()));
  process.setStandardInputFile(QProcess::nullDevice());
  // The tool's own messages go to stderr so that stdout holds the report alone.
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start();
  if (!process.waitForStarted(-1)) {
    Fail("cannot start the tool " + tool.string() + ": " + process.errorString().toStdString());
    return kToolFailed;
  }
  // The user may take as long as they like over the dialog.
  process.waitForFinished(-1);
  if (process.exitStatus() == QProcess::CrashExit) {
    Fail("the tool " + tool.string() + " crashed");
    return kToolFailed;
  }
  if (process.exitCode() != 0) {
    Fail("the tool " + tool.string() + " ended with status " +
         std::to_string(process.exitCode()));
    return kToolFailed;
  }

  const std::optional<std::string> answer = ReadFile(exchangeFile);
  if (!answer) {
    Fail("the tool left no answer in " + exchangeFile.string());
    return kBadAnswer;
  }
  const AnswerCheck check = CheckAnswer(*answer);
  if (!check.Ok()) {
    if (check.problemLine == 0) {
      Fail("malformed answer in " + exchangeFile.string() + ": " + check.problem);
    } else {
      Fail("malformed answer in " + exchangeFile.string() + ", line " +
           std::to_string(check.problemLine) + " \"" + PrintableBytes(check.problemText) +
           "\": " + check.problem);
    }
    return kBadAnswer;
  }
  const std::string report = DescribeAnswer(check.commands);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return kOk;
}
