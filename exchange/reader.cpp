// The exchange-file reader: reads JWC_TEMP.TXT line by line, tokenises each
// line and applies the first keyword rule that claims it, keeping the
// attribute state and filling the entity tables.
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileOpen.h"
#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"
#include "exchange/tables.h"

namespace {

// ---- Tokeniser ------------------------------------------------------------------------

// What the tokeniser does with a byte.
enum TByteClass : uint8_t {
  kAppend,     // part of the current token
  kSeparator,  // space or tab while the quote flag is set
  kQuote,      // double quote while the quote flag is set
  kEquals,     // equals sign while the quote flag is set
  kLead,       // first byte of a two-byte Shift-JIS character
  kDrop,       // control bytes, 0xFE, 0xFF
};

// The class of every byte, while the quote flag is set (quoteFlag true) or
// after it has been cleared: then spaces, quotes and equals signs are
// ordinary bytes and a tab is a control byte like any other.
constexpr std::array<TByteClass, 256> ByteClasses(bool quoteFlag) {
  std::array<TByteClass, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    TByteClass c = kAppend;
    if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD)) {
      c = kLead;
    } else if (b < 0x20 || b > 0xFD) {
      c = kDrop;
    }
    if (quoteFlag) {
      if (b == ' ' || b == '\t') c = kSeparator;
      if (b == '"') c = kQuote;
      if (b == '=') c = kEquals;
    }
    classes[static_cast<size_t>(b)] = c;
  }
  return classes;
}

constexpr std::array<TByteClass, 256> kBeforeQuote = ByteClasses(true);
constexpr std::array<TByteClass, 256> kAfterQuote = ByteClasses(false);

// The tokens of the line being parsed. Their bytes live in Bytes; both are
// kept from line to line, so tokenising allocates only for a longer line or
// more tokens than any line before.
struct TTokenList {
  std::string Bytes;
  std::vector<std::string_view> Tokens;
};

TTokenList gLine;

// Splits a line into tokens at spaces and tabs until the first double quote
// or equals sign, after which the rest of the line belongs to the current
// token. Two-byte characters are kept whole; control bytes, 0xFE, 0xFF and a
// lead byte at the line end are dropped. A separator after the last token
// leaves one more, empty, token.
void Tokenise(std::string_view line, TTokenList& out) {
  // Every byte of the line gives at most one byte of a token.
  if (out.Bytes.size() < line.size()) out.Bytes.resize(line.size());
  out.Tokens.clear();
  char* const base = out.Bytes.data();
  char* start = base;
  char* dst = base;
  const TByteClass* classes = kBeforeQuote.data();
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end) {
    // Runs of ordinary bytes are the bulk of every line.
    while (classes[static_cast<unsigned char>(*p)] == kAppend) {
      *dst++ = *p++;
      if (p == end) break;
    }
    if (p == end) break;
    const char b = *p++;
    switch (classes[static_cast<unsigned char>(b)]) {
      case kAppend:
        *dst++ = b;
        break;
      case kSeparator:
        if (dst != start) {
          out.Tokens.emplace_back(start, static_cast<size_t>(dst - start));
          start = dst;
        }
        break;
      case kQuote:
        classes = kAfterQuote.data();
        break;
      case kEquals:
        *dst++ = b;
        classes = kAfterQuote.data();
        break;
      case kLead:
        if (p == end) break;
        dst[0] = b;
        dst[1] = *p++;
        dst += 2;
        break;
      case kDrop:
        break;
    }
  }
  out.Tokens.emplace_back(start, static_cast<size_t>(dst - start));
}

// Bytes that make a line more than spaces between runs of plain bytes: control
// bytes (the tab among them), the space itself, the double quote, the equals
// sign and every byte from 0x80 on. Each set byte of the result, the lowest
// one first, marks such a byte of the eight in word (little-endian order); a
// set byte above a marked one may be a false mark.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

