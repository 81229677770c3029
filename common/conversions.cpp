// Text and number conversions of the routine library. Every routine works on
// Shift-JIS bytes and is independent of the C and C++ locales: digits are
// parsed and written by integer arithmetic of our own and, where that cannot
// decide, by the locale-free std::from_chars and std::to_chars.
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "common/DoubleRounding.h"
#include "common/MyFunc.h"
#include "common/UInt128.h"

// A routine the compiler must not fold into its caller.
#if defined(__GNUC__)
#define Q527_NOINLINE __attribute__((noinline))
#else
#define Q527_NOINLINE
#endif

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

// ---- Exact shortcuts ---------------------------------------------------------
//
// Most numbers of a drawing are read and written without std::from_chars and
// std::to_chars: where exact integer arithmetic settles the correctly rounded
// result, it is computed directly; everywhere else the library routine
// decides. Either way the result is the same, bit for bit.

// Significant digits TextToFloat gathers as an integer: 19 always fit 64 bits.
constexpr int kKeptDigits = 19;

// base^0 .. base^(N-1), each computed exactly where the type holds it.
template <typename T, size_t N>
constexpr std::array<T, N> PowersOf(T base) {
  std::array<T, N> powers{};
  T power = 1;
  for (T& p : powers) {
    p = power;
    power *= base;
  }
  return powers;
}

// 10^n, exact in a double up to 10^22.
constexpr std::array<double, 23> kDoublePowers = PowersOf<double, 23>(10.0);

// Exact 128-bit arithmetic: the compiler's own type where it has one, ours
// elsewhere (32-bit x86).
#if defined(__SIZEOF_INT128__)
using U128 = unsigned __int128;
#else
using U128 = TUInt128;
#endif

// The smallest and largest powers of ten ScaleExactly takes to binary itself.
constexpr int kMinPower = -27;
constexpr int kMaxPower = 27;

// 5^q as a 128-bit number with its top bit set, for kMinPower <= q <= kMaxPower:
// exact for q >= 0 (5^27 < 2^64); for q < 0, floor(2^(z + 127) / 5^-q) + 1
// with 2^(z - 1) < 5^-q <= 2^z.
struct TPowerOfFive {
  uint64_t High;
  uint64_t Low;
};

constexpr std::array<TPowerOfFive, kMaxPower - kMinPower + 1> kPowersOfFive = [] {
  std::array<TPowerOfFive, kMaxPower - kMinPower + 1> table{};
  for (int q = kMinPower; q <= kMaxPower; ++q) {
    uint64_t five = 1;
    for (int i = 0; i < (q < 0 ? -q : q); ++i) five *= 5;
    U128 power = 0;
    if (q >= 0) {
      power = five;
      while ((power >> 127) == 0) power <<= 1;
    } else {
      int z = 0;
      while ((U128{1} << z) < five) ++z;
      // Long division of 2^(z + 127) by five, one bit at a time.
      U128 remainder = 0;
      for (int bit = z + 127; bit >= 0; --bit) {
        remainder = remainder * 2 + (bit == z + 127 ? 1 : 0);
        power <<= 1;
        if (remainder >= five) {
          remainder -= five;
          power |= 1;
        }
      }
      power += 1;
    }
    table[static_cast<size_t>(q - kMinPower)] =
        TPowerOfFive{static_cast<uint64_t>(power >> 64), static_cast<uint64_t>(power)};
  }
  return table;
}();

