// Text and number conversions of the routine library. Every routine works on
// Shift-JIS bytes and is independent of the C and C++ locales: digits are
// parsed and written by the locale-free std::from_chars and std::to_chars.
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "common/MyFunc.h"

namespace {

// A Shift-JIS lead byte: it and the byte after it form one character.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a hexadecimal digit, or -1.
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The words TextToBool accepts, after blanks are removed and a-z folded.
constexpr std::array<std::string_view, 10> kTrueWords = {
    "T",        "TR", "TRU", "TRUE", "1",
    "\x82\x50",  // "１"
    "\x81\x9b",  // "○"
    "ON",
    "\x90\x5e",  // "真"
    "\x90\xb3",  // "正"
};

// Number of significant digits FormatGeneral keeps, and the number it first
// takes the value to before rounding to them.
constexpr int kGeneralDigits = 15;
constexpr int kGuardDigits = 18;

}  // namespace

std::string StripBlanks(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 1);
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      // A lead byte at the end pairs with the zero byte that ends the text.
      const char trail = i + 1 < n ? text[i + 1] : '\0';
      if (!(b == 0x81 && trail == 0x40)) {
        result.push_back(text[i]);
        result.push_back(trail);
      }
      i += 2;
    } else {
      if (b > 0x20) result.push_back(text[i]);
      ++i;
    }
  }
  return result;
}

bool TextToBool(std::string_view text) {
  std::string word = StripBlanks(text);
  for (size_t i = 0; i < word.size(); ++i) {
    const auto b = static_cast<unsigned char>(word[i]);
    if (IsLeadByte(b)) {
      ++i;  // the trail byte is part of a two-byte character, never a letter
    } else if (b >= 'a' && b <= 'z') {
      word[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  for (std::string_view candidate : kTrueWords) {
    if (word == candidate) return true;
  }
  return false;
}

std::string BoolToText(bool value) { return value ? "1" : "0"; }

int32_t TextToInt(std::string_view text) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return 0;

  uint64_t value = 0;
  if (hex) {
    for (; i < n; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return 0;
      value = value * 16 + static_cast<uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return 0;
    }
    // The digits are the 32-bit pattern of the result; "-" negates it.
    const uint32_t bits = static_cast<uint32_t>(value);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  for (; i < n; ++i) {
    if (!IsDigit(text[i])) return 0;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 2147483648u) return 0;
  }
  if (negative) return static_cast<int32_t>(0u - static_cast<uint32_t>(value));
  return value > 2147483647u ? 0 : static_cast<int32_t>(value);
}

double TextToFloat(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  if (p == end) return 0.0;
  const char* const body = p;

  // Counted while checking the form: the decimal weight of the leading
  // significant digit tells an overflow from an underflow, which
  // std::from_chars reports alike.
  bool significant = false;
  int64_t integerDigits = 0;  // significant digits before the point
  int64_t fractionZeros = 0;  // zeros after the point before the first significant digit
  bool anyDigit = false;
  for (; p != end && IsDigit(*p); ++p) {
    anyDigit = true;
    if (significant || *p != '0') {
      significant = true;
      ++integerDigits;
    }
  }
  if (p != end && *p == '.') {
    for (++p; p != end && IsDigit(*p); ++p) {
      anyDigit = true;
      if (!significant) {
        if (*p == '0') {
          ++fractionZeros;
        } else {
          significant = true;
        }
      }
    }
  }
  int64_t exponent = 0;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool exponentNegative = false;
    if (p != end && (*p == '+' || *p == '-')) {
      exponentNegative = *p == '-';
      ++p;
    }
    const char* const exponentDigits = p;
    for (; p != end && IsDigit(*p); ++p) {
      // Saturates far beyond any double while leaving room for the digit counts.
      if (exponent < 1000000000000000) exponent = exponent * 10 + (*p - '0');
    }
    if (p == exponentDigits) return 0.0;
    if (exponentNegative) exponent = -exponent;
  }
  if (p != end) return 0.0;
  // A lone point or an exponent without digits before it is the value zero.
  if (!anyDigit) return negative ? -0.0 : 0.0;

  double value = 0.0;
  const auto [stop, error] = std::from_chars(body, end, value);
  if (error == std::errc::result_out_of_range) {
    const int64_t weight = exponent + (integerDigits > 0 ? integerDigits : -fractionZeros);
    if (weight > 0) throw EFloatOverflow(text);
    value = 0.0;
  } else if (error != std::errc() || stop != end) {
    return 0.0;
  }
  return negative ? -value : value;
}

std::string IntToText(int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string FormatGeneral(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0.0) return "0";

  // The magnitude correctly rounded to 18 significant digits, written
  // "d.ddddddddddddddddde+x" (std::to_chars never consults the locale).
  char scientific[40];
  const auto written = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                     std::chars_format::scientific, kGuardDigits - 1);
  char digits[kGuardDigits];
  digits[0] = scientific[0];
  for (int k = 1; k < kGuardDigits; ++k) digits[k] = scientific[k + 1];
  const char* exponentText = scientific + kGuardDigits + 2;  // past the 'e'
  if (*exponentText == '+') ++exponentText;
  int exponent = 0;
  std::from_chars(exponentText, written.ptr, exponent);
  // As 0.d1d2... x 10^E.
  exponent += 1;

  // The 16th digit decides, halves away from zero.
  if (digits[kGeneralDigits] >= '5') {
    int k = kGeneralDigits - 1;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k >= 0) {
      ++digits[k];
    } else {
      digits[0] = '1';
      exponent += 1;
    }
  }
  int count = kGeneralDigits;
  while (count > 1 && digits[count - 1] == '0') --count;

  char out[40];
  char* o = out;
  if (value < 0) *o++ = '-';
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      *o++ = '0';
      *o++ = '.';
      for (int k = 0; k < -exponent; ++k) *o++ = '0';
      for (int k = 0; k < count; ++k) *o++ = digits[k];
    } else {
      for (int k = 0; k < exponent; ++k) *o++ = k < count ? digits[k] : '0';
      if (count > exponent) {
        *o++ = '.';
        for (int k = exponent; k < count; ++k) *o++ = digits[k];
      }
    }
  } else {
    *o++ = digits[0];
    if (count > 1) {
      *o++ = '.';
      for (int k = 1; k < count; ++k) *o++ = digits[k];
    }
    *o++ = 'E';
    o = std::to_chars(o, out + sizeof out, exponent - 1).ptr;
  }
  return std::string(out, o);
}
