// Opens a file by a path that may hold any folder name. On Windows a narrow
// path is read in the ANSI code page and cannot name every folder, so the
// path is handed over in UTF-16 there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

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

// Opens a file to be written anew, without a stream buffer: the caller hands
// over whole blocks. An existing regular file is opened in place, its size
// kept in oldSize, and FinishRewrite cuts it to its new length: the same bytes
// as emptying it first, without the flush to disk that a file system may make
// when it closes a file the open emptied, and without freeing its blocks only
// to take them again. Anything else is opened as "wb" opens it, with oldSize
// 0. nullptr on failure.
inline std::FILE* OpenForRewrite(const std::filesystem::path& path, std::uintmax_t& oldSize) {
  // The size of a folder, a device or a missing file is an error.
  std::error_code error;
  oldSize = std::filesystem::file_size(path, error);
  std::FILE* file = nullptr;
  if (!error && oldSize > 0) file = OpenFile(path, "r+b");
  if (file == nullptr) {
    oldSize = 0;
    file = OpenFile(path, "wb");
  }
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

// Closes a file from OpenForRewrite once written bytes have gone out, and
// cuts it to that length where it was longer. false when either fails.
inline bool FinishRewrite(std::FILE* file, const std::filesystem::path& path,
                          std::uintmax_t oldSize, std::uintmax_t written) {
  if (std::fclose(file) != 0) return false;
  if (written >= oldSize) return true;
  std::error_code error;
  std::filesystem::resize_file(path, written, error);
  return !error;
}
