// Text and number conversions: blanks, flags, integers and reals on
// Shift-JIS bytes, and the general number format.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <string_view>

#include "common/DoubleRounding.h"
#include "common/MyFunc.h"
#include "tests/support/TestSupport.h"

using namespace std::string_literals;

namespace {

constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

// Printable form of a byte string for failure messages.
std::string Show(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f) {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

// ---- StripBlanks --------------------------------------------------------------

TEST(StripBlanks, RemovesBlanksAndControlBytesCharacterByCharacter) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {"a" + Sjis("　") + "b c\t", "abc"},
      {Sjis("　　"), ""},
      {"\001a\037b\r\n\0c"s, "abc"},
      // 0x7F, half-width katakana, 0xA0, 0xFE and 0xFF are ordinary one-byte characters.
      {"\x7f \xa0 \xb1 \xdf \xfe \xff", "\x7f\xa0\xb1\xdf\xfe\xff"},
      // 0x88 0x81 is one character; the 0x40 after it is "@", not half of a full-width space.
      {"\x88\x81\x40", "\x88\x81\x40"},
      {"\x81\x81\x40", "\x81\x81\x40"},
      // "真" ends in the byte of "^": kept whole.
      {Sjis(" 真 "), Sjis("真")},
      // A space, tab or zero byte after a lead byte is its second byte, not a blank.
      {"\x80 x", "\x80 x"},
      {"\x9f\tx", "\x9f\tx"},
      {"\xe0\0x"s, "\xe0\0x"s},
      {"\xfd  ", "\xfd "},
      // 0xDF and 0xFE are not lead bytes: the space after them goes.
      {"\xdf \xfe ", "\xdf\xfe"},
      // A lead byte at the end takes a zero byte as its second byte.
      {"ab\x82", "ab\x82\0"s},
      {"\x81", "\x81\0"s},
      {" \x90\x5e\x90", "\x90\x5e\x90\0"s},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripBlanks(c.text), c.expected) << Show(c.text);
  }
}

TEST(StripBlanks, NeverReadsPastTheText) {
  const std::string buffer = "ab\x82X";
  EXPECT_EQ(StripBlanks(std::string_view(buffer.data(), 3)), "ab\x82\0"s);
  EXPECT_EQ(StripBlanks(std::string_view(buffer.data(), 2)), "ab");
}

// ---- TextToBool and BoolToText ----------------------------------------------

TEST(TextToBool, AcceptsOnlyTheTenWordsAfterBlanksAndCase) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      {"T", true},
      {"t", true},
      {"tr", true},
      {"tru", true},
      {"True", true},
      {"TRUE", true},
      {" on ", true},
      {"o N", true},
      {" T R U E ", true},
      {Sjis("　T　r\tue\r\n"), true},
      {"1", true},
      {Sjis("１"), true},
      {Sjis("○"), true},
      {Sjis("真"), true},
      {Sjis(" 正 "), true},
      {"", false},
      {"   ", false},
      {Sjis("　"), false},
      {"0", false},
      {"F", false},
      {"FALSE", false},
      {"YES", false},
      {"TRUE1", false},
      {"TRUEE", false},
      {"OFF", false},
      {"11", false},
      {"01", false},
      {"+1", false},
      {Sjis("Ｔ"), false},
      {Sjis("ｏｎ"), false},
      {Sjis("１１"), false},
      // "１" is 0x82 0x50; folding the 0x70 of "Ｑ" (0x82 0x70) would turn it into "１".
      {Sjis("Ｑ"), false},
      // "1" then a lone lead byte: the text ends in a zero byte after stripping.
      {"1\x82", false},
      {"T\x90", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToBool(c.text), c.expected) << Show(c.text);
  }
}

TEST(BoolToText, WritesOneOrZeroAndReadsBack) {
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
  EXPECT_TRUE(TextToBool(BoolToText(true)));
  EXPECT_FALSE(TextToBool(BoolToText(false)));
}

// ---- TextToInt and IntToText ------------------------------------------------

TEST(TextToInt, DecimalAndHexadecimalForms) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const Case cases[] = {
      {"42", 42},
      {"  42", 42},
      {"+7", 7},
      {"-7", -7},
      {" -7", -7},
      {"-0", 0},
      {"0", 0},
      {"00042", 42},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"+0002147483647", 2147483647},
      {"$1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-$10", -16},
      {"+$10", 16},
      {"$fFfF", 65535},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"-$FFFFFFFF", 1},
      {"-$80000000", INT32_MIN},
      {"$000000000000001F", 31},
      {"  0x00000000FFFFFFFE", -2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToInt(c.text), c.expected) << Show(c.text);
  }
}

