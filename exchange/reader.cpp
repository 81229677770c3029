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

// Kind of a text keyword, 0 "ch" .. 9 "c2"; -1 for any other token.
int32_t TextKindOf(std::string_view token) {
  if (token.size() != 2 || token[0] != 'c') return -1;
  constexpr std::string_view kSecond = "hvsroptkz2";
  const size_t kind = kSecond.find(token[1]);
  return kind == std::string_view::npos ? -1 : static_cast<int32_t>(kind);
}

// Every keyword but "file=" begins with one of these bytes; a line whose
// first token does not can only be a line segment.
bool MayBeKeyword(std::string_view token) {
  if (token.empty()) return false;
  switch (token[0]) {
    case 'h': case 'b': case 'l': case 'c': case 'z': case 'p':
    case 'm': case '#': case 'B': case 's':
      return true;
    default:
      return false;
  }
}

// ---- Attribute rules ------------------------------------------------------------------

void RuleLayerGroup(JwwTokens t) {
  const int32_t value = LayerDigit(t[0]);
  if (NeedLg) {
    HostLg = value;
    NeedLg = false;
  }
  CurLg = value;
  if (t.size() >= 2 && static_cast<size_t>(CurLg) < LgState.size()) {
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
  if (t.size() >= 2 && index < LyState.size()) LyState[index] = TextToInt(t[1]);
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

// ---- Keyword rules ---------------------------------------------------------------------

// Applies the first keyword rule whose test and condition hold; false when
// none claims the line.
bool ApplyKeywordRule(JwwTokens t) {
  const std::string_view k = t[0];
  const size_t n = t.size();

  if (k == "hk" && n >= 2) {
    HkValue = TextToFloat(t[1]);
    return true;
  }
  if (k == "hs" && n >= 17) {
    double v[16];
    JwwFloats(t, 1, 16, v);
    for (size_t i = 0; i < 16; ++i) LgScale[i] = v[i];
    return true;
  }
  if (k == "hzs" && n >= 3) {
    double v[2];
    JwwFloats(t, 1, 2, v);
    SheetW = v[0];
    SheetH = v[1];
    return true;
  }
  if ((k == "hcw" || k == "hch" || k == "hcd") && n >= 11) {
    double TJwwTextStyle::*field = k == "hcw"   ? &TJwwTextStyle::Width
                                   : k == "hch" ? &TJwwTextStyle::Height
                                                : &TJwwTextStyle::Spacing;
    double v[10];
    JwwFloats(t, 1, 10, v);
    for (size_t i = 1; i <= 10; ++i) JwwTextStyle[i].*field = v[i - 1];
    return true;
  }
  if (k == "hcc" && n >= 11) {
    for (size_t i = 1; i <= 10; ++i) JwwTextStyle[i].Color = TextToInt(t[i]);
    return true;
  }
  if (k == "bz") {
    BzFlag = true;
    return true;
  }
  if (k == "hn" && n >= 5) {
    double v[4];
    JwwFloats(t, 1, 4, v);
    for (size_t i = 0; i < 4; ++i) HnValues[i] = v[i];
    return true;
  }
  if (k.starts_with("lgn")) {
    if (static_cast<size_t>(CurLg) < LgName.size()) LgName[static_cast<size_t>(CurLg)].assign(FromByte(k, 4));
    return true;
  }
  if (k.starts_with("lyn")) {
    const auto index = static_cast<size_t>(CurLg * 16 + CurLy);
    if (index < LyName.size()) LyName[index].assign(FromByte(k, 4));
    return true;
  }
  if (k.starts_with("lg")) {
    RuleLayerGroup(t);
    return true;
  }
  if (k.starts_with("ly")) {
    RuleLayer(t);
    return true;
  }
  if (k.starts_with("lc")) {
    RuleLineColor(t);
    return true;
  }
  if (k.starts_with("lt")) {
    RuleLineType(t);
    return true;
  }
  if (k.starts_with("lw")) {
    RuleLineWidth(t);
    return true;
  }
  if (k.starts_with("cn$")) {
    RuleFont(t);
    return true;
  }
  if (k.starts_with("cn")) {
    RuleTextStyle(t);
    return true;
  }
  if (k.starts_with("cc")) {
    RuleCc(t);
    return true;
  }
  if (k.size() == 2 && k[0] == 'z' && k[1] >= '1' && k[1] <= '5') {
    CurZFlags |= 1 << (k[1] - '1');
    return true;
  }
  if (k.starts_with("pn")) {
    CurPn = TextToInt(FromByte(k, 3));
    InPolyline = false;
    return true;
  }
  if (k == "pl") {
    ++CurPlNo;
    InPolyline = true;
    MsgMode = false;
    return true;
  }
  if (k == "msg") {
    MsgMode = true;
    InPolyline = false;
    return true;
  }
  if (k == "#") {
    InPolyline = false;
    MsgMode = false;
    return true;
  }
  if (k.starts_with("hp") && n >= 3) {
    RuleNumberedPoint(t);
    return true;
  }
  if (k.starts_with("hhp")) {
    RuleHhp(t);
    return true;
  }

  // Entities: each one ends the attributes that belong to one entity.
  if (k == "ci" && n == 4) {
    JwwAddCircle(t);
  } else if (k == "ci" && n >= 8) {
    JwwAddArc(t);
  } else if (const int32_t textKind = TextKindOf(k); textKind >= 0 && n >= 6) {
    if (MsgMode && k == "cs") {
      JwwAddDim(t);
    } else {
      JwwAddText(t, textKind);
    }
  } else if (k == "pt" && n == 3) {
    JwwAddPoint(t);
  } else if (k == "pt" && n >= 6) {
    JwwAddPointMark(t);
  } else if (k == "BL" && n >= 4) {
    JwwAddBlk(t);
  } else if (k == "sl" && (n == 5 || n == 7 || n >= 9)) {
    JwwAddPolygonSolid(t);
  } else if (k == "sc" && n >= 9) {
    JwwAddSolidCircle(t, JwwKindSolidCircle);
  } else if (k == "se" && n >= 9) {
    JwwAddSolidCircle(t, JwwKindSolidCircum);
  } else if (k == "so" && n >= 9) {
    JwwAddSolidRing(t, JwwKindSolidRing);
  } else if (k == "sg" && n >= 9) {
    JwwAddSolidRing(t, JwwKindSolidRingW);
  } else {
    return false;
  }
  EndEntity();
  return true;
}

// Applies the first rule that claims the line; a line no rule claims is ignored.
void ApplyRules(JwwTokens t) {
  const std::string_view k = t[0];
  if (k.find("file=") != std::string_view::npos) {
    JwwFileName.assign(FromByte(k, 6));
    return;
  }
  if (MayBeKeyword(k) && ApplyKeywordRule(t)) return;
  if (t.size() == 4) {
    // A line segment, or the held line of a dimension: consecutive segments
    // keep the polyline and the held line stays in use.
    JwwAddLine(t);
    CurZFlags = 0;
    CurHhpNo = 0;
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

bool JwwReadFile(const std::string& path) {
  std::FILE* file = nullptr;
  bool ok = false;
  try {
    // Only a regular file is a drawing: a device or a pipe may never end a line.
    std::error_code notRegular;
    if (std::filesystem::is_regular_file(path, notRegular)) file = std::fopen(path.c_str(), "rb");
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
