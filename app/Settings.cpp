#include "app/Settings.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "common/MyFunc.h"

namespace {

// The byte that ends a text file wherever it stands.
constexpr int kEndOfFileMark = 0x1A;

// Raised inside LoadSettings when the file cannot be read further.
struct TReadError {};

// Reads the lines of a file opened in binary mode, one at a time.
class TLineReader {
 public:
  explicit TLineReader(std::FILE* file) : file_(file) {}

  // The next line without its line end, of any length; empty once the file
  // has ended. Throws TReadError when the file cannot be read.
  const std::string& ReadLine() {
    line_.clear();
    while (!ended_) {
      const int c = std::getc(file_);
      if (c == EOF) {
        if (std::ferror(file_)) throw TReadError{};
        ended_ = true;
      } else if (c == kEndOfFileMark) {
        ended_ = true;
      } else if (c == '\n') {
        break;
      } else if (c != '\r') {
        // A CR before the LF and a lone CR inside a line alike never reach the text.
        line_.push_back(static_cast<char>(c));
      }
    }
    return line_;
  }

 private:
  std::FILE* file_;
  std::string line_;
  bool ended_ = false;
};

void AppendLine(std::string& text, std::string_view line) {
  text += line;
  text += "\r\n";
}

// Removes what a failed save left behind. Only a regular file is ours to
// remove: whatever else sits at the path (a device, a folder) stays.
void RemovePartialFile(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
}

}  // namespace

std::string SettingsPath(const std::string& exePath) {
  std::filesystem::path path(exePath);
  path.replace_extension(".dat");
  return path.string();
}

void LoadSettings(const std::string& path, TSettings& settings) {
  settings = TSettings{};
  std::error_code ignored;
  // Only a regular file holds settings: a device or a pipe may never end a line.
  if (!std::filesystem::is_regular_file(path, ignored)) return;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;
  try {
    TLineReader reader(file);
    // Each field is stored as soon as its line is converted, so a failure
    // further on keeps what was read before it.
    settings.WindowLeft = TextToInt(reader.ReadLine());
    settings.WindowTop = TextToInt(reader.ReadLine());
    settings.Lines = TextToBool(reader.ReadLine());
    settings.Arcs = TextToBool(reader.ReadLine());
    settings.SolidLines = TextToBool(reader.ReadLine());
    settings.SolidPolygons = TextToBool(reader.ReadLine());
    settings.SolidCircles = TextToBool(reader.ReadLine());
    settings.SolidCircums = TextToBool(reader.ReadLine());
    settings.SolidRings = TextToBool(reader.ReadLine());
    settings.PointType = TextToInt(reader.ReadLine());
    settings.MarkerKind = TextToInt(reader.ReadLine());
    settings.Scale = TextToFloat(reader.ReadLine());
    settings.ColorIndex = TextToInt(reader.ReadLine());
  } catch (...) {
    // A read error, a scale too large for a double or exhausted memory: the
    // fields not reached keep their defaults.
  }
  std::fclose(file);
}

void SaveSettings(const std::string& path, const TSettings& settings) {
  std::string text;
  try {
    AppendLine(text, IntToText(settings.WindowLeft));
    AppendLine(text, IntToText(settings.WindowTop));
    AppendLine(text, BoolToText(settings.Lines));
    AppendLine(text, BoolToText(settings.Arcs));
    AppendLine(text, BoolToText(settings.SolidLines));
    AppendLine(text, BoolToText(settings.SolidPolygons));
    AppendLine(text, BoolToText(settings.SolidCircles));
    AppendLine(text, BoolToText(settings.SolidCircums));
    AppendLine(text, BoolToText(settings.SolidRings));
    AppendLine(text, IntToText(settings.PointType));
    AppendLine(text, IntToText(settings.MarkerKind));
    AppendLine(text, FormatGeneral(settings.Scale));
    AppendLine(text, IntToText(settings.ColorIndex));
  } catch (...) {
    return;  // nothing has been touched on disk yet
  }

  // A file that cannot be opened at all is left as it is: the settings of the
  // last good save survive.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (!written) RemovePartialFile(path);
}
