// q527-host: stands in for the drafting program. It writes a drawing into
// JWC_TEMP.TXT in the tool's folder, starts the tool, waits for it to end,
// reads the file back, checks every line against the answer grammar and tells
// what it would draw; with --png or --svg it also draws the result as the host
// would show it.
//
// Exit status: 0 for a well-formed answer; 1 for a malformed or missing
// answer; 2 for a usage error, a drawing that cannot be handed over or a
// picture that cannot be written; 3 when the tool cannot be started, crashes
// or ends with a status other than 0.

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "host/Answer.h"
#include "host/PictureLayout.h"
#include "host/PictureScene.h"
#include "host/PictureSvg.h"
#include "host/PictureImage.h"

namespace {

namespace fs = std::filesystem;

enum ExitStatus { kOk = 0, kBadAnswer = 1, kUsage = 2, kToolFailed = 3 };

constexpr char kUsageText[] =
    "usage: q527-host DRAWING [--tool PATH] [--png OUT.png] [--svg OUT.svg]\n"
    "Copies DRAWING to JWC_TEMP.TXT beside the tool, starts the tool, waits for it,\n"
    "checks its answer and reports what the host would draw.\n"
    "The tool defaults to the q527 beside q527-host, or to ../app/q527 in a build tree.\n"
    "--png and --svg draw the drawing with the answer's new points on top.\n";

void Fail(const std::string& message) {
  std::fprintf(stderr, "q527-host: %s\n", message.c_str());
}

// A path of the toolkit's text in the platform's own form, and back: UTF-16
// keeps every name on Windows and becomes UTF-8 bytes elsewhere.
fs::path PathOf(const QString& text) { return fs::path(text.toStdU16String()); }
QString TextOf(const fs::path& path) { return QString::fromStdU16String(path.u16string()); }

// A path as UTF-8 for a message.
std::string Shown(const fs::path& path) { return TextOf(path).toStdString(); }

// The tool next to this program (installed layout), else the one of the build
// tree (build/host/q527-host beside build/app/q527), with the platform's
// suffix for programs; empty when neither exists.
fs::path DefaultTool() {
  const QString here = QCoreApplication::applicationDirPath();
  const QString found = QStandardPaths::findExecutable(
      QStringLiteral("q527"), {here, QDir::cleanPath(here + QStringLiteral("/../app"))});
  return found.isEmpty() ? fs::path() : PathOf(QDir::toNativeSeparators(found));
}

// True when the arguments ask for a picture: then the toolkit's painting and
// fonts are needed, though never a screen.
bool AsksForPicture(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--png") || arg.starts_with("--svg")) return true;
  }
  return false;
}

