// The exchange unit: reads JWC_TEMP.TXT into the attribute state and the
// entity tables, collects the command lines of the answer and writes them
// back. All state is module-level, one instance each, from JwwInit to JwwFree.
// All text is Shift-JIS bytes, never converted.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/BlockArray.h"
#include "common/FileOpen.h"

// The exchange file's name: the host writes it into the tool's folder and
// reads the answer back from there.
inline constexpr char JwwExchangeFileName[] = "JWC_TEMP.TXT";

// ---- Entity records -----------------------------------------------------------

// The header every record begins with.
struct TJwwEntHead {
  int32_t HhpNo;   // number of an "hhp" line since the previous entity, else 0
  int32_t Lg;      // layer group 0..15
  int32_t Ly;      // layer 0..15
  int32_t Lc;      // line colour; text: style colour; points: "pn" value
  int32_t Lt;      // line type
  int32_t Lw;      // line width
  int32_t ZFlags;  // bits of "z1" (1) .. "z5" (16) since the previous entity
};

// Kind 1: line segment.
struct TJwwEntLine {
  TJwwEntHead Head;
  int32_t PlNo;  // polyline number, 0 outside a polyline
  double X1, Y1, X2, Y2;
};

// Kind 2: full circle.
struct TJwwEntCircle {
  TJwwEntHead Head;
  double Cx, Cy, R;
};

// Kind 3: arc or elliptical arc; angles and tilt in degrees.
struct TJwwEntArc {
  TJwwEntHead Head;
  double Cx, Cy, R, StartAng, EndAng, Flat, Tilt;
};

// Kind 4: text. FontName and Text hold at most 255 bytes.
struct TJwwEntText {
  TJwwEntHead Head;
  int32_t TextKind;  // 0 "ch", 1 "cv", 2 "cs", ... 9 "c2"
  int32_t Cc;
  int32_t StyleNo;
  double Width, Height, Spacing;
  double X, Y, Dx, Dy;
  std::string FontName;
  std::string Text;
};

// Kind 5: point.
struct TJwwEntPoint {
  TJwwEntHead Head;
  double X, Y;
};

// Kind 6: point with mark.
struct TJwwEntPointMark {
  TJwwEntHead Head;
  double X, Y, Scale, Aux;
  int32_t MarkKind;
};

// Kind 7: dimension: the held line and a text of kind 2.
struct TJwwEntDim {
  TJwwEntHead Head;
  TJwwEntLine DimLine;
  TJwwEntText DimText;
};

// Kind 8: block reference.
struct TJwwEntBlk {
  TJwwEntHead Head;
  double X, Y;
  std::string Name;
};

// Kind 9: linear solid.
struct TJwwEntSolidLine {
  TJwwEntHead Head;
  int32_t SolidColor;
  double X1, Y1, X2, Y2;
};

// Kind 10: triangle solid.
struct TJwwEntSolidTri {
  TJwwEntHead Head;
  int32_t SolidColor;
  double X1, Y1, X2, Y2, X3, Y3;
};

// Kind 11: quadrilateral solid.
struct TJwwEntSolidQuad {
  TJwwEntHead Head;
  int32_t SolidColor;
  double X1, Y1, X2, Y2, X3, Y3, X4, Y4;
};

// Kind 12: circle solid; angles and tilt in radians.
struct TJwwEntSolidCircle {
  TJwwEntHead Head;
  int32_t SolidColor;
  double Cx, Cy, R, Flat, Tilt, StartAng, Span;
  int32_t FillMode;
};

// Kind 13: circumference solid, fields as kind 12.
using TJwwEntSolidCircum = TJwwEntSolidCircle;

// Kind 14: annulus solid; R2 is the inner radius; angles in radians.
struct TJwwEntSolidRing {
  TJwwEntHead Head;
  int32_t SolidColor;
  double Cx, Cy, R, Flat, Tilt, StartAng, Span, R2;
};

// Kind 15: annulus solid of equal width, fields as kind 14.
using TJwwEntSolidRingW = TJwwEntSolidRing;

