// The command line of q527-host:
//   q527-host DRAWING [--tool PATH] [--png OUT.png] [--svg OUT.svg]
// with -h or --help for the usage, and --tool=PATH, --png=OUT.png and
// --svg=OUT.svg as well.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "host/HostProgram.h"

// True when the arguments ask for a picture (any argument beginning with
// "--png" or "--svg"): then the toolkit's painting and fonts are needed,
// though never a screen. Looks at argv before the toolkit starts.
bool AsksForPicture(int argc, char* argv[]);

// What the command line asks for.
struct HostArguments {
  QString drawing;  // never empty unless end holds a value
  QString tool;     // empty: the default tool
  QString png;      // empty: no PNG
  QString svg;      // empty: no SVG
  // Set when q527-host ends here, the usage printed: kOk for --help (on
  // standard output), kUsage for a command line it does not take (on
  // standard error).
  std::optional<HostStatus> end;
};

// Reads the command line (arguments[0] is the program); picture is what
// AsksForPicture told, and then --png or --svg must name a file.
HostArguments ParseHostArguments(const QStringList& arguments, bool picture);