// w * 10^q correctly rounded to a double, for w > 0 and kMinPower <= q <=
// kMaxPower (the result is then a normal double): the binary point found by
// one or two 64 x 64-bit products with the 128-bit power of five, as
// Eisel and Lemire read decimal numbers.
inline double ScaleByPowerOfFive(uint64_t w, int q) {
  const TPowerOfFive& five = kPowersOfFive[static_cast<size_t>(q - kMinPower)];
  const int zeros = std::countl_zero(w);
  w <<= zeros;
  const U128 first = static_cast<U128>(w) * five.High;
  auto high = static_cast<uint64_t>(first >> 64);
  auto low = static_cast<uint64_t>(first);
  // 55 bits are needed: 52 stored, the leading one, a rounding bit, and one
  // the product may lack at its top.
  constexpr uint64_t kBelowPrecision = ~uint64_t{0} >> 55;
  if ((high & kBelowPrecision) == kBelowPrecision) {
    const auto second = static_cast<uint64_t>((static_cast<U128>(w) * five.Low) >> 64);
    low += second;
    if (second > low) ++high;
  }
  const int upper = static_cast<int>(high >> 63);
  const int shift = upper + 64 - 52 - 3;
  uint64_t mantissa = high >> shift;
  // floor(q * log2(10)) + 63, then the double's exponent bias.
  int biased = ((217706 * q) >> 16) + 63 + upper - zeros + 1023;
  // A tie between two doubles (only possible for small q) rounds to even.
  if (low <= 1 && q >= -4 && q <= 23 && (mantissa & 3) == 1 && (mantissa << shift) == high) {
    mantissa &= ~uint64_t{1};
  }
  mantissa += mantissa & 1;
  mantissa >>= 1;
  if (mantissa >= (uint64_t{2} << 52)) {
    mantissa = uint64_t{1} << 52;
    ++biased;
  }
  mantissa &= ~(uint64_t{1} << 52);
  return std::bit_cast<double>(static_cast<uint64_t>(biased) << 52 | mantissa);
}

// ---- Eight digits at a time ----------------------------------------------------
//
// A word holds eight bytes of a text, the first byte lowest (little-endian
// order, the only one these routines serve).

constexpr uint64_t kZeroDigits = 0x3030303030303030ull;

