#include "app/ProgramPath.h"

#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

std::filesystem::path RunningProgramPath() {
#ifdef _WIN32
  // Wide all the way: the host's folders often carry Japanese names.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
#endif
}
