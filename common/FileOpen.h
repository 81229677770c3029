// Opens a file by a path that may hold any folder name. On Windows a narrow
// path is read in the ANSI code page and cannot name every folder, so the
// path is handed over in UTF-16 there.
#pragma once

#include <cstdio>
#include <filesystem>

// std::fopen of the path with the mode ("rb", "wb"); nullptr on failure.
inline std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  wchar_t wideMode[8] = {};
  for (int i = 0; i < 7 && mode[i] != '\0'; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
  return ::_wfopen(path.c_str(), wideMode);
#else
  return std::fopen(path.c_str(), mode);
#endif
}
