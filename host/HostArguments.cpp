#include "host/HostArguments.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <string_view>

namespace {

constexpr char kUsageText[] =
    "usage: q527-host DRAWING [--tool PATH] [--png OUT.png] [--svg OUT.svg]\n"
    "Copies DRAWING to JWC_TEMP.TXT beside the tool, starts the tool, waits for it,\n"
    "checks its answer and reports what the host would draw.\n"
    "The tool defaults to the q527 beside q527-host, or to ../app/q527 in a build tree.\n"
    "--png and --svg draw the drawing with the answer's new points on top.\n";

const QString kHelpShort = QStringLiteral("-h");
const QString kHelpLong = QStringLiteral("--help");

// The options of q527-host read from arguments (the program's name first).
class HostParser {
 public:
  explicit HostParser(const QStringList& arguments) {
    parser_.addOptions({help_, tool_, png_, svg_});
    parsed_ = parser_.parse(arguments);
    given_ = arguments.mid(1);
  }

  // True when -h or --help stands among the options; "--h" or "-hh" do not ask.
  bool AsksForHelp() const {
    return parser_.isSet(help_) && (given_.contains(kHelpShort) || given_.contains(kHelpLong));
  }

  // True when the arguments are no command line of q527-host, whatever may
  // follow them: an unknown option, a missing value, two drawings, a lone
  // "-", or "--" (which ends no options here).
  bool Wrong() const {
    const QStringList drawings = parser_.positionalArguments();
    return !parsed_ || (parser_.isSet(help_) && !AsksForHelp()) || drawings.size() > 1 ||
           (!drawings.isEmpty() && drawings[0].startsWith(QLatin1Char('-'))) ||
           given_.contains(QStringLiteral("--"));
  }

  HostArguments Arguments() const {
    HostArguments arguments;
    const QStringList drawings = parser_.positionalArguments();
    if (!drawings.isEmpty()) arguments.drawing = drawings[0];
    arguments.tool = parser_.value(tool_);
    arguments.png = parser_.value(png_);
    arguments.svg = parser_.value(svg_);
    return arguments;
  }

 private:
  QCommandLineParser parser_;
  const QCommandLineOption help_{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
  const QCommandLineOption tool_{QStringLiteral("tool"), QString(), QStringLiteral("PATH")};
  const QCommandLineOption png_{QStringLiteral("png"), QString(), QStringLiteral("OUT.png")};
  const QCommandLineOption svg_{QStringLiteral("svg"), QString(), QStringLiteral("OUT.svg")};
  bool parsed_ = false;
  QStringList given_;
};

// True when help is asked for before anything wrong: read from left to right,
// the first -h or --help that is an option (not the value of one) answers at
// once unless the arguments before it are already wrong.
bool HelpComesFirst(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] != kHelpShort && arguments[i] != kHelpLong) continue;
    if (!HostParser(arguments.mid(0, i + 1)).AsksForHelp()) continue;
    return !HostParser(arguments.mid(0, i)).Wrong();
  }
  return false;
}

HostArguments Ended(HostStatus status) {
  std::fputs(kUsageText, status == kOk ? stdout : stderr);
  HostArguments arguments;
  arguments.end = status;
  return arguments;
}

}  // namespace

bool AsksForPicture(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--png") || arg.starts_with("--svg")) return true;
  }
  return false;
}

HostArguments ParseHostArguments(const QStringList& arguments, bool picture) {
  const HostParser parser(arguments);
  if (parser.AsksForHelp() && HelpComesFirst(arguments)) return Ended(kOk);
  if (parser.Wrong() || parser.AsksForHelp()) return Ended(kUsage);
  HostArguments result = parser.Arguments();
  if (result.drawing.isEmpty() || (picture && result.png.isEmpty() && result.svg.isEmpty())) {
    return Ended(kUsage);
  }
  return result;
}
