// The routine library: text and number conversions on Shift-JIS byte strings,
// and the plane geometry of end points. Pure functions, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// ---- Text and number conversions -------------------------------------------
//
// Every text is a byte string in the Shift-JIS code page. A byte 0x80-0x9F or
// 0xE0-0xFD is a lead byte: it and the byte after it are one character, never
// split and never taken for a space, quote or letter. A malformed number text
// never raises an error: it converts to 0, 0.0 or false.

// Raised by TextToFloat when an accepted number exceeds the largest double.
// Carries the text as given.
class EFloatOverflow : public std::overflow_error {
 public:
  explicit EFloatOverflow(std::string_view text)
      : std::overflow_error("floating-point overflow"), text_(text) {}
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Removes half-width spaces, full-width spaces (0x81 0x40) and control bytes
// (below 0x20). A lead byte in the last position is kept together with a zero
// byte appended as its second byte. Never reads past the text.
std::string StripBlanks(std::string_view text);

// True when the text, blanks removed and a-z folded to A-Z, is one of
// "T", "TR", "TRU", "TRUE", "1", "１", "○", "ON", "真", "正"; else false.
bool TextToBool(std::string_view text);

// "1" for true, "0" for false.
std::string BoolToText(bool value);

// Decimal or hexadecimal ("$", "x", "X", "0x", "0X") 32-bit integer after
// half-width spaces and one sign; anything else, or out of range, gives 0.
int32_t TextToInt(std::string_view text);

// A decimal real after half-width spaces and one sign, with optional point
// and exponent; anything else gives 0.0. Throws EFloatOverflow when the value
// exceeds the largest double; values too small become 0.0 or a tiny double.
double TextToFloat(std::string_view text);

// Plain decimal, "-" before negatives.
std::string IntToText(int32_t value);

// General format with 15 significant digits: fixed notation for exponents
// -3..15, else scientific with "E"; no "+", no trailing point; zero of
// either sign is "0". The decimal separator is always the full stop.
std::string FormatGeneral(double value);

// The room FormatGeneralTo needs at out, in bytes: more than the longest
// text (22 bytes), as digits are copied in blocks.
inline constexpr size_t kGeneralRoom = 40;

// FormatGeneral's text written to out, which has room for kGeneralRoom bytes;
// returns the end of the text. Allocates nothing.
char* FormatGeneralTo(char* out, double value);

// ---- Plane geometry ----------------------------------------------------------
//
// Arithmetic is carried in extended precision (long double, 64-bit
// significand on x86-64) and rounded to double where a result is stored.
// Angles are radians unless the name says degrees; positive turns
// counter-clockwise. An ellipse is centre (cx, cy), radius r along its own x
// axis, flattening k (other semi-axis / r), tilt theta, parameter angle phi.

inline constexpr long double kPi = 3.1415926535897932385L;
inline constexpr long double kHalfPi = 1.5707963267948966193L;

// Turns (x, y) about (cx, cy) by theta into (X, Y).
void RotatePoint(double x, double y, double cx, double cy, double theta, double& X, double& Y);
// The X of RotatePoint alone.
double RotatedX(double x, double y, double cx, double cy, double theta);
// The Y of RotatePoint alone.
double RotatedY(double x, double y, double cx, double cy, double theta);

// The point of the ellipse at parameter angle phi (radians).
void EllipsePoint(double cx, double cy, double r, double k, double theta, double phi, double& X,
                  double& Y);
// As EllipsePoint, with theta and phi in degrees.
void EllipsePointDeg(double cx, double cy, double r, double k, double theta, double phi, double& X,
                     double& Y);

// Where the tangents at the two ends of the elliptical arc from angle a
// through span b meet; the centre when they are parallel.
void EndTangentCrossing(double cx, double cy, double r, double k, double theta, double a, double b,
                        double& X, double& Y);

// The flattening of the inner ellipse of radius ri that keeps a ring of outer
// radius R and flattening k equally wide along both axes: (R*k - R) / ri + 1.
// Divides by ri unguarded: ri = 0 gives an infinity or NaN.
double InnerFlattening(double R, double ri, double k);

// Crossing of the line through (x1, y1)-(x2, y2) with the line through
// (x3, y3)-(x4, y4). Returns 0 for parallel lines (X, Y untouched), 1 when
// the crossing lies on both segments (1e-8 slack), 2 when it lies off one.
int LineIntersection(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                     double y4, double& X, double& Y);
