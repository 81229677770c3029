// The program entry of the Windows build: shows the dialog until it closes
// and ends with status 0 once the host has its answer, 1 when the answer
// could not be written (the launcher then answers "no change" itself).
// Command-line arguments are ignored.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <exception>

#include "app/Session.h"
#include "app/win32/Unit1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::set_terminate([] { std::_Exit(AnswerIfUnanswered() ? 0 : 1); });
  int status = 0;
  // A large drawing can take far longer than the five seconds after which
  // Windows would put a ghost "応答なし" in the busy dialog's place: closing
  // the ghost offers to end the tool, and its answer would be lost. The
  // dialog stays as it is, its status line repainted between the steps.
  DisableProcessWindowsGhosting();
  try {
    // The manifest asks for the themed controls, which live in comctl32.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TForm1 form;
    Form1 = &form;
    if (form.Create(instance)) {
      form.ShowModal();
      MarkAnswered();
      if (!form.AnswerWritten()) status = 1;
    }
    Form1 = nullptr;
  } catch (...) {
    Form1 = nullptr;
  }
  if (!AnswerIfUnanswered()) {
    ShowAnswerNotWritten(nullptr);
    status = 1;
  }
  return status;
}