// Draws the drawing read into the exchange tables with the answer's points on
// top into png and svg (either may be empty); false with a message when a
// picture cannot be written.
bool WritePictures(const std::vector<AnswerCommand>& answer, const QString& png,
                   const QString& svg) {
  PictureScene scene = SceneFromExchange();
  AddAnswerToScene(scene, answer, HostLc);
  const PictureLayout layout = LayOutPicture(scene);
  bool ok = true;
  if (!png.isEmpty() && !PaintPicture(layout).save(png, "PNG")) {
    Fail("cannot write the picture " + png.toStdString());
    ok = false;
  }
  if (!svg.isEmpty()) {
    const std::string text = PictureSvg(layout);
    std::ofstream out(PathOf(svg), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (out.fail()) {
      Fail("cannot write the picture " + svg.toStdString());
      ok = false;
    }
  }
  return ok;
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
  // A picture is painted on the offscreen platform, so that it needs no display
  // and the tool's dialog still opens on the user's. Windows has no display to
  // miss, and its deployment carries only its own platform.
  const bool picture = AsksForPicture(argc, argv);
  std::vector<char*> qtArgv(argv, argv + argc);
#ifndef _WIN32
  char platformOption[] = "-platform";
  char platformName[] = "offscreen";
  if (picture) qtArgv.insert(qtArgv.begin() + 1, {platformOption, platformName});
#endif
  int qtArgc = static_cast<int>(qtArgv.size());
  qtArgv.push_back(nullptr);
  std::unique_ptr<QCoreApplication> app;
  if (picture) {
    app = std::make_unique<QGuiApplication>(qtArgc, qtArgv.data());
  } else {
    app = std::make_unique<QCoreApplication>(qtArgc, qtArgv.data());
  }

  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  QString drawingArg;
  QString toolArg;
  QString pngArg;
  QString svgArg;
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
    } else if (arg == "--png" && i + 1 < args.size()) {
      pngArg = args[++i];
    } else if (arg.startsWith("--png=")) {
      pngArg = arg.mid(6);
    } else if (arg == "--svg" && i + 1 < args.size()) {
      svgArg = args[++i];
    } else if (arg.startsWith("--svg=")) {
      svgArg = arg.mid(6);
    } else if (arg.startsWith("-") || !drawingArg.isEmpty()) {
      std::fputs(kUsageText, stderr);
      return kUsage;
    } else {
      drawingArg = arg;
    }
  }
  if (drawingArg.isEmpty() || (picture && pngArg.isEmpty() && svgArg.isEmpty())) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }

  const fs::path drawing = fs::absolute(PathOf(drawingArg));
  const fs::path tool = toolArg.isEmpty() ? DefaultTool() : fs::absolute(PathOf(toolArg));
  if (tool.empty()) {
    Fail("no q527 found beside q527-host or in ../app; name it with --tool PATH");
    return kToolFailed;
  }
  std::error_code toolError;
  if (!fs::is_regular_file(tool, toolError)) {
    Fail("there is no tool at " + Shown(tool));
    return kToolFailed;
  }
  const fs::path exchangeFile = tool.parent_path() / "JWC_TEMP.TXT";

  // Hand the drawing over byte for byte, as the host writes it. A drawing that
  // already is the tool's JWC_TEMP.TXT stays as it is.
  const std::optional<std::string> drawingBytes = ReadFile(drawing);
  if (!drawingBytes) {
    Fail("cannot read the drawing " + Shown(drawing));
    return kUsage;
  }
  if (picture) {
    // Read before the tool rewrites the file, in case the drawing is it.
    JwwInit();
    JwwReadFile(drawing.string());
  }
  std::error_code sameError;
  if (!fs::equivalent(drawing, exchangeFile, sameError) &&
      !WriteFile(exchangeFile, *drawingBytes)) {
    Fail("cannot write " + Shown(exchangeFile));
    return kUsage;
  }

  QProcess process;
  process.setProgram(TextOf(tool));
  process.setWorkingDirectory(TextOf(tool.parent_path()));
  process.setStandardInputFile(QProcess::nullDevice());
  // The tool's own messages go to stderr so that stdout holds the report alone.
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start();
  if (!process.waitForStarted(-1)) {
    Fail("cannot start the tool " + Shown(tool) + ": " + process.errorString().toStdString());
    return kToolFailed;
  }
  // The user may take as long as they like over the dialog.
  process.waitForFinished(-1);
  if (process.exitStatus() == QProcess::CrashExit) {
    Fail("the tool " + Shown(tool) + " crashed");
    return kToolFailed;
  }
  if (process.exitCode() != 0) {
    Fail("the tool " + Shown(tool) + " ended with status " +
         std::to_string(process.exitCode()));
    return kToolFailed;
  }

  const std::optional<std::string> answer = ReadFile(exchangeFile);
  if (!answer) {
    Fail("the tool left no answer in " + Shown(exchangeFile));
    return kBadAnswer;
  }
  const AnswerCheck check = CheckAnswer(*answer);
  if (!check.Ok()) {
    if (check.problemLine == 0) {
      Fail("malformed answer in " + Shown(exchangeFile) + ": " + check.problem);
    } else {
      Fail("malformed answer in " + Shown(exchangeFile) + ", line " +
           std::to_string(check.problemLine) + " \"" + PrintableBytes(check.problemText) +
           "\": " + check.problem);
    }
    return kBadAnswer;
  }
  const std::string report = DescribeAnswer(check.commands);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  if (picture && !WritePictures(check.commands, pngArg, svgArg)) return kUsage;
  return kOk;
}