uint64_t MarkBelow(uint64_t word, uint8_t bound) { return (word - kOnes * bound) & ~word & kHighs; }
uint64_t MarkEqual(uint64_t word, uint8_t byte) { return MarkBelow(word ^ (kOnes * byte), 1); }
uint64_t MarkSpecial(uint64_t word) {
  return MarkBelow(word, 0x21) | (word & kHighs) | MarkEqual(word, '"') | MarkEqual(word, '=');
}

// Tokenises, as Tokenise does, the plain line that starts text: only plain
// bytes (0x21 to 0x7F but '"' and '=', and 0xA0 to 0xDF) and spaces, without
// copying: the tokens view the text itself. With lineEnd false the line is the
// whole text; with lineEnd true it ends at the first LF (or CR LF), and length
// is set to the bytes up to and with that line end. False, with nothing to go
// by, for any other text, and with lineEnd true when no line end comes.
bool TokenisePlain(std::string_view text, bool lineEnd, TTokenList& out, size_t& length) {
  if constexpr (std::endian::native != std::endian::little) return false;
  out.Tokens.clear();
  const char* const base = text.data();
  const size_t n = text.size();
  size_t start = 0;
  size_t i = 0;
  for (;;) {
    // Eight bytes at a time up to the next space or byte of another kind.
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, base + i, sizeof word);
      const uint64_t marks = MarkSpecial(word);
      if (marks != 0) {
        i += static_cast<size_t>(std::countr_zero(marks)) / 8;
        break;
      }
      i += 8;
    }
    while (i < n && base[i] != ' ' && kAfterQuote[static_cast<unsigned char>(base[i])] == kAppend &&
           base[i] != '"' && base[i] != '=') {
      ++i;
    }
    if (i == n) {
      if (lineEnd) return false;
      length = n;
      break;
    }
    if (base[i] != ' ') {
      if (!lineEnd) return false;
      if (base[i] == '\n') {
        length = i + 1;
        break;
      }
      if (base[i] != '\r' || i + 1 == n || base[i + 1] != '\n') return false;
      length = i + 2;
      break;
    }
    if (i > start) out.Tokens.emplace_back(base + start, i - start);
    start = ++i;
  }
  out.Tokens.emplace_back(base + start, i - start);
  return true;
}

// ---- Helpers of the rules -------------------------------------------------------------

// The bytes of a token from 1-based position pos to its end; empty past the end.
std::string_view FromByte(std::string_view token, size_t pos) {
  return pos - 1 < token.size() ? token.substr(pos - 1) : std::string_view();
}

// The bytes of a token from 1-based position from up to position to - 1.
std::string_view ByteRange(std::string_view token, size_t from, size_t to) {
  if (to <= from || from - 1 >= token.size()) return std::string_view();
  return token.substr(from - 1, to - from);
}

// A layer group or layer: the byte at position 3 read as one hexadecimal digit
// ("$" prefixed); any other byte, or none, gives 0.
int32_t LayerDigit(std::string_view token) {
  if (token.size() < 3) return 0;
  const char text[2] = {'$', token[2]};
  return TextToInt(std::string_view(text, 2));
}

// The entity has been stored: the attributes that belong to one entity end.
void EndEntity() {
  CurZFlags = 0;
  CurHhpNo = 0;
  InPolyline = false;
  MsgMode = false;
}

// The text keywords; a text's kind is its keyword's place here, 0 "ch" .. 9 "c2".
constexpr std::string_view kTextKeywords = "ch cv cs cr co cp ct ck cz c2";

// The place of token among the words (separated by single spaces); -1 when it
// is none of them.
int32_t WordIndex(std::string_view words, std::string_view token) {
  for (int32_t index = 0;; ++index) {
    const size_t end = words.find(' ');
    if (words.substr(0, end) == token) return index;
    if (end == std::string_view::npos) return -1;
    words.remove_prefix(end + 1);
  }
}

// ---- Header rules ---------------------------------------------------------------------