TEST(TextToInt, AnythingElseGivesZero) {
  const std::string texts[] = {
      "",           "   ",
      "+",          "-",
      "42 ",        "\t42",
      "42\t",       "4 2",
      "- 5",        "--5",
      "+-5",        "1.5",
      "1e3",        "12a",
      "2147483648", "-2147483649",
      "4294967296", "99999999999999999999999",
      "$",          "x",
      "0x",         "-$",
      "$ 1",        "$-1",
      "$G",         "$1G",
      "0x1F ",      "00x1",
      "0$1",        "1$",
      "$100000000", "$FFFFFFFFF",
      "x123456789", Sjis("１２"),
      Sjis("　42"),
  };
  for (const std::string& text : texts) {
    EXPECT_EQ(TextToInt(text), 0) << Show(text);
  }
}

TEST(IntToText, PlainDecimalAndReadsBack) {
  struct Case {
    int32_t value;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0"},
      {7, "7"},
      {-7, "-7"},
      {1000, "1000"},
      {-100, "-100"},
      {INT32_MAX, "2147483647"},
      {INT32_MIN, "-2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IntToText(c.value), c.expected);
    EXPECT_EQ(TextToInt(IntToText(c.value)), c.value);
  }
}

// ---- TextToFloat --------------------------------------------------------------

TEST(TextToFloat, AcceptedForms) {
  struct Case {
    std::string text;
    double expected;
  };
  const Case cases[] = {
      {"2.5", 2.5},
      {" -1e2", -100.0},
      {"1E+3", 1000.0},
      {"1e-3", 0.001},
      {"  +7", 7.0},
      {"-7", -7.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"5.", 5.0},
      {"5.e1", 50.0},
      {".5e1", 5.0},
      {"0.1", 0.1},
      {"000123.4500", 123.45},
      {"1e0000000000000000000000000003", 1000.0},
      // No digits before the exponent or around the point: the value zero.
      {".", 0.0},
      {"E3", 0.0},
      {"-e-3", 0.0},
      {".E3", 0.0},
      {"0e999999999999999999999", 0.0},
      {"0.000e-999999999999999999999", 0.0},
      // Correctly rounded, also when deciding needs every digit.
      {"9007199254740993", 9007199254740992.0},
      {"9007199254740993.00000000000000000000000000000000001", 9007199254740994.0},
      {"1.7976931348623157e308", DBL_MAX},
      {"-1.7976931348623158e308", -DBL_MAX},
      {"2.2250738585072014e-308", DBL_MIN},
      {"1e-320", 0x0.00000000007e8p-1022},
      // Values too small for a double: the nearest tiny double or zero.
      {"4.9406564584124654e-324", kDenormMin},
      {"3e-324", kDenormMin},
      {"2.4703282292062328e-324", kDenormMin},
      {"2.4703282292062327e-324", 0.0},
      {"1e-400", 0.0},
      {"-1e-400", 0.0},
      {"100e-400", 0.0},
      {"0.0001e-320", 0.0},
      {"1e-999999999999999999999", 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToFloat(c.text), c.expected) << Show(c.text);
  }
}

TEST(TextToFloat, CorrectlyRoundedAsTheLibraryReadsIt) {
  // Shortest, 17-digit, 19-digit and fixed texts of random values: every
  // form the quick paths take, and the library's correctly rounded reading
  // of the same text to compare with.
  std::mt19937_64 random(527);
  std::uniform_int_distribution<int> binaryExponent(-120, 120);
  std::uniform_real_distribution<double> significand(1.0, 2.0);
  for (int i = 0; i < 50000; ++i) {
    const double value = std::ldexp(significand(random), binaryExponent(random));
    char text[64];
    for (int form = 0; form < 4; ++form) {
      constexpr auto kScientific = std::chars_format::scientific;
      const char* end = text;
      if (form == 0) end = std::to_chars(text, text + 64, value).ptr;
      if (form == 1) end = std::to_chars(text, text + 64, value, kScientific, 16).ptr;
      if (form == 2) end = std::to_chars(text, text + 64, value, kScientific, 18).ptr;
      if (form == 3) end = std::to_chars(text, text + 64, value, std::chars_format::fixed, i % 24).ptr;
      double expected = 0.0;
      {
        const TDoubleRounding once;
        std::from_chars(text, end, expected);
      }
      const std::string_view written(text, static_cast<size_t>(end - text));
      ASSERT_EQ(TextToFloat(written), expected) << written;
    }
  }
}

TEST(TextToFloat, AnythingElseGivesZero) {
  const std::string texts[] = {
      "",      "   ",  "+",    "-",        " -",        "1e",         "1e+", "1E-",   "e",
      "1,5",   "2.5 ", "\t1",  "1\t",      "- 1",       "++1",        "+-1", "1e+-3", "1e3.5",
      "1.2.3", "1..2", "0x10", "$10",      "inf",       "INF",        "nan", "1f",    "1d",
      "1 e3",  "1e 3", ".e",   Sjis("１"), Sjis("　1"), Sjis("1．5"),
  };
  for (const std::string& text : texts) {
    EXPECT_EQ(TextToFloat(text), 0.0) << Show(text);
  }
}

TEST(TextToFloat, MinusZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(TextToFloat("-0")));
  EXPECT_TRUE(std::signbit(TextToFloat("-1e-400")));
  EXPECT_FALSE(std::signbit(TextToFloat("1e-400")));
}

