// Preloaded into a program (LD_PRELOAD) to make closing a file that it wrote
// fail the way a network disk reports a late write error: the data is written
// and the file closed, but fclose answers EOF with errno EIO. Only streams
// open for writing whose file name equals $Q527_FAIL_CLOSE are affected;
// everything else is closed as usual.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using CloseFunction = int (*)(std::FILE*);

// True when stream is open for writing on a file named name.
bool WritesFileNamed(std::FILE* stream, const char* name) {
  const int fd = fileno(stream);
  if (fd < 0) return false;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0) return false;
  target[length] = '\0';
  const char* slash = std::strrchr(target, '/');
  return std::strcmp(slash ? slash + 1 : target, name) == 0;
}

}  // namespace

extern "C" int fclose(std::FILE* stream) {
  static const auto realClose = reinterpret_cast<CloseFunction>(dlsym(RTLD_NEXT, "fclose"));
  const char* name = std::getenv("Q527_FAIL_CLOSE");
  const bool fail =
      stream != nullptr && name != nullptr && *name != '\0' && WritesFileNamed(stream, name);
  const int result = realClose(stream);
  if (!fail) return result;
  errno = EIO;
  return EOF;
}
