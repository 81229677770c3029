// The host's side of the answer: checks the command lines that the tool writes
// back into JWC_TEMP.TXT and tells in plain words what the host would draw.
// Standard library only; the answer is read as bytes and never converted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One well-formed command line of the answer.
struct AnswerCommand {
  enum class Kind {
    NoChange,     // "hq"
    Bz,           // "bz"
    LayerGroup,   // "lg" and one hex digit
    Layer,        // "ly" and one hex digit
    LineColor,    // "lc" and a decimal number
    PointColor,   // "pn" and a decimal number
    LineType,     // "lt" and a decimal number
    LineWidth,    // "lw" and a decimal number 0..30000
    Point,        // "pt x y"
    PointMarker,  // "pt x y scale aux kind"
  };
  Kind kind = Kind::NoChange;
  int value = 0;      // the attribute's value, or the marker kind
  std::string x, y;   // point coordinates, as written by the tool
  std::string scale;  // marker scale, as written
  std::string aux;    // marker aux value, as written
};

// The outcome of checking one line: a command, or the reason it is malformed.
struct AnswerLine {
  std::optional<AnswerCommand> command;
  std::string problem;  // empty when command holds a value
};

// Checks one line (without its line end) against the answer grammar. Blanks
// are single spaces between fields; nothing else is accepted before, after or
// inside a command.
AnswerLine ParseAnswerLine(std::string_view line);

// True when text is a real number exactly as the tool writes one: general
// format with at most 15 significant digits, "-" for negatives, no "+", no
// leading zeros other than "0.", no trailing zeros after the point, no
// trailing point; scientific form ("1E-5", "1.5E15") only where the fixed
// form does not apply, that is for exponents below -4 or above 14.
bool IsToolReal(std::string_view text);

// True when text is a decimal integer as the tool writes one ("0", "-12";
// no "+", no leading zeros, no "-0") within the signed 32-bit range; stores
// its value in value.
bool IsToolInteger(std::string_view text, int& value);

// The whole answer file checked line by line.
struct AnswerCheck {
  std::vector<AnswerCommand> commands;  // every line, in file order, when well formed
  int problemLine = 0;                  // 1-based line of the first fault; 0 for the whole file
  std::string problemText;              // that line's bytes, without the line end
  std::string problem;                  // empty when the answer is well formed

  bool Ok() const { return problem.empty(); }
};

// Splits the answer into lines, each ending in CR LF, and checks every line.
// The answer must hold at least one line; "hq" must stand alone.
AnswerCheck CheckAnswer(std::string_view bytes);

// What the host would do with a well-formed answer, as UTF-8 text of several
// lines: nothing changed for "hq"; otherwise the attributes set and the points
// or point markers to draw, grouped by the layer and colour in force.
std::string DescribeAnswer(const std::vector<AnswerCommand>& commands);

// Bytes shown safely in a message: printable ASCII as is, any other byte as
// \xNN.
std::string PrintableBytes(std::string_view bytes);
