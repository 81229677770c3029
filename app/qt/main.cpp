// The program entry: sets the title, shows the dialog until it closes and
// ends with status 0 whatever happened. Command-line arguments are ignored.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/Session.h"
#include "app/qt/Application.h"
#include "app/qt/Unit1.h"

namespace {

// The host only waits for the tool to end; a failing toolkit must not turn
// into a failed run for it.
void EndQuietlyOnFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  if (type == QtFatalMsg) {
    AnswerIfUnanswered();
    std::_Exit(0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::set_terminate([] {
    AnswerIfUnanswered();
    std::_Exit(0);
  });
  qInstallMessageHandler(EndQuietlyOnFatal);
  try {
    PrepareApplication();
    // Only the program name reaches the toolkit: no argument changes the run.
    static char programName[] = "q527";
    static int toolkitArgc = 1;
    static char* toolkitArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    SetupApplication();
    TForm1 form;
    Form1 = &form;
    form.exec();
    MarkAnswered();
    Form1 = nullptr;
  } catch (...) {
    AnswerIfUnanswered();
  }
  return 0;
}
