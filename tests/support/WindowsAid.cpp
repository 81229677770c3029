// A small Windows program for the end-to-end tests under Wine: it ends at
// once with the status in $Q527_EXIT_STATUS (decimal or 0x hex; 1 when
// unset), as a q527.exe that is blocked or crashes ends for its launcher.
#include <windows.h>

#include <cstdlib>

int main() {
  const char* status = std::getenv("Q527_EXIT_STATUS");
  ExitProcess(status != nullptr ? static_cast<UINT>(std::strtoul(status, nullptr, 0)) : 1);
}
