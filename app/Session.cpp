#include "app/Session.h"

#include <exception>
#include <system_error>
#include <utility>

#include "app/ProgramPath.h"
#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"

namespace {

// Pieces of the status line (Shift-JIS); each from the second on begins with
// a full-width space.
constexpr char kLinesLabel[] = "\x90\xfc\x95\xaa\x81\x46";                       // "線分："
constexpr char kArcsLabel[] = "\x81\x40\x89\x7e\x8c\xca\x81\x46";                // "　円弧："
constexpr char kSolidLinesLabel[] = "\x81\x40\x90\xfc\x8c\x60" "S\x81\x46";      // "　線形S："
constexpr char kSolidPolygonsLabel[] = "\x81\x40\x91\xbd\x8a\x70" "S\x81\x46";   // "　多角S："
constexpr char kSolidCirclesLabel[] = "\x81\x40\x89\x7e" "S\x81\x46";            // "　円S："
constexpr char kSolidCircumsLabel[] = "\x81\x40\x89\x7e\x8e\xfc" "S\x81\x46";    // "　円周S："
constexpr char kSolidRingsLabel[] = "\x81\x40\x89\x7e\x8a\xc2" "S\x81\x46";      // "　円環S："

// "倍率の値が大きすぎます："
constexpr char kScaleTooLarge[] =
    "\x94\x7b\x97\xa6\x82\xcc\x92\x6c\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xdc\x82\xb7"
    "\x81\x46";

// The line type and width of the new points: line type number 1, width 0.
constexpr int32_t kPointLineType = 1;
constexpr int32_t kPointLineWidth = 0;
// The colour-list index is a list index, the line type a plain number.
constexpr int32_t kMapListIndex = 1;
constexpr int32_t kMapNone = 0;

// Set once the dialog or AnswerIfUnanswered has answered the host.
bool answered = false;

}  // namespace

const std::string_view MakingFileText =
    "\x83\x74\x83\x40\x83\x43\x83\x8b\x90\xb6\x90\xac\x92\x86\x82\xc5\x82\xb7";  // "ファイル生成中です"

const std::string_view AnswerNotWrittenText =
    "\x8d\xec\x90\x7d\x8c\x8b\x89\xca\x82\xf0 JWC_TEMP.TXT \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf"
    "\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42\n"
    "q527 \x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x81\x41\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xcc"
    "\x82\xc5\x82\xab\x82\xe9\x8f\xea\x8f\x8a\x82\xc9\x88\xda\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\x81\x42";

TRunPaths RunPathsOf(const std::filesystem::path& program) {
  TRunPaths paths;
  paths.Program = program.empty() ? RunningProgramPath() : program;
  std::error_code ignored;
  if (!paths.Program.empty()) {
    const std::filesystem::path absolute = std::filesystem::absolute(paths.Program, ignored);
    if (!absolute.empty()) paths.Program = absolute;
  }
  paths.Folder = paths.Program.parent_path();
  paths.Exchange = paths.Folder / JwwExchangeFileName;
  paths.Settings = SettingsPath(paths.Program);
  return paths;
}

std::string CountsText() {
  std::string text = kLinesLabel;
  text += IntToText(JwwLineCount);
  text += kArcsLabel;
  text += IntToText(JwwArcCount);
  text += kSolidLinesLabel;
  text += IntToText(JwwSolidLineCount);
  text += kSolidPolygonsLabel;
  text += IntToText(JwwSolidTriCount + JwwSolidQuadCount);
  text += kSolidCirclesLabel;
  text += IntToText(JwwSolidCircleCount);
  text += kSolidCircumsLabel;
  text += IntToText(JwwSolidCircumCount);
  text += kSolidRingsLabel;
  text += IntToText(JwwSolidRingCount + JwwSolidRingWCount);
  return text;
}

std::string ScaleTooLargeText(std::string_view scaleText) {
  std::string text = kScaleTooLarge;
  text += scaleText;
  return text;
}

double CaptureScale(std::string_view scaleText) {
  const double scale = TextToFloat(scaleText);
  // Empty text, text that is no number, zero and negative scales all mean 1.
  return scale > 0.0 ? scale : 1.0;
}

void MarkAnswered() noexcept { answered = true; }

bool AnswerIfUnanswered() noexcept {
  if (answered) return true;
  answered = true;
  try {
    const TRunPaths paths = RunPathsOf({});
    if (paths.Program.empty()) return false;
    JwwClearOut();
    return WriteCommandFile(paths.Exchange);
  } catch (...) {
    // Memory ran out: there is nothing left to answer with.
    return false;
  }
}

TSession::TSession(const std::filesystem::path& program) : paths_(RunPathsOf(program)) {}

TSession::TSession(TRunPaths paths) : paths_(std::move(paths)) {}

TSettings TSession::Open() {
  TSettings settings;
  try {
    JwwInit();
    // The outcome is not looked at: a missing file reads as an empty drawing.
    JwwReadFile(paths_.Exchange);
    // The reader's state becomes the output's change tracking only now.
    ResetEmitState();
    LoadSettings(paths_.Settings, settings);
  } catch (const std::exception&) {
    // Only exhausted memory gets here; the dialog opens with what it has.
  }
  return settings;
}

void TSession::Produce(const TSettings& settings, const TShowStatus& showStatus) {
  // The choices are saved before any command is produced, and only here.
  SaveSettings(paths_.Settings, settings);
  try {
    EmitAttributes(settings);
    placed_.Clear();
    EndPointWalk(ChoicesOf(settings), placed_, showStatus);
    placed_.Clear();
  } catch (const std::exception&) {
    DiscardProduction(showStatus);
    throw;
  }
  if (showStatus) showStatus(MakingFileText);
}

void TSession::EmitAttributes(const TSettings& settings) {
  if (BzFlag) AddCommandLine("bz");
  // The new points go onto the layer group and layer the file named first.
  EmitLayerGroup(HostLg);
  EmitLayer(HostLy);
  EmitLineColor(settings.ColorIndex, kMapListIndex);
  EmitPointColor(settings.ColorIndex, kMapListIndex);
  EmitLineType(kPointLineType, kMapNone);
  EmitLineWidth(kPointLineWidth);
}

void TSession::DiscardProduction(const TShowStatus& showStatus) {
  // A partial answer must never reach the host: the close answers "hq".
  placed_.Clear();
  JwwClearOut();
  ResetEmitState();
  if (showStatus) showStatus(CountsText());
}

bool TSession::Close() noexcept {
  if (closed_) return written_;
  closed_ = true;
  // A failed write removes the partial file itself; the dialog closes all
  // the same, and its front-end decides what the user is told.
  written_ = WriteCommandFile(paths_.Exchange);
  JwwFree();
  return written_;
}
