#include "host/ToolRun.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Points process at the tool: directly, or through wine for a Windows build
// outside Windows. False, after a message, when wine is needed and missing.
bool SetProgram(QProcess& process, const fs::path& tool) {
#ifndef _WIN32
  if (TextOf(tool.filename()).endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) {
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) {
      Fail("cannot start the tool " + Shown(tool) + ": no wine on PATH to run it");
      return false;
    }
    process.setProgram(wine);
    process.setArguments({TextOf(tool)});
    // Wine's own diagnostics would crowd the tool's messages on stderr.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("WINEDEBUG"))) {
      environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    }
    process.setProcessEnvironment(environment);
    return true;
  }
#endif
  process.setProgram(TextOf(tool));
  return true;
}

}  // namespace

HostStatus RunTool(const fs::path& tool) {
  QProcess process;
  if (!SetProgram(process, tool)) return kToolFailed;
  process.setWorkingDirectory(TextOf(tool.parent_path()));
  process.setStandardInputFile(QProcess::nullDevice());
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
    Fail("the tool " + Shown(tool) + " ended with status " + std::to_string(process.exitCode()));
    return kToolFailed;
  }
  return kOk;
}
