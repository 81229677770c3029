// Fuzzes the settings loader on arbitrary file contents: it never fails, and
// whatever it read, saving and loading again gives the same record (the scale
// as its 15-digit text).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Settings.h"
#include "common/MyFunc.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The file of the runs, in TMPDIR (else /tmp), removed when the fuzzer ends.
const std::string& SettingsFile() {
  static const std::string path = [] {
    const char* folder = std::getenv("TMPDIR");
    std::string p = std::string(folder && *folder ? folder : "/tmp") + "/q527-fuzz-settings-XXXXXX";
    const int fd = mkstemp(p.data());
    Require(fd >= 0);
    close(fd);
    return p;
  }();
  // Registered once the path exists, so that the path outlives the removal.
  static const bool removedAtExit = std::atexit([] { unlink(SettingsFile().c_str()); }) == 0;
  Require(removedAtExit);
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(SettingsFile().c_str(), "wb")) {
    Require(std::fwrite(data, 1, size, f) == size);
    Require(std::fclose(f) == 0);
  }
  TSettings loaded;
  LoadSettings(SettingsFile(), loaded);

  SaveSettings(SettingsFile(), loaded);
  TSettings reloaded;
  LoadSettings(SettingsFile(), reloaded);

  const std::string scaleText = FormatGeneral(loaded.Scale);
  double scale = 0.0;
  bool overflows = false;
  try {
    scale = TextToFloat(scaleText);
  } catch (const EFloatOverflow&) {
    overflows = true;  // a scale next to the largest double rounds past it
  }
  if (overflows) {
    // The reading stops at the scale line: the colour index keeps its default.
    Require(reloaded.Scale == 1.0 && reloaded.ColorIndex == 0);
    reloaded.Scale = loaded.Scale;
    reloaded.ColorIndex = loaded.ColorIndex;
  } else {
    Require(FormatGeneral(reloaded.Scale) == FormatGeneral(scale));
    reloaded.Scale = loaded.Scale;
  }
  Require(reloaded == loaded);
  return 0;
}