TEST(TextToFloat, LongDigitStrings) {
  const std::string zeros(5000, '0');
  struct Case {
    std::string text;
    double expected;
  };
  const Case cases[] = {
      {"1" + zeros + "e-5000", 1.0},
      {"0." + zeros + "1e5001", 1.0},
      {zeros + "2.5" + zeros, 2.5},
      {"-" + zeros + "." + zeros + "125e5003", -125.0},
      {"3." + std::string(5000, '3'), 10.0 / 3.0},
      {"0." + zeros + "1", 0.0},
      {"1" + zeros + "1e-5001", 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToFloat(c.text), c.expected) << Show(c.text.substr(0, 40));
  }
}

TEST(TextToFloat, OverflowRaisesWithTheText) {
  const std::string texts[] = {
      "1e400",
      "-1e400",
      "  1e400",
      "1.7976931348623159e308",
      "1.79769313486232E308",
      "1000e306",
      "0.001e312",
      "1e999999999999999999999",
      "1" + std::string(400, '0'),
      "0." + std::string(400, '0') + "1e800",
  };
  for (const std::string& text : texts) {
    try {
      TextToFloat(text);
      ADD_FAILURE() << "no overflow for " << Show(text.substr(0, 40));
    } catch (const EFloatOverflow& e) {
      EXPECT_EQ(e.Text(), text);
    }
  }
  EXPECT_THROW(TextToFloat("1e400"), std::overflow_error);
}

// ---- FormatGeneral -----------------------------------------------------------

struct FormatCase {
  double value;
  const char* expected;
};

void ExpectFormats(const FormatCase* begin, const FormatCase* end) {
  for (const FormatCase* c = begin; c != end; ++c) {
    EXPECT_EQ(FormatGeneral(c->value), c->expected) << std::hexfloat << c->value;
  }
}