void RuleFileName(JwwTokens t) { JwwFileName.assign(FromByte(t[0], 6)); }

void RuleHk(JwwTokens t) { HkValue = TextToFloat(t[1]); }

void RuleHs(JwwTokens t) {
  double v[16];
  JwwFloats(t, 1, 16, v);
  for (size_t i = 0; i < 16; ++i) LgScale[i] = v[i];
}

void RuleHzs(JwwTokens t) {
  double v[2];
  JwwFloats(t, 1, 2, v);
  SheetW = v[0];
  SheetH = v[1];
}

// "hcw", "hch" or "hcd": one size of text styles 1..10.
template <double TJwwTextStyle::*Field>
void RuleStyleSizes(JwwTokens t) {
  double v[10];
  JwwFloats(t, 1, 10, v);
  for (size_t i = 1; i <= 10; ++i) JwwTextStyle[i].*Field = v[i - 1];
}

void RuleHcc(JwwTokens t) {
  for (size_t i = 1; i <= 10; ++i) JwwTextStyle[i].Color = TextToInt(t[i]);
}

void RuleBz(JwwTokens) { BzFlag = true; }

void RuleHn(JwwTokens t) {
  double v[4];
  JwwFloats(t, 1, 4, v);
  for (size_t i = 0; i < 4; ++i) HnValues[i] = v[i];
}

// ---- Attribute rules ------------------------------------------------------------------

void RuleLayerGroupName(JwwTokens t) {
  const auto index = static_cast<size_t>(CurLg);
  JwwLayerArraysWritten = true;
  if (index < LgName.size()) LgName[index].assign(FromByte(t[0], 4));
}

void RuleLayerName(JwwTokens t) {
  const auto index = static_cast<size_t>(CurLg * 16 + CurLy);
  JwwLayerArraysWritten = true;
  if (index < LyName.size()) LyName[index].assign(FromByte(t[0], 4));
}

void RuleLayerGroup(JwwTokens t) {
  const int32_t value = LayerDigit(t[0]);
  if (NeedLg) {
    HostLg = value;
    NeedLg = false;
  }
  CurLg = value;
  if (t.size() >= 2 && static_cast<size_t>(CurLg) < LgState.size()) {
    JwwLayerArraysWritten = true;
    LgState[static_cast<size_t>(CurLg)] = TextToInt(t[1]);
  }
  InPolyline = false;
}

void RuleLayer(JwwTokens t) {
  const int32_t value = LayerDigit(t[0]);
  if (NeedLy) {
    HostLy = value;
    NeedLy = false;
  }
  CurLy = value;
  const auto index = static_cast<size_t>(CurLg * 16 + CurLy);
  if (t.size() >= 2 && index < LyState.size()) {
    JwwLayerArraysWritten = true;
    LyState[index] = TextToInt(t[1]);
  }
  InPolyline = false;
}

void RuleLineColor(JwwTokens t) {
  const int32_t value = TextToInt(FromByte(t[0], 3));
  if (NeedLc) {
    HostLc = value;
    NeedLc = false;
  }
  CurLc = value;
  if (value == 10 && t.size() >= 2) CurSolidColor = TextToInt(t[1]);
  InPolyline = false;
}

void RuleLineType(JwwTokens t) {
  const int32_t value = TextToInt(FromByte(t[0], 3));
  if (NeedLt) {
    HostLt = value;
    NeedLt = false;
  }
  CurLt = value;
  InPolyline = false;
}

void RuleLineWidth(JwwTokens t) {
  const int32_t value = TextToInt(FromByte(t[0], 3));
  if (NeedLw) {
    HostLw = value;
    NeedLw = false;
  }
  CurLw = value;
  LwGiven = true;
  InPolyline = false;
}

void RuleFont(JwwTokens t) {
  const std::string_view name = FromByte(t[0], 4);
  if (HostFont.empty()) HostFont.assign(name);
  CurFont.assign(name);
  InPolyline = false;
}

