// The attribute and point commands of the answer, with the change tracking
// that keeps an attribute command out when it would repeat the value in force.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"

namespace {

// Line widths the host accepts; anything else is written as 0.
constexpr int32_t kMaxLineWidth = 30000;

// Marker kinds the host knows; anything else is written as -3.
constexpr int32_t kMinMarkerKind = -7;
constexpr int32_t kMaxMarkerKind = 11;
constexpr int32_t kFallbackMarkerKind = -3;

// A marker scale of at most this magnitude would draw nothing: scale 1 instead.
constexpr long double kTinyScale = 1e-8L;

// The most bytes a 32-bit integer takes in decimal: "-2147483648".
constexpr size_t kDecimalMaxLength = 11;

// One command line built in place; a command line never exceeds 255 bytes,
// so no building ever needs the heap.
class CommandLine {
 public:
  CommandLine& operator<<(std::string_view text) {
    const size_t n = text.size() < sizeof(bytes_) - used_ ? text.size() : sizeof(bytes_) - used_;
    text.copy(bytes_ + used_, n);
    used_ += n;
    return *this;
  }

  // Appends value as upper-case hexadecimal without leading zeros; a negative
  // value as its 32-bit two's complement.
  CommandLine& Hex(int32_t value) {
    char digits[8];
    size_t n = 0;
    auto rest = static_cast<uint32_t>(value);
    do {
      digits[n++] = "0123456789ABCDEF"[rest & 0xF];
      rest >>= 4;
    } while (rest != 0);
    while (n > 0) *this << std::string_view(&digits[--n], 1);
    return *this;
  }

  CommandLine& Dec(int32_t value) {
    char text[kDecimalMaxLength];
    return *this << std::string_view(text, std::to_chars(text, text + sizeof text, value).ptr);
  }
  CommandLine& Real(double value) {
    char text[kGeneralRoom];
    return *this << std::string_view(text, FormatGeneralTo(text, value));
  }

  // Hands the line to the command buffer.
  void Add() const { AddCommandLine(std::string_view(bytes_, used_)); }

 private:
  char bytes_[256];
  size_t used_ = 0;
};

enum class NumberForm { Hex, Dec };

// Writes keyword + value when the must-emit flag is set or the value differs
// from the last one written; returns whether it wrote.
bool EmitTracked(std::string_view keyword, NumberForm form, int32_t value, bool& need,
                 int32_t& last) {
  if (!need && value == last) return false;
  CommandLine line;
  line << keyword;
  if (form == NumberForm::Hex)
    line.Hex(value);
  else
    line.Dec(value);
  line.Add();
  last = value;
  need = false;
  return true;
}

// index + offset with the 32-bit wrap-around of the host, never overflowing.
int32_t Shifted(int32_t index, int32_t offset) {
  return static_cast<int32_t>(static_cast<uint32_t>(index) + static_cast<uint32_t>(offset));
}

}  // namespace

void ResetEmitState() {
  CurLg = 0;
  CurLy = 0;
  CurLc = 1;
  CurLt = 1;
  CurLw = 0;
  CurPn = 1;
  NeedLg = NeedLy = NeedLc = NeedLt = NeedLw = NeedPn = true;
}

void EmitLayerGroup(int32_t group) {
  // A written layer group is always followed by its layer, even an unchanged one.
  if (EmitTracked("lg", NumberForm::Hex, group, NeedLg, CurLg)) NeedLy = true;
}

void EmitLayer(int32_t layer) { EmitTracked("ly", NumberForm::Hex, layer, NeedLy, CurLy); }

void EmitLineColor(int32_t value, int32_t map) {
  if (map == 1) value = MapColorIndex(value);
  EmitTracked("lc", NumberForm::Dec, value, NeedLc, CurLc);
}

void EmitPointColor(int32_t value, int32_t map) {
  if (map == 1) value = MapColorIndex(value);
  EmitTracked("pn", NumberForm::Dec, value, NeedPn, CurPn);
}

void EmitLineType(int32_t value, int32_t map) {
  if (map == 1) value = MapLineTypeIndex(value);
  EmitTracked("lt", NumberForm::Dec, value, NeedLt, CurLt);
}

void EmitLineWidth(int32_t width) {
  if (!LwGiven) return;
  if (width == -1) width = HostLw;
  if (width < 0 || width > kMaxLineWidth) width = 0;
  EmitTracked("lw", NumberForm::Dec, width, NeedLw, CurLw);
}

void EmitPoint(double x, double y) {
  CommandLine line;
  line << "pt ";
  line.Real(x) << " ";
  line.Real(y);
  line.Add();
}

void EmitPointMarker(int32_t kind, double x, double y, double scale, double aux) {
  if (kind < kMinMarkerKind || kind > kMaxMarkerKind) kind = kFallbackMarkerKind;
  if (std::fabs(static_cast<long double>(scale)) <= kTinyScale) scale = 1.0;
  CommandLine line;
  line << "pt ";
  line.Real(x) << " ";
  line.Real(y) << " ";
  line.Real(scale) << " ";
  line.Real(aux) << " ";
  line.Dec(kind);
  line.Add();
}

int32_t MapColorIndex(int32_t index) {
  if (index <= 0) return HostLc;
  if (index <= 9) return index;
  // Past the nine standard colours come the SXF colours, numbered from 101.
  return Shifted(index, 91);
}

int32_t MapLineTypeIndex(int32_t index) {
  if (index <= 0) return HostLt;
  if (index <= 9) return index;
  if (index <= 18) return Shifted(index, 1);
  return Shifted(index, 12);
}
