// The settings file: the dialog's position and choices, remembered from one
// run to the next in a 13-line text file beside the program. Standard library
// only; nothing here ever shows or reports a failure.
#pragma once

#include <cstdint>
#include <filesystem>

#include "endpoints/EndPoints.h"

// Point types: the dialog draws point markers for PointTypeMarker and plain
// points for every other value.
constexpr int32_t PointTypePoint = 0;
constexpr int32_t PointTypeMarker = 1;

// The dialog's settings record, fields in file order, with their defaults.
struct TSettings {
  int32_t WindowLeft = 0;      // left edge of the dialog window, screen pixels
  int32_t WindowTop = 0;       // top edge of the dialog window, screen pixels
  TEndPointKinds Kinds;        // CheckBox1 .. CheckBox7, lines 3 to 9
  int32_t PointType = PointTypePoint;
  int32_t MarkerKind = 0;      // ComboBox1 index, -1 for none
  double Scale = 1.0;          // marker scale
  int32_t ColorIndex = 0;      // ComboBox2 index, -1 for none

  bool operator==(const TSettings&) const = default;
};

// The settings path of a program: its full path with the extension of the
// file name replaced by ".dat", or ".dat" appended when the name has none.
std::filesystem::path SettingsPath(const std::filesystem::path& exePath);

// Fills the record from the file: defaults first, then one line per field in
// order; a missing line reads as empty text (0, false or 0.0). Lines end at LF
// or CR LF, a lone CR is dropped, 0x1A ends the file. A read error or a scale
// too large for a double stops the reading: the fields before it keep the
// values read, the rest their defaults. Never throws.
void LoadSettings(const std::filesystem::path& path, TSettings& settings);

// Writes the 13 lines, each ended by CR LF, the scale with a full stop. When a
// write, the flush or the close fails after the file was opened, the partial
// file is removed; a file that could not be opened at all is left as it was.
// Never throws.
void SaveSettings(const std::filesystem::path& path, const TSettings& settings);

// The walk's choices of a settings record: its kinds, markers for
// PointTypeMarker, its marker kind and scale.
TEndPointChoices ChoicesOf(const TSettings& settings);