void RuleTextStyle(JwwTokens t) {
  const int32_t value = TextToInt(FromByte(t[0], 3));
  // Only style 0 carries its own size, spacing and colour.
  const bool ownSize = value == 0 && t.size() >= 5;
  double size[3] = {};
  int32_t color = 0;
  if (ownSize) {
    JwwFloats(t, 1, 3, size);
    color = TextToInt(t[4]);
  }
  if (NeedCn) {
    HostStyleNo = value;
    if (ownSize) {
      HostTextW = size[0];
      HostTextH = size[1];
      HostTextSp = size[2];
      HostTextColor = color;
    }
    NeedCn = false;
  }
  CurStyleNo = value;
  if (ownSize) {
    CurTextW = size[0];
    CurTextH = size[1];
    CurTextSp = size[2];
    CurTextColor = color;
  }
  InPolyline = false;
}

void RuleCc(JwwTokens t) {
  const int32_t value = t[0].size() >= 3 ? TextToInt(t[0].substr(2, 1)) : 0;
  CurCc = value < 0 || value > 8 ? 0 : value;
  InPolyline = false;
}

// "z1".."z5": bit 1, 2, 4, 8 or 16 for the next entity.
void RuleZFlag(JwwTokens t) { CurZFlags |= 1 << (t[0][1] - '1'); }

void RulePointColor(JwwTokens t) {
  CurPn = TextToInt(FromByte(t[0], 3));
  InPolyline = false;
}

// ---- Polylines, messages and numbered points ------------------------------------------

void RulePolyline(JwwTokens) {
  ++CurPlNo;
  InPolyline = true;
  MsgMode = false;
}

void RuleMsg(JwwTokens) {
  MsgMode = true;
  InPolyline = false;
}

// "#" ends a polyline and the message mode.
void RuleHash(JwwTokens) {
  InPolyline = false;
  MsgMode = false;
}

// "hp<number>[-|ln|ci|ch] x y": numbered point 1..99; a mark after the number
// gives the kind (the last mark found wins) and ends the number.
void RuleNumberedPoint(JwwTokens t) {
  const std::string_view token = t[0];
  std::string_view number = FromByte(token, 3);
  int32_t kind = 0;
  constexpr std::string_view kMarks[] = {"-", "ln", "ci", "ch"};
  for (int32_t i = 0; i < 4; ++i) {
    const size_t at = token.find(kMarks[i]);
    if (at != std::string_view::npos) {
      number = ByteRange(token, 3, at + 1);
      kind = i + 1;
    }
  }
  const int32_t k = TextToInt(number);
  if (k < 1 || k > 99 || static_cast<size_t>(k) >= JwwHp.size()) return;
  double xy[2];
  JwwFloats(t, 1, 2, xy);
  JwwLayerArraysWritten = true;
  JwwHp[static_cast<size_t>(k)] = TJwwHp{true, xy[0], xy[1], kind};
  ++JwwHpCount;
}

// "hhp<number>[ln|ci|ch]": the number the next entity carries; a mark counts
// only after the first number byte (the last mark found wins).
void RuleHhp(JwwTokens t) {
  const std::string_view token = t[0];
  std::string_view number = FromByte(token, 4);
  constexpr std::string_view kMarks[] = {"ln", "ci", "ch"};
  for (const std::string_view mark : kMarks) {
    const size_t at = token.find(mark);
    if (at != std::string_view::npos && at + 1 > 4) number = ByteRange(token, 4, at + 1);
  }
  CurHhpNo = TextToInt(number);
}

// ---- Entity rules ---------------------------------------------------------------------

// Stores one record through Add (given the extra arguments after the tokens),
// then ends the attributes that belong to one entity.
template <auto Add, auto... Extra>
void RuleEntity(JwwTokens t) {
  Add(t, Extra...);
  EndEntity();
}

// A text; in the message mode a "cs" text makes a dimension of the held line.
void RuleText(JwwTokens t) {
  if (MsgMode && t[0] == "cs") {
    JwwAddDim(t);
  } else {
    JwwAddText(t, WordIndex(kTextKeywords, t[0]));
  }
  EndEntity();
}

