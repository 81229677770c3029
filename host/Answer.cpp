#include "host/Answer.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/Labels.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The run of decimal digits at the front of text, removed from it.
std::string_view TakeDigits(std::string_view& text) {
  size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  const std::string_view digits = text.substr(0, n);
  text.remove_prefix(n);
  return digits;
}

// Removes prefix from the front of text when it is there.
bool Take(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// The fields of text separated by single spaces, at most six; an empty field
// stands for a doubled, leading or trailing space. A point has two fields, a
// marker five: the sixth only tells that there are too many.
struct TFields {
  std::string_view at[6];
  size_t size = 0;
};

TFields SplitFields(std::string_view text) {
  TFields fields;
  size_t start = 0;
  while (fields.size < std::size(fields.at)) {
    const size_t space = text.find(' ', start);
    if (space == std::string_view::npos) {
      fields.at[fields.size++] = text.substr(start);
      break;
    }
    fields.at[fields.size++] = text.substr(start, space - start);
    start = space + 1;
  }
  return fields;
}

// The value of one hex digit as the tool writes layer groups and layers.
std::optional<int> HexDigit(std::string_view text) {
  if (text.size() != 1) return std::nullopt;
  const char c = text[0];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// The fields of a "pt" line into command; the problem, or empty text.
std::string ParsePoint(std::string_view rest, AnswerCommand& command) {
  const TFields split = SplitFields(rest);
  const std::string_view* fields = split.at;
  if (split.size != 2 && split.size != 5) {
    return "a point needs x and y, a point marker x, y, scale, aux and kind, "
           "each after one space";
  }
  static constexpr const char* kNames[] = {"x", "y", "scale", "aux"};
  for (size_t i = 0; i < split.size && i < 4; ++i) {
    if (!IsToolReal(fields[i])) {
      return std::string(kNames[i]) + " \"" + PrintableBytes(fields[i]) +
             "\" is not a number as the tool writes one";
    }
  }
  command.x.assign(fields[0]);
  command.y.assign(fields[1]);
  if (split.size == 2) {
    command.kind = AnswerCommand::Kind::Point;
    return {};
  }
  command.kind = AnswerCommand::Kind::PointMarker;
  command.scale.assign(fields[2]);
  command.aux.assign(fields[3]);
  // The tool limits marker kinds to -7..11 before writing them.
  if (!IsToolInteger(fields[4], command.value) || command.value < -7 || command.value > 11) {
    return "marker kind \"" + PrintableBytes(fields[4]) + "\" is not a decimal integer from -7 to 11";
  }
  return {};
}

// One line checked into command, which starts as a default command; the
// problem, or empty text. Built in place, a command is never moved.
std::string ParseInto(std::string_view line, AnswerCommand& command) {
  if (line == "hq") return {};
  if (line == "bz") {
    command.kind = AnswerCommand::Kind::Bz;
    return {};
  }
  std::string_view rest = line;
  if (Take(rest, "pt ")) return ParsePoint(rest, command);

  struct Attribute {
    std::string_view keyword;
    AnswerCommand::Kind kind;
    bool hex;
  };
  static constexpr Attribute kAttributes[] = {
      {"lg", AnswerCommand::Kind::LayerGroup, true}, {"ly", AnswerCommand::Kind::Layer, true},
      {"lc", AnswerCommand::Kind::LineColor, false}, {"pn", AnswerCommand::Kind::PointColor, false},
      {"lt", AnswerCommand::Kind::LineType, false},  {"lw", AnswerCommand::Kind::LineWidth, false},
  };
  for (const Attribute& attribute : kAttributes) {
    if (!Take(rest, attribute.keyword)) continue;
    command.kind = attribute.kind;
    if (attribute.hex) {
      const std::optional<int> digit = HexDigit(rest);
      if (!digit) {
        return "\"" + std::string(attribute.keyword) + "\" needs exactly one hex digit 0-9 or A-F";
      }
      command.value = *digit;
      return {};
    }
    if (!IsToolInteger(rest, command.value)) {
      return "\"" + std::string(attribute.keyword) + "\" needs a decimal integer";
    }
    if (command.kind == AnswerCommand::Kind::LineWidth &&
        (command.value < 0 || command.value > 30000)) {
      return "a line width must lie from 0 to 30000";
    }
    return {};
  }
  return "not a command of the answer";
}

std::string MarkerShape(int kind) {
  const std::string glyph = MarkerGlyph(kind);
  return glyph.empty() ? "kind " + std::to_string(kind) : glyph;
}

// The attributes that place a point, as they stand while the host reads the
// answer line by line; a point takes the point colour ("pn").
struct HostState {
  std::optional<int> lg, ly, pn;
};

std::string PlaceText(const HostState& state) {
  return "on layer group " + LayerLabel(state.lg) + ", layer " + LayerLabel(state.ly) +
         ", colour " + ColorLabel(state.pn);
}

std::string AttributeText(const AnswerCommand& command) {
  switch (command.kind) {
    case AnswerCommand::Kind::LayerGroup: return "layer group " + LayerLabel(command.value);
    case AnswerCommand::Kind::Layer: return "layer " + LayerLabel(command.value);
    case AnswerCommand::Kind::LineColor: return "line colour " + ColorLabel(command.value);
    case AnswerCommand::Kind::PointColor: return "point colour " + ColorLabel(command.value);
    case AnswerCommand::Kind::LineType: return "line type " + std::to_string(command.value);
    case AnswerCommand::Kind::LineWidth: return "line width " + std::to_string(command.value);
    default: return {};
  }
}

}  // namespace

bool IsToolInteger(std::string_view text, int& value) {
  std::string_view rest = text;
  const bool negative = Take(rest, "-");
  const std::string_view digits = TakeDigits(rest);
  if (digits.empty() || !rest.empty() || digits.size() > 10) return false;
  if (digits[0] == '0' && (digits.size() > 1 || negative)) return false;
  int64_t magnitude = 0;
  for (char c : digits) magnitude = magnitude * 10 + (c - '0');
  const int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

bool IsToolReal(std::string_view text) {
  if (text == "0") return true;  // zero of either sign is written "0"
  std::string_view rest = text;
  Take(rest, "-");
  const std::string_view intDigits = TakeDigits(rest);
  if (intDigits.empty()) return false;
  if (intDigits.size() > 1 && intDigits[0] == '0') return false;
  std::string_view fracDigits;
  if (Take(rest, ".")) {
    fracDigits = TakeDigits(rest);
    if (fracDigits.empty() || fracDigits.back() == '0') return false;
  }
  if (Take(rest, "E")) {
    const bool negativeExp = Take(rest, "-");
    const std::string_view expDigits = TakeDigits(rest);
    if (!rest.empty() || expDigits.empty() || expDigits[0] == '0' || expDigits.size() > 3) {
      return false;
    }
    // Scientific form: one non-zero digit before the point, at most 15 in all.
    if (intDigits.size() != 1 || intDigits[0] == '0' || 1 + fracDigits.size() > 15) return false;
    int exponent = 0;
    for (char c : expDigits) exponent = exponent * 10 + (c - '0');
    if (negativeExp) exponent = -exponent;
    return exponent <= -5 || exponent >= 15;
  }
  if (!rest.empty()) return false;
  if (intDigits == "0") {
    // "0.0001" is the smallest magnitude written in fixed form.
    if (fracDigits.empty()) return false;  // "-0"
    const size_t zeros = fracDigits.find_first_not_of('0');
    return zeros <= 3 && fracDigits.size() - zeros <= 15;
  }
  return intDigits.size() + fracDigits.size() <= 15;
}

AnswerLine ParseAnswerLine(std::string_view line) {
  AnswerCommand command;
  std::string problem = ParseInto(line, command);
  if (!problem.empty()) return AnswerLine{std::nullopt, std::move(problem)};
  return AnswerLine{std::move(command), {}};
}

AnswerCheck CheckAnswer(std::string_view bytes) {
  AnswerCheck check;
  if (bytes.empty()) {
    check.problem = "the answer is empty";
    return check;
  }
  // A command a line: room for all of them at once, the lines counted first.
  size_t lines = 0;
  for (size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1)) {
    ++lines;
  }
  check.commands.reserve(lines);
  int number = 0;
  int noChangeLine = 0;
  size_t start = 0;
  while (start < bytes.size()) {
    ++number;
    const size_t lf = bytes.find('\n', start);
    std::string_view line = bytes.substr(start, lf == std::string_view::npos ? lf : lf - start);
    start = lf == std::string_view::npos ? bytes.size() : lf + 1;
    const bool crLf = lf != std::string_view::npos && !line.empty() && line.back() == '\r';
    if (crLf) line.remove_suffix(1);
    // The line is named only when it is at fault.
    const auto fault = [&](std::string problem) {
      check.problemLine = number;
      check.problemText = std::string(line);
      check.problem = std::move(problem);
      check.commands.clear();
      return check;
    };
    if (lf == std::string_view::npos) return fault("the last line has no line end (CR LF)");
    if (!crLf) return fault("the line ends in LF alone, not CR LF");
    AnswerCommand& command = check.commands.emplace_back();
    std::string problem = ParseInto(line, command);
    if (!problem.empty()) return fault(std::move(problem));
    if (command.kind == AnswerCommand::Kind::NoChange && noChangeLine == 0) noChangeLine = number;
  }
  if (noChangeLine != 0 && number > 1) {
    // "hq" means that nothing changed, so it cannot come with commands.
    check.problemLine = noChangeLine;
    check.problemText = "hq";
    check.problem = "\"hq\" must be the only line of the answer";
    check.commands.clear();
    return check;
  }
  check.problemLine = 0;
  check.problemText.clear();
  return check;
}

namespace {

// The "bz" line and the attributes the answer sets, a line each.
std::string DescribeAttributes(const std::vector<AnswerCommand>& commands) {
  std::string report;
  std::string attributes;
  for (const AnswerCommand& command : commands) {
    if (command.kind == AnswerCommand::Kind::Bz) {
      report += "It repeats the drawing's \"bz\" line.\n";
      continue;
    }
    const std::string text = AttributeText(command);
    if (text.empty()) continue;
    attributes += (attributes.empty() ? "" : ", ") + text;
  }
  if (!attributes.empty()) report += "Attributes set: " + attributes + ".\n";
  return report;
}

// The points in runs of the same kind, look and place, each run headed by
// what its points are and where they go.
class TPointGroups {
 public:
  void Add(const std::string& noun, const std::string& head, const AnswerCommand& command) {
    if (noun != noun_ || head != head_) Flush();
    noun_ = noun;
    head_ = head;
    points_ += "  (" + command.x + ", " + command.y + ")\n";
    ++count_;
    ++total_;
  }
  // Ends the run being collected; the report so far.
  std::string Report() {
    Flush();
    if (total_ == 0) report_ += "No points to draw.\n";
    return report_;
  }

 private:
  void Flush() {
    if (count_ == 0) return;
    report_ += std::to_string(count_) + " " + noun_ + (count_ == 1 ? " " : "s ") + head_ + ":\n" + points_;
    points_.clear();
    count_ = 0;
  }

  std::string report_;
  std::string noun_;  // "point" or "point marker"
  std::string head_;
  std::string points_;
  int count_ = 0;
  int total_ = 0;
};

std::string DescribePoints(const std::vector<AnswerCommand>& commands) {
  HostState state;
  TPointGroups groups;
  for (const AnswerCommand& command : commands) {
    using Kind = AnswerCommand::Kind;
    switch (command.kind) {
      case Kind::LayerGroup: state.lg = command.value; break;
      case Kind::Layer: state.ly = command.value; break;
      case Kind::PointColor: state.pn = command.value; break;
      case Kind::Point: groups.Add("point", PlaceText(state), command); break;
      case Kind::PointMarker:
        groups.Add("point marker",
                   MarkerShape(command.value) + " (kind " + std::to_string(command.value) +
                       "), scale " + command.scale +
                       (command.aux == "0" ? "" : ", aux " + command.aux) + ", " + PlaceText(state),
                   command);
        break;
      default: break;
    }
  }
  return groups.Report();
}

}  // namespace

std::string DescribeAnswer(const std::vector<AnswerCommand>& commands) {
  if (commands.size() == 1 && commands[0].kind == AnswerCommand::Kind::NoChange) {
    return "The tool answered \"hq\": nothing changes in the drawing.\n";
  }
  return "The tool answered with " + std::to_string(commands.size()) +
         (commands.size() == 1 ? " command line.\n" : " command lines.\n") +
         DescribeAttributes(commands) + DescribePoints(commands);
}

std::string PrintableBytes(std::string_view bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}
