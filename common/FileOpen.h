// Opens a file by a path that may hold any folder name. On Windows a narrow
// path is read in the ANSI code page and cannot name every folder, so the
// path is handed over in UTF-16 there.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <stdlib.h>

#include <chrono>
#include <thread>
#else
#include <unistd.h>
#endif

// Why a file could not be written, as far as the user can act on it.
enum class TWriteFault {
  None,      // it was written
  Held,      // another program holds it (a sharing or lock violation)
  Denied,    // the folder or the file may not be written
  DiskFull,  // no room is left on the disk
  Other,
};

// Clears the error codes that LastWriteFault reads, before a file operation.
inline void ClearWriteFault() {
  errno = 0;
#ifdef _WIN32
  _doserrno = 0;
#endif
}

// The fault a failed file call left behind: the system's own error code on
// Windows, where the C library's errno says "access denied" for a file that
// another program holds as well; errno elsewhere. Meaningful only right
// after a failure.
inline TWriteFault LastWriteFault() {
#ifdef _WIN32
  switch (static_cast<unsigned long>(_doserrno)) {
    case 32:   // ERROR_SHARING_VIOLATION
    case 33:   // ERROR_LOCK_VIOLATION
      return TWriteFault::Held;
    case 5:    // ERROR_ACCESS_DENIED, also Controlled Folder Access
    case 19:   // ERROR_WRITE_PROTECT
      return TWriteFault::Denied;
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return TWriteFault::DiskFull;
    default: break;
  }
#endif
  switch (errno) {
    case EACCES:
    case EPERM:
    case EROFS: return TWriteFault::Denied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return TWriteFault::DiskFull;
#ifdef ETXTBSY
    case ETXTBSY:
#endif
    case EBUSY: return TWriteFault::Held;
    default: return TWriteFault::Other;
  }
}

// std::fopen of the path with the mode ("rb", "wb"); nullptr on failure.
// Windows enforces share modes: a virus scanner, a backup tool or a syncing
// client may hold the file for a moment without sharing it, so an open that
// meets a sharing or lock violation is tried again for about a second.
inline std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  constexpr unsigned long kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
  constexpr unsigned long kLockViolation = 33;     // ERROR_LOCK_VIOLATION
  constexpr int kRetries = 20;
  constexpr std::chrono::milliseconds kPause{50};
  wchar_t wideMode[8] = {};
  for (int i = 0; i < 7 && mode[i] != '\0'; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
  for (int retry = 0;; ++retry) {
    _doserrno = 0;
    std::FILE* file = ::_wfopen(path.c_str(), wideMode);
    if (file != nullptr || retry == kRetries) return file;
    const unsigned long error = _doserrno;
    if (error != kSharingViolation && error != kLockViolation) return nullptr;
    std::this_thread::sleep_for(kPause);
  }
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
  if (!error && oldSize > 0) {
    file = OpenFile(path, "r+b");
    // Measured again once open: the file may have grown while it was held.
    if (file != nullptr) {
      const std::uintmax_t openSize = std::filesystem::file_size(path, error);
      if (!error && openSize > oldSize) oldSize = openSize;
    }
  }
  if (file == nullptr) {
    oldSize = 0;
    file = OpenFile(path, "wb");
  }
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

// Closes a file from OpenForRewrite once written bytes have gone out, and
// cuts it to that length where it was longer, through the file itself: a
// file opened again by its path might be another program's by then, and keep
// a tail of its old bytes. false when either fails.
inline bool FinishRewrite(std::FILE* file, std::uintmax_t oldSize, std::uintmax_t written) {
  bool cut = true;
  if (written < oldSize) {
#ifdef _WIN32
    cut = ::_chsize_s(::_fileno(file), static_cast<long long>(written)) == 0;
#else
    cut = ::ftruncate(::fileno(file), static_cast<off_t>(written)) == 0;
#endif
  }
  return std::fclose(file) == 0 && cut;
}
