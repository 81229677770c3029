#include "host/HandOver.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "exchange/JwwGaibu.h"
#include "host/HostProgram.h"

namespace fs = std::filesystem;

namespace {

// The tool next to this program, else the one of the build tree
// (build/host/q527-host beside build/app/q527); empty when neither exists.
fs::path DefaultTool() {
  const QString here = QCoreApplication::applicationDirPath();
  const QString found = QStandardPaths::findExecutable(
      QStringLiteral("q527"), {here, QDir::cleanPath(here + QStringLiteral("/../app"))});
  return found.isEmpty() ? fs::path() : PathOf(QDir::toNativeSeparators(found));
}

}  // namespace

std::optional<fs::path> FindTool(const QString& toolArg) {
  const fs::path tool = toolArg.isEmpty() ? DefaultTool() : fs::absolute(PathOf(toolArg));
  if (tool.empty()) {
    Fail("no q527 found beside q527-host or in ../app; name it with --tool PATH");
    return std::nullopt;
  }
  std::error_code toolError;
  if (!fs::is_regular_file(tool, toolError)) {
    Fail("there is no tool at " + Shown(tool));
    return std::nullopt;
  }
  return tool;
}

bool HandOverDrawing(const fs::path& drawing, const fs::path& exchangeFile, bool readTables) {
  const std::optional<std::string> drawingBytes = ReadFile(drawing);
  if (!drawingBytes) {
    Fail("cannot read the drawing " + Shown(drawing));
    return false;
  }
  if (readTables) {
    JwwInit();
    JwwReadFile(drawing.string());
  }
  std::error_code sameError;
  if (!fs::equivalent(drawing, exchangeFile, sameError) &&
      !WriteFile(exchangeFile, *drawingBytes)) {
    Fail("cannot write " + Shown(exchangeFile));
    return false;
  }
  return true;
}
