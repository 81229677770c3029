#include "app/Settings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "common/FileOpen.h"
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
void RemovePartialFile(const std::filesystem::path& path) {
  std::error_code ignored;
  if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
}

}  // namespace

std::filesystem::path SettingsPath(const std::filesystem::path& exePath) {
  std::filesystem::path path(exePath);
  path.replace_extension(".dat");
  return path;
}

void LoadSettings(const std::filesystem::path& path, TSettings& settings) {
  settings = TSettings{};
  std::error_code ignored;
  // Only a regular file holds settings: a device or a pipe may never end a line.
  if (!std::filesystem::is_regular_file(path, ignored)) return;
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return;
  // The file is a few dozen bytes: a small buffer of its own spares the
  // stream allocating one and asking the file's size.
  char buffer[512];
  std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
  try {
    TLineReader reader(file);
    // Each field is stored as soon as its line is converted, so a failure
    // further on keeps what was read before it.
    settings.WindowLeft = TextToInt(reader.ReadLine());
    settings.WindowTop = TextToInt(reader.ReadLine());
    settings.Kinds.Lines = TextToBool(reader.ReadLine());
    settings.Kinds.Arcs = TextToBool(reader.ReadLine());
    settings.Kinds.SolidLines = TextToBool(reader.ReadLine());
    settings.Kinds.SolidPolygons = TextToBool(reader.ReadLine());
    settings.Kinds.SolidCircles = TextToBool(reader.ReadLine());
    settings.Kinds.SolidCircums = TextToBool(reader.ReadLine());
    settings.Kinds.SolidRings = TextToBool(reader.ReadLine());
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

void SaveSettings(const std::filesystem::path& path, const TSettings& settings) {
  std::string text;
  try {
    AppendLine(text, IntToText(settings.WindowLeft));
    AppendLine(text, IntToText(settings.WindowTop));
    AppendLine(text, BoolToText(settings.Kinds.Lines));
    AppendLine(text, BoolToText(settings.Kinds.Arcs));
    AppendLine(text, BoolToText(settings.Kinds.SolidLines));
    AppendLine(text, BoolToText(settings.Kinds.SolidPolygons));
    AppendLine(text, BoolToText(settings.Kinds.SolidCircles));
    AppendLine(text, BoolToText(settings.Kinds.SolidCircums));
    AppendLine(text, BoolToText(settings.Kinds.SolidRings));
    AppendLine(text, IntToText(settings.PointType));
    AppendLine(text, IntToText(settings.MarkerKind));
    AppendLine(text, FormatGeneral(settings.Scale));
    AppendLine(text, IntToText(settings.ColorIndex));
  } catch (...) {
    return;  // nothing has been touched on disk yet
  }

  // A file that cannot be opened at all is left as it is: the settings of the
  // last good save survive.
  std::uintmax_t oldSize = 0;
  std::FILE* file = OpenForRewrite(path, oldSize);
  if (file == nullptr) return;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (written) {
    written = FinishRewrite(file, oldSize, text.size());
  } else {
    std::fclose(file);
  }
  if (!written) RemovePartialFile(path);
}

TEndPointChoices ChoicesOf(const TSettings& settings) {
  TEndPointChoices choices;
  choices.Kinds = settings.Kinds;
  choices.Markers = settings.PointType == PointTypeMarker;
  choices.MarkerIndex = settings.MarkerKind;
  choices.Scale = settings.Scale;
  return choices;
}
