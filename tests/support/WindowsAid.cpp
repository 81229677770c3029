// A small Windows program for the end-to-end tests under Wine.
//   WindowsAid                 ends at once with the status in
//                              $Q527_EXIT_STATUS (decimal or 0x hex; 1 when
//                              unset), as a q527.exe that is blocked or
//                              crashes ends for its launcher.
//   WindowsAid hold FILE MS    opens FILE without sharing it for writing, as
//                              a virus scanner does, prints "held", keeps it
//                              MS milliseconds, prints "releasing" and closes it.
//   WindowsAid hook DLL MS     installs FloatHookProc of DLL as a global
//                              WH_GETMESSAGE and WH_CALLWNDPROC hook, which
//                              Windows loads into every GUI process, prints
//                              "hooked" and keeps it MS milliseconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "hold") == 0) {
    const HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    std::puts("held");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    std::puts("releasing");
    std::fflush(stdout);
    CloseHandle(file);
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "hook") == 0) {
    const HMODULE dll = LoadLibraryA(argv[2]);
    const auto proc =
        dll != nullptr
            ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "FloatHookProc")))
            : nullptr;
    if (proc == nullptr) return 2;
    const HHOOK fetched = SetWindowsHookExW(WH_GETMESSAGE, proc, dll, 0);
    const HHOOK sent = SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, 0);
    if (fetched == nullptr || sent == nullptr) return 3;
    std::puts("hooked");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    UnhookWindowsHookEx(sent);
    UnhookWindowsHookEx(fetched);
    return 0;
  }
  const char* status = std::getenv("Q527_EXIT_STATUS");
  ExitProcess(status != nullptr ? static_cast<UINT>(std::strtoul(status, nullptr, 0)) : 1);
}
