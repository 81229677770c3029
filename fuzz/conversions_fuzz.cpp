// Fuzzes the text conversions on arbitrary bytes. The input is handed over
// without a copy, so a read past the text is caught by AddressSanitizer.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/MyFunc.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsLeadByte(unsigned char b) { return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD); }

// StripBlanks leaves no half-width space, no control byte and no full-width
// space, and never splits a two-byte character.
void CheckStripBlanks(std::string_view text) {
  const std::string stripped = StripBlanks(text);
  Require(stripped.size() <= text.size() + 1);
  for (size_t i = 0; i < stripped.size(); ++i) {
    const auto b = static_cast<unsigned char>(stripped[i]);
    if (IsLeadByte(b) && i + 1 < stripped.size()) {
      Require(!(b == 0x81 && static_cast<unsigned char>(stripped[i + 1]) == 0x40));
      ++i;
      continue;
    }
    if (IsLeadByte(b)) continue;  // a lone lead byte at the end, zero byte appended above it
    Require(b > 0x20);
  }
  Require(StripBlanks(stripped) == stripped);
}

// What FormatGeneral writes reads back to the same 15-digit value.
void CheckFloat(std::string_view text) {
  double value = 0.0;
  try {
    value = TextToFloat(text);
  } catch (const EFloatOverflow&) {
    return;
  }
  Require(!std::isnan(value) && !std::isinf(value));
  const std::string written = FormatGeneral(value);
  double back = 0.0;
  try {
    back = TextToFloat(written);
  } catch (const EFloatOverflow&) {
    // Only the 15-digit rounding of values next to the largest double overflows.
    Require(std::fabs(value) > 1.7976931348623e308);
    return;
  }
  Require(FormatGeneral(back) == written);
}

void CheckInt(std::string_view text) {
  const int32_t value = TextToInt(text);
  Require(TextToInt(IntToText(value)) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckStripBlanks(text);
  CheckFloat(text);
  CheckInt(text);
  const bool flag = TextToBool(text);
  Require(TextToBool(BoolToText(flag)) == flag);
  return 0;
}