// A line segment, or the held line of a dimension: consecutive segments keep
// the polyline and the held line stays in use.
void RuleSegment(JwwTokens t) {
  JwwAddLine(t);
  CurZFlags = 0;
  CurHhpNo = 0;
}

// ---- The rule table -------------------------------------------------------------------

// How a rule tests token 0.
enum class TMatch : uint8_t {
  kContains,    // Text occurs anywhere in it
  kEquals,      // it is Text, byte for byte
  kBeginsWith,  // it starts with Text
  kOneOf,       // it is one of the words of Text (separated by spaces)
  kAnything,
};

struct TTokenTest {
  TMatch Match;
  std::string_view Text;
};

constexpr TTokenTest Contains(std::string_view text) { return {TMatch::kContains, text}; }
constexpr TTokenTest Equals(std::string_view text) { return {TMatch::kEquals, text}; }
constexpr TTokenTest BeginsWith(std::string_view text) { return {TMatch::kBeginsWith, text}; }
constexpr TTokenTest OneOf(std::string_view words) { return {TMatch::kOneOf, words}; }
constexpr TTokenTest Anything() { return {TMatch::kAnything, {}}; }

// The token count a rule needs: at least Count, or with Exact exactly Count.
struct TCountTest {
  size_t Count;
  bool Exact;
};

constexpr TCountTest AtLeast(size_t count) { return {count, false}; }
constexpr TCountTest Exactly(size_t count) { return {count, true}; }
// Every line that reaches the rules has a token.
constexpr TCountTest AnyCount() { return AtLeast(1); }

struct TRule {
  TTokenTest Token;
  TCountTest Count;
  void (*Apply)(JwwTokens t);
};

// The rules in the order they are tried: the first whose token test and count
// both hold claims the line. A keyword with too few tokens claims nothing, so
// the later rules are still tried.
constexpr TRule kRules[] = {
    {Contains("file="), AnyCount(), RuleFileName},
    {Equals("hk"), AtLeast(2), RuleHk},
    {Equals("hs"), AtLeast(17), RuleHs},
    {Equals("hzs"), AtLeast(3), RuleHzs},
    {Equals("hcw"), AtLeast(11), RuleStyleSizes<&TJwwTextStyle::Width>},
    {Equals("hch"), AtLeast(11), RuleStyleSizes<&TJwwTextStyle::Height>},
    {Equals("hcd"), AtLeast(11), RuleStyleSizes<&TJwwTextStyle::Spacing>},
    {Equals("hcc"), AtLeast(11), RuleHcc},
    {Equals("bz"), AnyCount(), RuleBz},
    {Equals("hn"), AtLeast(5), RuleHn},
    {BeginsWith("lgn"), AnyCount(), RuleLayerGroupName},
    {BeginsWith("lyn"), AnyCount(), RuleLayerName},
    {BeginsWith("lg"), AnyCount(), RuleLayerGroup},
    {BeginsWith("ly"), AnyCount(), RuleLayer},
    {BeginsWith("lc"), AnyCount(), RuleLineColor},
    {BeginsWith("lt"), AnyCount(), RuleLineType},
    {BeginsWith("lw"), AnyCount(), RuleLineWidth},
    {BeginsWith("cn$"), AnyCount(), RuleFont},
    {BeginsWith("cn"), AnyCount(), RuleTextStyle},
    {BeginsWith("cc"), AnyCount(), RuleCc},
    {OneOf("z1 z2 z3 z4 z5"), AnyCount(), RuleZFlag},
    {BeginsWith("pn"), AnyCount(), RulePointColor},
    {Equals("pl"), AnyCount(), RulePolyline},
    {Equals("msg"), AnyCount(), RuleMsg},
    {Equals("#"), AnyCount(), RuleHash},
    {BeginsWith("hp"), AtLeast(3), RuleNumberedPoint},
    {BeginsWith("hhp"), AnyCount(), RuleHhp},
    {Equals("ci"), Exactly(4), RuleEntity<JwwAddCircle>},
    {Equals("ci"), AtLeast(8), RuleEntity<JwwAddArc>},
    {OneOf(kTextKeywords), AtLeast(6), RuleText},
    {Equals("pt"), Exactly(3), RuleEntity<JwwAddPoint>},
    {Equals("pt"), AtLeast(6), RuleEntity<JwwAddPointMark>},
    {Equals("BL"), AtLeast(4), RuleEntity<JwwAddBlk>},
    {Equals("sl"), Exactly(5), RuleEntity<JwwAddPolygonSolid>},
    {Equals("sl"), Exactly(7), RuleEntity<JwwAddPolygonSolid>},
    {Equals("sl"), AtLeast(9), RuleEntity<JwwAddPolygonSolid>},
    {Equals("sc"), AtLeast(9), RuleEntity<JwwAddSolidCircle, JwwKindSolidCircle>},
    {Equals("se"), AtLeast(9), RuleEntity<JwwAddSolidCircle, JwwKindSolidCircum>},
    {Equals("so"), AtLeast(9), RuleEntity<JwwAddSolidRing, JwwKindSolidRing>},
    {Equals("sg"), AtLeast(9), RuleEntity<JwwAddSolidRing, JwwKindSolidRingW>},
    {Anything(), Exactly(4), RuleSegment},
};