// Kinds of entity, the numbers the order table records.
constexpr int32_t JwwKindLine = 1;
constexpr int32_t JwwKindCircle = 2;
constexpr int32_t JwwKindArc = 3;
constexpr int32_t JwwKindText = 4;
constexpr int32_t JwwKindPoint = 5;
constexpr int32_t JwwKindPointMark = 6;
constexpr int32_t JwwKindDim = 7;
constexpr int32_t JwwKindBlk = 8;
constexpr int32_t JwwKindSolidLine = 9;
constexpr int32_t JwwKindSolidTri = 10;
constexpr int32_t JwwKindSolidQuad = 11;
constexpr int32_t JwwKindSolidCircle = 12;
constexpr int32_t JwwKindSolidCircum = 13;
constexpr int32_t JwwKindSolidRing = 14;
constexpr int32_t JwwKindSolidRingW = 15;

// FillMode values of circle and circumference solids that have a meaning:
// the centre is a third end point, the crossing of the end tangents is, or
// the solid has no end points at all. Any other value adds nothing.
constexpr int32_t JwwFillCentre = 0;
constexpr int32_t JwwFillTangent = -1;
constexpr int32_t JwwFillNoEnds = 100;

// One entry of the order table: the kind (1..15) and the 0-based index of the
// record in its table.
struct TJwwOrder {
  int32_t Kind;
  int32_t Index;
};

// ---- Entity tables ----------------------------------------------------------------
//
// Each table grows in steps of 1000 records without moving what it holds; only
// the first Count records are valid. JwwInit empties them, JwwFree releases them.

template <typename T>
using JwwTable = BlockArray<T, 1000>;

extern JwwTable<TJwwEntLine> JwwLine;
extern int32_t JwwLineCount;
extern JwwTable<TJwwEntCircle> JwwCircle;
extern int32_t JwwCircleCount;
extern JwwTable<TJwwEntArc> JwwArc;
extern int32_t JwwArcCount;
extern JwwTable<TJwwEntText> JwwText;
extern int32_t JwwTextCount;
extern JwwTable<TJwwEntPoint> JwwPoint;
extern int32_t JwwPointCount;
extern JwwTable<TJwwEntPointMark> JwwPointMark;
extern int32_t JwwPointMarkCount;
extern JwwTable<TJwwEntDim> JwwDim;
extern int32_t JwwDimCount;
extern JwwTable<TJwwEntBlk> JwwBlk;
extern int32_t JwwBlkCount;
extern JwwTable<TJwwEntSolidLine> JwwSolidLine;
extern int32_t JwwSolidLineCount;
extern JwwTable<TJwwEntSolidTri> JwwSolidTri;
extern int32_t JwwSolidTriCount;
extern JwwTable<TJwwEntSolidQuad> JwwSolidQuad;
extern int32_t JwwSolidQuadCount;
extern JwwTable<TJwwEntSolidCircle> JwwSolidCircle;
extern int32_t JwwSolidCircleCount;
extern JwwTable<TJwwEntSolidCircum> JwwSolidCircum;
extern int32_t JwwSolidCircumCount;
extern JwwTable<TJwwEntSolidRing> JwwSolidRing;
extern int32_t JwwSolidRingCount;
extern JwwTable<TJwwEntSolidRingW> JwwSolidRingW;
extern int32_t JwwSolidRingWCount;

// Every stored entity in file order.
extern JwwTable<TJwwOrder> JwwOrder;
extern int32_t JwwOrderCount;

// Appends one pair to JwwOrder.
void JwwAddOrder(int32_t kind, int32_t index);

// Copies CurHhpNo, CurLg, CurLy, CurLc, CurLt, CurLw and CurZFlags into the header.
void JwwStampHead(TJwwEntHead& head);

// ---- Attribute state ----------------------------------------------------------------

struct TJwwTextStyle {
  double Width;
  double Height;
  double Spacing;
  int32_t Color;
};

struct TJwwHp {
  bool Used;
  double X;
  double Y;
  int32_t HpKind;
};

extern std::string JwwFileName;
extern double HkValue;
extern std::array<double, 16> LgScale;
extern double SheetW, SheetH;
extern std::array<TJwwTextStyle, 11> JwwTextStyle;  // entries 1..10; entry 0 unused
extern bool BzFlag;
extern std::array<double, 4> HnValues;
extern int32_t HostLg, HostLy, HostLc, HostLt, HostLw;
extern int32_t HostStyleNo;
extern double HostTextW, HostTextH, HostTextSp;
extern int32_t HostTextColor;
extern std::string HostFont;
extern std::vector<TJwwHp> JwwHp;  // 100 entries, 1..99 used
extern int32_t JwwHpCount;
extern bool LwGiven;
extern std::vector<int32_t> LgState;     // 16 entries, by layer group
extern std::vector<std::string> LgName;  // 16 entries
extern std::vector<int32_t> LyState;     // 256 entries, layer group * 16 + layer
extern std::vector<std::string> LyName;  // 256 entries
extern int32_t CurHhpNo;
extern int32_t CurLg, CurLy, CurLc, CurLt, CurLw;
extern int32_t CurZFlags;
extern int32_t CurStyleNo;
extern double CurTextW, CurTextH, CurTextSp;
extern int32_t CurTextColor;
extern int32_t CurCc;
extern std::string CurFont;
extern int32_t CurPlNo;
extern bool InPolyline;
extern bool MsgMode;
extern int32_t CurPn;
extern int32_t CurSolidColor;
extern TJwwEntLine HeldLine;