// Marks every byte of the word that is not an ASCII digit with its top bit;
// the lowest mark is the first such byte.
uint64_t NonDigitMarks(uint64_t word) {
  // A digit byte is 0x30..0x39: high half 3, and adding 6 does not carry out of the low half.
  const uint64_t halves =
      (word & 0xF0F0F0F0F0F0F0F0ull) | (((word + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4);
  const uint64_t x = halves ^ 0x3333333333333333ull;
  return (((x & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | x) & 0x8080808080808080ull;
}

// The value of eight ASCII digits.
uint64_t DigitsValue(uint64_t word) {
  word = (word & 0x0F0F0F0F0F0F0F0Full) * 2561 >> 8;
  word = (word & 0x00FF00FF00FF00FFull) * 6553601 >> 16;
  return (word & 0x0000FFFF0000FFFFull) * 42949672960001ull >> 32;
}

// The eight ASCII digits of value < 10^8, leading zeros included: halves,
// quarters and single digits split off in every lane at once.
uint64_t EightDigitsText(uint32_t value) {
  uint64_t lanes = (value / 10000) | (static_cast<uint64_t>(value % 10000) << 32);
  uint64_t tens = ((lanes * 10486) >> 20) & 0x0000007F0000007Full;  // / 100 below 10000
  lanes = tens | ((lanes - tens * 100) << 16);
  tens = ((lanes * 103) >> 10) & 0x000F000F000F000Full;  // / 10 below 100
  lanes = tens | ((lanes - tens * 10) << 8);
  return lanes + kZeroDigits;
}

// The word's first n bytes (0 <= n <= 8) as the last digits of eight, led
// by zero digits. Shifts are split in two so that none is 64 bits wide.
uint64_t FirstBytes(uint64_t word, int n) {
  const int keep = 4 * (8 - n);
  return ((word << keep) << keep) | ((kZeroDigits >> (4 * n)) >> (4 * n));
}

// The word's last n bytes (0 <= n <= 8), led by zero digits.
uint64_t LastBytes(uint64_t word, int n) {
  const int drop = 4 * (8 - n);
  const uint64_t mask = (~uint64_t{0} << drop) << drop;
  return (word & mask) | (kZeroDigits & ~mask);
}

uint64_t LoadWord(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Reads eight decimal digits at p at once into value; false when any of the
// eight bytes is not a digit.
bool EightDigits(const char* p, uint64_t& value) {
  if constexpr (std::endian::native != std::endian::little) return false;
  const uint64_t word = LoadWord(p);
  if (NonDigitMarks(word) != 0) return false;
  value = DigitsValue(word);
  return true;
}

constexpr std::array<uint64_t, 9> kTenTo = {1,      10,      100,      1000,     10000,
                                            100000, 1000000, 10000000, 100000000};

// The digits of "i.f" with no more than seven digits i and sixteen digits f,
// 8 to 20 bytes in all, as the integer if and the count of f; false for
// anything else. Three loads and no loop, so that numbers of varying lengths
// cost no mispredicted branches.
bool PointedDigits(const char* body, const char* end, uint64_t& digits, int& fractionDigits) {
  if constexpr (std::endian::native != std::endian::little) return false;
  const auto n = static_cast<int>(end - body);
  const uint64_t first = LoadWord(body);
  const uint64_t marks = NonDigitMarks(first);
  if (marks == 0) return false;
  const int point = std::countr_zero(marks) / 8;
  const int f = n - point - 1;
  if (body[point] != '.' || f > 16) return false;
  const int low = f < 8 ? f : 8;
  const int high = f - low;
  const uint64_t lowWord = LastBytes(LoadWord(end - 8), low);
  // With no high part any eight bytes of the text will do.
  const uint64_t highWord = FirstBytes(LoadWord(high > 0 ? body + point + 1 : body), high);
  if ((NonDigitMarks(lowWord) | NonDigitMarks(highWord)) != 0) return false;
  digits = (DigitsValue(FirstBytes(first, point)) * kTenTo[static_cast<size_t>(high)] +
            DigitsValue(highWord)) *
               kTenTo[static_cast<size_t>(low)] +
           DigitsValue(lowWord);
  fractionDigits = f;
  return true;
}

// mantissa * 10^power correctly rounded to a double where that is quick to
// find; false otherwise.
inline bool ScaleExactly(uint64_t mantissa, int64_t power, double& value) {
  if (mantissa == 0) {
    value = 0.0;
    return true;
  }
  if (power >= kMinPower && power <= kMaxPower) {
    value = ScaleByPowerOfFive(mantissa, static_cast<int>(power));
    return true;
  }
  // Both operands exact in a double: one division or product rounds once.
  if (mantissa <= (uint64_t{1} << 53) && power >= -22 && power <= 22) {
    const auto m = static_cast<double>(mantissa);
    value = power >= 0 ? m * kDoublePowers[static_cast<size_t>(power)]
                       : m / kDoublePowers[static_cast<size_t>(-power)];
    return true;
  }
  return false;
}

char* CopyText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The general format's digits of a positive finite value, the slow way: the
// value correctly rounded to 18 significant digits by std::to_chars (which
// never consults the locale), then the 16th digit decides, halves away from
// zero. Fills the first 15 digits and the E of 0.d1d2... x 10^E.
void GeneralDigitsByText(double magnitude, char* digits, int& exponent) {
  char scientific[40];
  const auto written = std::to_chars(scientific, scientific + sizeof scientific, magnitude,
                                     std::chars_format::scientific, kGuardDigits - 1);
  digits[0] = scientific[0];
  for (int k = 1; k < kGuardDigits; ++k) digits[k] = scientific[k + 1];
  const char* exponentText = scientific + kGuardDigits + 2;  // past the 'e'
  if (*exponentText == '+') ++exponentText;
  std::from_chars(exponentText, written.ptr, exponent);
  exponent += 1;
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
}

// The same 15 digits as GeneralDigitsByText, as the integer d1d2...d15, from
// exact integer arithmetic, for 1e-13 < magnitude < 1e15; false elsewhere.
// With the value scaled to v = magnitude * 10^(15 - E) in [10^14, 10^15),
// rounding to 18 digits makes the 16th digit 5 or more exactly when v's
// fraction is at least 0.4995 (a tie there rounds up under either tie rule;
// a fraction from 0.9995 on carries, which rounds up as well).
bool GeneralDigitsExactly(double magnitude, uint64_t& rounded, int& exponent) {
  constexpr uint64_t kLow = 100000000000000;    // 10^14
  constexpr uint64_t kHigh = 1000000000000000;  // 10^15
  constexpr std::array<uint64_t, 28> kFives = PowersOf<uint64_t, 28>(5);
  const auto bits = std::bit_cast<uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  if (biased == 0 || biased == 0x7FF) return false;
  const uint64_t significand = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int binary = biased - 1075;  // magnitude = significand * 2^binary
  // floor(log10(2^(biased - 1023))); E is one or two more.
  const int floorLog = ((biased - 1023) * 78913) >> 18;
  for (int e = floorLog + 2; e >= floorLog + 1; --e) {
    const int k = kGeneralDigits - e;
    if (k < 0 || k >= static_cast<int>(kFives.size())) return false;
    // v = significand * 5^k * 2^(binary + k), the product exact in 128 bits.
    const U128 product = static_cast<U128>(significand) * kFives[static_cast<size_t>(k)];
    const int shift = -(binary + k);
    if (shift <= 0 || shift >= 100) return false;
    const auto whole = static_cast<uint64_t>(product >> shift);
    if (whole >= kHigh) return false;
    if (whole < kLow) continue;
    const U128 fraction = product & ((U128{1} << shift) - 1);
    const bool up = fraction * 2000 >= (U128{999} << shift);
    rounded = whole + (up ? 1 : 0);
    exponent = e;
    if (rounded == kHigh) {
      rounded = kLow;
      ++exponent;
    }
    return true;
  }
  return false;
}

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

namespace {

// TextToFloat past the spaces and the sign, for any form; body is where the
// digits start. Kept out of TextToFloat, whose usual path stays small.
Q527_NOINLINE double ReadFloat(std::string_view text, const char* body, bool negative) {
  const char* p = body;
  const char* const end = text.data() + text.size();
  double value = 0.0;

  // One pass checks the form and gathers the value: the first significant
  // digits as an integer and the power of ten that scales them. The decimal
  // weight of the leading significant digit tells an overflow from an
  // underflow, which std::from_chars reports alike.
  uint64_t mantissa = 0;
  int kept = 0;          // significant digits in mantissa
  bool dropped = false;  // a non-zero digit did not fit into mantissa
  int64_t power = 0;
  int64_t integerDigits = 0;  // significant digits before the point
  int64_t fractionZeros = 0;  // zeros after the point before the first significant digit
  bool anyDigit = false;
  for (; p != end && IsDigit(*p); ++p) {
    anyDigit = true;
    uint64_t eight = 0;
    while (kept > 0 && kept <= kKeptDigits - 8 && end - p >= 8 && EightDigits(p, eight)) {
      mantissa = mantissa * 100000000 + eight;
      kept += 8;
      integerDigits += 8;
      p += 8;
    }
    if (p == end || !IsDigit(*p)) break;
    const auto digit = static_cast<uint64_t>(*p - '0');
    if (kept == 0 && digit == 0) continue;
    ++integerDigits;
    if (kept < kKeptDigits) {
      mantissa = mantissa * 10 + digit;
      ++kept;
    } else {
      ++power;
      dropped = dropped || digit != 0;
    }
  }
  if (p != end && *p == '.') {
    for (++p; p != end && IsDigit(*p); ++p) {
      anyDigit = true;
      uint64_t eight = 0;
      while (kept > 0 && kept <= kKeptDigits - 8 && end - p >= 8 && EightDigits(p, eight)) {
        mantissa = mantissa * 100000000 + eight;
        kept += 8;
        power -= 8;
        p += 8;
      }
      if (p == end || !IsDigit(*p)) break;
      const auto digit = static_cast<uint64_t>(*p - '0');
      if (kept == 0 && digit == 0) {
        ++fractionZeros;
        --power;
      } else if (kept < kKeptDigits) {
        mantissa = mantissa * 10 + digit;
        ++kept;
        --power;
      } else {
        dropped = dropped || digit != 0;
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

  if (!dropped && ScaleExactly(mantissa, power + exponent, value)) return negative ? -value : value;
  const auto [stop, error] = [&] {
    const TDoubleRounding once;
    return std::from_chars(body, end, value);
  }();
  if (error == std::errc::result_out_of_range) {
    const int64_t weight = exponent + (integerDigits > 0 ? integerDigits : -fractionZeros);
    if (weight > 0) throw EFloatOverflow(text);
    value = 0.0;
  } else if (error != std::errc() || stop != end) {
    return 0.0;
  }
  return negative ? -value : value;
}

}  // namespace

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
  double value = 0.0;

  // The usual form first: digits with at most one point, no exponent, few
  // enough digits for all of them, leading zeros included, to fit 64 bits.
  if (end - body >= 8 && end - body <= kKeptDigits + 1) {
    uint64_t digits = 0;
    int fractionDigits = 0;
    if (PointedDigits(body, end, digits, fractionDigits) && ScaleExactly(digits, -fractionDigits, value)) {
      return negative ? -value : value;
    }
  }
  if (end - body <= kKeptDigits + 1) {
    uint64_t digits = 0;
    uint64_t eight = 0;
    while (end - p >= 8 && EightDigits(p, eight)) {
      digits = digits * 100000000 + eight;
      p += 8;
    }
    for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    int64_t power = 0;
    if (p != end && *p == '.') {
      const char* const fraction = ++p;
      while (end - p >= 8 && EightDigits(p, eight)) {
        digits = digits * 100000000 + eight;
        p += 8;
      }
      for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
      power = fraction - p;
    }
    if (p == end && (end - body) + (power == 0 ? 0 : -1) <= kKeptDigits &&
        ScaleExactly(digits, power, value)) {
      return negative ? -value : value;
    }
  }
  return ReadFloat(text, body, negative);
}

std::string IntToText(int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

char* FormatGeneralTo(char* out, double value) {
  if (std::isnan(value)) return CopyText(out, "NAN");
  if (std::isinf(value)) return CopyText(out, value < 0 ? "-INF" : "INF");
  if (value == 0.0) return CopyText(out, "0");

  // The 15 digits at digits[0..15), zero digits after them, room for blocks of 16.
  char block[kGeneralRoom];
  std::memset(block, '0', sizeof block);
  char* const digits = block + 1;
  int exponent = 0;
  uint64_t rounded = 0;
  int count = kGeneralDigits;
  if (std::endian::native == std::endian::little &&
      GeneralDigitsExactly(std::fabs(value), rounded, exponent)) {
    const uint64_t high = EightDigitsText(static_cast<uint32_t>(rounded / 100000000));
    const uint64_t low = EightDigitsText(static_cast<uint32_t>(rounded % 100000000));
    std::memcpy(block, &high, sizeof high);
    std::memcpy(block + 8, &low, sizeof low);
    // Trailing zero digits are zero bytes at the top of the words xor '0'.
    const uint64_t lowMarks = low ^ kZeroDigits;
    count -= lowMarks != 0 ? std::countl_zero(lowMarks) / 8
                           : 8 + std::countl_zero(high ^ kZeroDigits) / 8;
  } else {
    GeneralDigitsByText(std::fabs(value), digits, exponent);
    while (count > 1 && digits[count - 1] == '0') --count;
  }

  // Blocks of 16 bytes are copied whole; only their first bytes count.
  constexpr size_t kBlock = 16;
  char* o = out;
  if (value < 0) *o++ = '-';
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      std::memcpy(o, "0.000", 5);
      o += 2 - exponent;
      std::memcpy(o, digits, kBlock);
      o += count;
    } else {
      // The digits past count are zero digits, as the whole part needs.
      std::memcpy(o, digits, kBlock);
      o += exponent;
      if (count > exponent) {
        *o++ = '.';
        std::memcpy(o, digits + exponent, kBlock);
        o += count - exponent;
      }
    }
  } else {
    *o++ = digits[0];
    if (count > 1) {
      *o++ = '.';
      std::memcpy(o, digits + 1, kBlock);
      o += count - 1;
    }
    *o++ = 'E';
    o = std::to_chars(o, out + kGeneralRoom, exponent - 1).ptr;
  }
  return o;
}

std::string FormatGeneral(double value) {
  char text[kGeneralRoom];
  return std::string(text, FormatGeneralTo(text, value));
}
