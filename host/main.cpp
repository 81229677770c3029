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
#include <QGuiApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "host/HandOver.h"
#include "host/HostArguments.h"
#include "host/HostProgram.h"
#include "host/HostReport.h"
#include "host/ToolRun.h"

namespace fs = std::filesystem;

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

  const HostArguments arguments = ParseHostArguments(QCoreApplication::arguments(), picture);
  if (arguments.end) return *arguments.end;
  const fs::path drawing = fs::absolute(PathOf(arguments.drawing));
  const std::optional<fs::path> tool = FindTool(arguments.tool);
  if (!tool) return kToolFailed;
  const fs::path exchangeFile = tool->parent_path() / JwwExchangeFileName;
  if (!HandOverDrawing(drawing, exchangeFile, picture)) return kUsage;
  if (const HostStatus status = RunTool(*tool); status != kOk) return status;
  return ReportAnswer(exchangeFile, arguments.png, arguments.svg);
}