// First-seen flags of the reader; after ResetEmitState, the must-emit flags of
// the output (with NeedPn, which only the output uses).
extern bool NeedLg, NeedLy, NeedLc, NeedLt, NeedLw, NeedCn, NeedPn;

// ---- Reader --------------------------------------------------------------------------

// Resets the attribute state, empties every table, the order table and the
// command buffer.
void JwwInit();

// Reads the file line by line into the state. A line ends at CR LF or LF;
// 0x1A ends the file; a last line without a line end is read. False when the
// file is missing, cannot be opened or fails while read, or a number on a line
// is too large for a double: what was read before stays. Never throws.
bool JwwReadFile(const std::filesystem::path& path);

// Tokenises one line (without its line end) and applies the first rule that
// claims it. Every number of the line is converted before any state changes:
// on EFloatOverflow the line has changed nothing and the exception passes on.
void JwwParseLine(std::string_view line);

// Releases every table, the order table and the command buffer. The layer
// arrays and the numbered points stay until the next JwwInit sets them back.
void JwwFree();

// ---- Command buffer and writer -------------------------------------------------------

// One command line of at most 255 bytes.
struct TJwwOutSlot {
  const char* Text;  // not terminated; points into the buffer's own storage
  uint8_t Length;
};

// The command lines in the order they were added; JwwOutCount are valid.
// Grows in steps of 1000 slots; the line bytes live in storage that never moves.
extern BlockArray<TJwwOutSlot, 1000> JwwOut;
extern int32_t JwwOutCount;

// Slot i's text; 0 <= i < JwwOutCount.
std::string_view JwwOutText(int32_t i);

// Appends one line, cut to its first 255 bytes.
void AddCommandLine(std::string_view text);

// Writes the buffer to path ("hq" for an empty one), CR LF line ends, a slot
// ending in a double quote joined with the next (never chained). On any
// failure the file is closed and removed and the result is false, with the
// cause in *fault when given (TWriteFault::None on success). Never throws;
// the buffer is unchanged, so the same answer can be written again.
bool WriteCommandFile(const std::filesystem::path& path, TWriteFault* fault = nullptr);

// Releases the command buffer's storage and sets its count to 0.
void JwwClearOut();

// ---- Commands ------------------------------------------------------------------------------

// Sets every must-emit flag and the last values written: Lg 0, Ly 0, Lc 1,
// Lt 1, Lw 0, Pn 1.
void ResetEmitState();

// Change-tracked "lg" + hex; after writing also sets NeedLy.
void EmitLayerGroup(int32_t group);
// Change-tracked "ly" + hex.
void EmitLayer(int32_t layer);
// Change-tracked "lc" + decimal; map 1 translates a colour-list index.
void EmitLineColor(int32_t value, int32_t map);
// Change-tracked "pn" + decimal; map 1 translates a colour-list index.
void EmitPointColor(int32_t value, int32_t map);
// Change-tracked "lt" + decimal; map 1 translates a line-type index.
void EmitLineType(int32_t value, int32_t map);
// Only when the file gave "lw": -1 means HostLw, outside 0..30000 gives 0;
// then change-tracked "lw" + decimal.
void EmitLineWidth(int32_t width);
// "pt x y", every call.
void EmitPoint(double x, double y);
// "pt x y scale aux kind", every call; kind outside -7..11 gives -3, a scale of
// magnitude at most 1e-8 gives 1.
void EmitPointMarker(int32_t kind, double x, double y, double scale, double aux);

// Colour number of a colour-list index: HostLc for 0 or less, 1..9 as is,
// 10 or more + 91.
int32_t MapColorIndex(int32_t index);
// Line-type number of a line-type index: HostLt for 0 or less, 1..9 as is,
// 10..18 + 1, 19 or more + 12.
int32_t MapLineTypeIndex(int32_t index);