TEST(FormatGeneral, EverydayValues) {
  const FormatCase cases[] = {
      {1.0, "1"},
      {2.5, "2.5"},
      {100.0, "100"},
      {10.0, "10"},
      {-12.25, "-12.25"},
      {-0.5, "-0.5"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-2.0 / 3.0, "-0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {123.456, "123.456"},
      {1234567.0, "1234567"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1.5e-7, "1.5E-7"},
      {0.0, "0"},
      {-0.0, "0"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatGeneral, EdgesOfTheFixedRange) {
  const FormatCase cases[] = {
      {0.001, "0.001"},
      {1e-4, "0.0001"},
      {-1e-4, "-0.0001"},
      {0.00012345, "0.00012345"},
      {1e-5, "1E-5"},
      {0.000099999, "9.9999E-5"},
      {std::nextafter(1e-4, 0.0), "0.0001"},  // rounds up into the fixed range
      {1e14, "100000000000000"},
      {99999999999999.99, "100000000000000"},
      {999999999999999.0, "999999999999999"},
      {999999999999999.9, "1E15"},  // rounds up out of the fixed range
      {1e15, "1E15"},
      {-1e15, "-1E15"},
      {1e16, "1E16"},
      {1e21, "1E21"},
      {1000000000000004.0, "1E15"},
      {1000000000000005.0, "1.00000000000001E15"},
      {1e100, "1E100"},
      {1e-100, "1E-100"},
      {-1.25e-300, "-1.25E-300"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatGeneral, SixteenthDigitDecidesAfterEighteenDigits) {
  const FormatCase cases[] = {
      // Exact halves round away from zero.
      {1234567890123.125, "1234567890123.13"},
      {-1234567890123.125, "-1234567890123.13"},
      {100000000000000.5, "100000000000001"},
      // 90774153894.2868499755...: 18 digits give ...2868500, which rounds up.
      {0x1.5228faaa6496fp+36, "90774153894.2869"},
      {-0x1.5228faaa6496fp+36, "-90774153894.2869"},
      // 1081313678576.99499511...: ...699500 carries through the nines.
      {0x1.f786a2a9e1fd7p+39, "1081313678577"},
      // 1.45203797315559499926...e-8: ...559500 rounds up.
      {0x1.f2ea9c5fc8bc7p-27, "1.4520379731556E-8"},
      // 18 digits ending ...499 round down.
      {0x1.3105b5136e49p+15, "39042.8536638702"},
      {0x1.60498761a52fap-48, "4.88896731441249E-15"},
      {0x1.78a319571995bp-39, "2.67616759267701E-12"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatGeneral, ExtremeValues) {
  const FormatCase cases[] = {
      {DBL_MAX, "1.79769313486232E308"},
      {-DBL_MAX, "-1.79769313486232E308"},
      {DBL_MIN, "2.2250738585072E-308"},
      {-DBL_MIN, "-2.2250738585072E-308"},
      {0x0.fffffffffffffp-1022, "2.2250738585072E-308"},
      {kDenormMin, "4.94065645841247E-324"},
      {-kDenormMin, "-4.94065645841247E-324"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

// The value rounded to 15 significant digits the way FormatGeneral rounds:
// correctly to 18 digits first, then the 16th digit decides, halves away from zero.
double RoundedTo15Digits(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17e", std::fabs(value));
  uint64_t digits = 0;
  for (const char* p = text; *p != 'e'; ++p) {
    if (*p != '.') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
  }
  const int exponent = std::atoi(std::strchr(text, 'e') + 1);
  std::snprintf(text, sizeof text, "%llue%d",
                static_cast<unsigned long long>((digits + 500) / 1000), exponent - 14);
  const double rounded = std::strtod(text, nullptr);
  return value < 0 ? -rounded : rounded;
}

TEST(FormatGeneral, ReadsBackAsTheValueRoundedTo15Digits) {
  std::mt19937_64 random(20240527);
  std::uniform_int_distribution<int> binaryExponent(-1074, 1020);
  std::uniform_real_distribution<double> significand(1.0, 2.0);
  for (int i = 0; i < 200000; ++i) {
    double value = std::ldexp(significand(random), binaryExponent(random));
    if (i % 2 == 1) value = -value;
    const std::string text = FormatGeneral(value);
    ASSERT_EQ(TextToFloat(text), RoundedTo15Digits(value)) << text << " " << std::hexfloat << value;
    ASSERT_EQ(text.find('+'), std::string::npos) << text;
    ASSERT_NE(text.back(), '.') << text;
    size_t significantDigits = 0;
    bool leading = true;
    for (char c : text.substr(0, text.find('E'))) {
      if (c >= '1' && c <= '9') leading = false;
      if (!leading && c >= '0' && c <= '9') ++significantDigits;
    }
    ASSERT_LE(significantDigits, 15u) << text;
  }
}

// ---- Independence from the regional settings ---------------------------------

struct CommaPoint : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(RegionalSettings, FullStopWhateverTheLocale) {
  const std::locale savedGlobal =
      std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const std::string savedNumeric = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) break;
  }
  const std::string formatted = FormatGeneral(-2.5);
  const std::string small = FormatGeneral(1.25e-7);
  const double parsed = TextToFloat("2.5");
  const double commaParsed = TextToFloat("2,5");
  std::setlocale(LC_NUMERIC, savedNumeric.c_str());
  std::locale::global(savedGlobal);

  EXPECT_EQ(formatted, "-2.5");
  EXPECT_EQ(small, "1.25E-7");
  EXPECT_EQ(parsed, 2.5);
  EXPECT_EQ(commaParsed, 0.0);
}

}  // namespace