// A set of rules is one 64-bit word, rule i its bit i.
static_assert(std::size(kRules) < 64);
constexpr uint64_t kAllRules = (uint64_t{1} << std::size(kRules)) - 1;

bool Claims(const TTokenTest& test, std::string_view token) {
  switch (test.Match) {
    case TMatch::kContains:
      return token.find(test.Text) != std::string_view::npos;
    case TMatch::kEquals:
      return token == test.Text;
    case TMatch::kBeginsWith:
      return token.starts_with(test.Text);
    case TMatch::kOneOf:
      return WordIndex(test.Text, token) >= 0;
    case TMatch::kAnything:
      return true;
  }
  return false;
}

bool Holds(TCountTest test, size_t count) { return test.Exact ? count == test.Count : count >= test.Count; }

// Whether the test can hold for a token that begins with the byte first.
constexpr bool MayClaim(const TTokenTest& test, char first) {
  switch (test.Match) {
    case TMatch::kEquals:
    case TMatch::kBeginsWith:
      return test.Text[0] == first;
    case TMatch::kOneOf:
      for (size_t at = 0; at < test.Text.size(); ++at) {
        const bool wordStart = at == 0 || test.Text[at - 1] == ' ';
        if (wordStart && test.Text[at] == first) return true;
      }
      return false;
    case TMatch::kContains:
    case TMatch::kAnything:
      return true;
  }
  return true;
}

// For each first byte of token 0, the rules that may claim the line. Most
// lines are segments, whose first byte leaves two rules to try, not all.
constexpr std::array<uint64_t, 256> RulesByFirstByte() {
  std::array<uint64_t, 256> rules{};
  for (size_t i = 0; i < std::size(kRules); ++i) {
    for (size_t b = 0; b < rules.size(); ++b) {
      if (MayClaim(kRules[i].Token, static_cast<char>(b))) rules[b] |= uint64_t{1} << i;
    }
  }
  return rules;
}

constexpr std::array<uint64_t, 256> kRulesByFirstByte = RulesByFirstByte();

// Applies the first rule that claims the line; a line no rule claims is ignored.
void ApplyRules(JwwTokens t) {
  const std::string_view k = t[0];
  uint64_t candidates = k.empty() ? kAllRules : kRulesByFirstByte[static_cast<unsigned char>(k[0])];
  for (; candidates != 0; candidates &= candidates - 1) {
    const TRule& rule = kRules[std::countr_zero(candidates)];
    if (Holds(rule.Count, t.size()) && Claims(rule.Token, k)) {
      rule.Apply(t);
      return;
    }
  }
}

