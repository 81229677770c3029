// The dialog's layout as data: every control with its place, caption and
// tab order, the memo's text and the items of the two lists. Captions are
// Shift-JIS bytes; each front-end builds its widgets from this and nothing
// else. No toolkit here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The program's title on the taskbar, "q527_端点に点を作図".
inline constexpr std::string_view ApplicationTitleText =
    "q527_\x92\x5b\x93\x5f\x82\xc9\x93\x5f\x82\xf0\x8d\xec\x90\x7d";
// The dialog's caption, "端点に点を作図".
inline constexpr std::string_view Form1Caption =
    "\x92\x5b\x93\x5f\x82\xc9\x93\x5f\x82\xf0\x8d\xec\x90\x7d";
// The dialog's font, "ＭＳ ゴシック", a character height of 13 pixels, in the
// Shift-JIS character set.
inline constexpr std::string_view Form1FontName =
    "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
inline constexpr int Form1FontPixels = 13;

// The client area in pixels, never scaled with the screen's resolution.
inline constexpr int Form1ClientWidth = 467;
inline constexpr int Form1ClientHeight = 240;

struct TRgb {
  uint8_t Red, Green, Blue;
};
inline constexpr TRgb Form1Colour{255, 255, 255};
inline constexpr TRgb Memo1Colour{187, 235, 244};
inline constexpr TRgb LabelA1Colour{231, 231, 231};

// The longest scale the user can type into Edit1, in characters.
inline constexpr int Edit1MaxChars = 16;

enum class TControlKind {
  GroupBox,
  CheckBox,
  RadioButton,
  Label,
  DropDownList,  // selection only, no typing
  Edit,          // one line
  Memo,          // several lines
  PushButton,
  StatusLabel,   // repainted at once by ShowStatus
};

// Properties beyond place and caption.
enum TControlFlags : uint32_t {
  ControlGroupStart = 1 << 0,  // first of an exclusive group of radio buttons
  ControlImeOff = 1 << 1,      // the input method stays switched off
  ControlReadOnly = 1 << 2,
  ControlNoTabStop = 1 << 3,
  ControlVScroll = 1 << 4,     // a vertical scroll bar, always shown
  ControlNoWrap = 1 << 5,
  ControlDefault = 1 << 6,     // Enter presses it
  ControlCancel = 1 << 7,      // Esc presses it
  ControlCentred = 1 << 8,     // text centred both ways
};

struct TControlLayout {
  std::string_view Name;
  TControlKind Kind;
  std::string_view Parent;  // empty for the dialog itself
  int Left, Top, Width, Height;  // pixels, relative to the parent's client area
  std::string_view Caption;      // Shift-JIS; "&" marks the accelerator
  int TabOrder;                  // among the parent's children; -1 for none
  uint32_t Flags;                // TControlFlags
  std::string_view Names;        // a label: the control it names
};

// Every control of the dialog, each parent before its children.
extern const std::array<TControlLayout, 21> Form1Controls;

// The control named so; nullptr for no such control.
const TControlLayout* FindControl(std::string_view name);

// The controls of the dialog in the order Tab moves the focus: by parent's
// tab order, then by their own; labels and controls outside the chain left out.
std::vector<const TControlLayout*> TabChain();

// The fifteen lines of Memo1.
extern const std::array<std::string_view, 15> Memo1Lines;

// The items of ComboBox1, the marker kinds "＊" .. "×"; item 0 is selected.
extern const std::array<std::string_view, 7> MarkerItems;

// The colour list of ComboBox2: index 0 "現在線色", 1 to 9 "線色1" .. "線色9",
// 10 to 265 "SXF-1" .. "SXF-256". The index is what the settings keep.
inline constexpr int32_t ColourListFirst = 0;
inline constexpr int32_t ColourListLast = 265;
inline constexpr int32_t ColourListCount = ColourListLast - ColourListFirst + 1;

// Item i of the colour list, ColourListFirst <= i <= ColourListLast.
std::string ColourItem(int32_t index);

// The index when it names an item of a list of count items, else -1, the
// list's "no selection".
int32_t ListIndex(int32_t index, int32_t count);

// A rectangle of the screen in pixels: Left and Top inside it, Right and
// Bottom just past it.
struct TScreenRect {
  int32_t Left, Top, Right, Bottom;
};

struct TScreenPoint {
  int32_t Left, Top;
};

// Where the dialog's frame, of width × height, opens when the settings place
// its top-left corner at stored. Overlapping any of the work areas by one
// pixel or more, it stays exactly where it was stored. Overlapping none, it is
// moved wholly inside the nearest work area (the first of equally near ones),
// as far as it fits; a frame larger than the area stands at its top left. No
// work areas at all leave it where it was stored.
TScreenPoint DialogPlacement(TScreenPoint stored, int32_t width, int32_t height,
                             const std::vector<TScreenRect>& workAreas);
