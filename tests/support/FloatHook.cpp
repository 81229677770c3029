// A DLL such as other programs install into every GUI process: a global
// hook that leaves the thread's floating-point state changed. Each message
// the thread fetches (WH_GETMESSAGE) or is sent (WH_CALLWNDPROC) sets the x87
// control word and MXCSR from $Q527_FLOAT_STATE ("027F:1F80", hexadecimal)
// and never sets them back. A process without that variable is left alone.
// The first time it sets the state in a process it writes "set" into the
// file $Q527_FLOAT_HOOK_LOG, so that a test knows it ran there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/FloatState.h"

namespace {

bool known = false;
bool wanted = false;
bool told = false;
TFloatState state{};

void SetState() {
  if (!known) {
    known = true;
    char text[32] = {};
    if (GetEnvironmentVariableA("Q527_FLOAT_STATE", text, sizeof text) > 0) {
      char* rest = nullptr;
      state.X87Control = static_cast<unsigned short>(std::strtoul(text, &rest, 16));
      state.SseControl = static_cast<unsigned int>(std::strtoul(*rest == ':' ? rest + 1 : rest, nullptr, 16));
      wanted = true;
    }
  }
  if (!wanted) return;
  SetFloatState(state);
  if (told) return;
  told = true;
  char log[MAX_PATH] = {};
  if (GetEnvironmentVariableA("Q527_FLOAT_HOOK_LOG", log, sizeof log) > 0) {
    if (std::FILE* file = std::fopen(log, "wb")) {
      std::fputs("set", file);
      std::fclose(file);
    }
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK FloatHookProc(int code, WPARAM wParam,
                                                                LPARAM lParam) {
  SetState();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