// Applies the rules to the tokens of the line in gLine; an empty line is ignored.
void ApplyLineTokens() {
  const JwwTokens tokens(gLine.Tokens);
  if (tokens.size() == 1 && tokens[0].empty()) return;
  ApplyRules(tokens);
}

// ---- Reading the file -----------------------------------------------------------------

// Large reads keep the file a handful of system calls long.
constexpr size_t kChunkSize = size_t{1} << 20;

// What the line buffers may keep from one reading to the next; a longer line
// gives its memory back.
constexpr size_t kKeptLineBytes = 4096;
constexpr size_t kKeptTokens = 256;

// The memory every reading goes through, allocated by the first and kept, so
// that later readings touch no fresh pages for it.
char* ChunkBuffer() {
  static const std::unique_ptr<char[]> chunk(new char[kChunkSize]);
  return chunk.get();
}

// Hands a line whose LF is already gone to JwwParseLine, without the CR of a
// CR LF line end.
void ParseReadLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  JwwParseLine(line);
}

// Parses every line of an open file up to its end or the byte 0x1A; false on
// an input error, with the lines before it parsed.
bool ReadLines(std::FILE* file) {
  char* const chunk = ChunkBuffer();
  // The start of a line that goes on in the next chunk.
  std::string carried;
  for (;;) {
    const size_t got = std::fread(chunk, 1, kChunkSize, file);
    std::string_view data(chunk, got);
    const size_t endMark = data.find('\x1A');
    if (endMark != std::string_view::npos) data = data.substr(0, endMark);
    size_t pos = 0;
    for (;;) {
      // A plain line is tokenised where it lies, its end found on the way.
      size_t length = 0;
      if (carried.empty() && TokenisePlain(data.substr(pos), true, gLine, length)) {
        ApplyLineTokens();
        pos += length;
        continue;
      }
      const void* lf = std::memchr(data.data() + pos, '\n', data.size() - pos);
      if (lf == nullptr) break;
      const auto at = static_cast<size_t>(static_cast<const char*>(lf) - data.data());
      const std::string_view piece = data.substr(pos, at - pos);
      if (carried.empty()) {
        ParseReadLine(piece);
      } else {
        carried.append(piece);
        ParseReadLine(carried);
        carried.clear();
      }
      pos = at + 1;
    }
    carried.append(data.substr(pos));
    if (endMark != std::string_view::npos) break;
    if (got < kChunkSize) {
      if (std::ferror(file)) return false;
      break;
    }
  }
  if (!carried.empty()) ParseReadLine(carried);
  return true;
}

}  // namespace

void JwwParseLine(std::string_view line) {
  size_t length = 0;
  if (!TokenisePlain(line, false, gLine, length)) Tokenise(line, gLine);
  ApplyLineTokens();
}

bool JwwReadFile(const std::filesystem::path& path) {
  std::FILE* file = nullptr;
  bool ok = false;
  try {
    // Only a regular file is a drawing: a device or a pipe may never end a line.
    std::error_code notRegular;
    if (std::filesystem::is_regular_file(path, notRegular)) file = OpenFile(path, "rb");
    if (file != nullptr) {
      // The reads are large already; a stdio buffer would only copy them.
      std::setvbuf(file, nullptr, _IONBF, 0);
      ok = ReadLines(file);
    }
  } catch (...) {
    // A number too large for a double, or memory running out, ends the
    // reading as an input error does: what was read stays.
    ok = false;
  }
  if (file != nullptr) std::fclose(file);
  // A very long line must not keep its buffers for the rest of the run.
  if (gLine.Bytes.capacity() > kKeptLineBytes) std::string().swap(gLine.Bytes);
  if (gLine.Tokens.capacity() > kKeptTokens) std::vector<std::string_view>().swap(gLine.Tokens);
  return ok;
}
