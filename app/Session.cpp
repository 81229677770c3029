#include "app/Session.h"

#include <exception>
#include <system_error>
#include <utility>

#include "app/ProgramPath.h"
#include "common/FloatEnvironment.h"
#include "common/MyFunc.h"
#include "common/SelfCheck.h"
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

// "ほかのプログラム（ウイルス対策ソフト、バックアップや同期のソフトなど）がこのファイルを使っています。しばらく待ってから［再試行］を押してください。"
constexpr char kHeldCause[] =
    "\x82\xd9\x82\xa9\x82\xcc\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x81\x69\x83\x45\x83\x43\x83\x8b"
    "\x83\x58\x91\xce\x8d\xf4\x83\x5c\x83\x74\x83\x67\x81\x41\x83\x6f\x83\x62\x83\x4e\x83\x41\x83\x62"
    "\x83\x76\x82\xe2\x93\xaf\x8a\xfa\x82\xcc\x83\x5c\x83\x74\x83\x67\x82\xc8\x82\xc7\x81\x6a\x82\xaa"
    "\x82\xb1\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x8e\x67\x82\xc1\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb7\x81\x42\x82\xb5\x82\xce\x82\xe7\x82\xad\x91\xd2\x82\xc1\x82\xc4\x82\xa9\x82\xe7\x81\x6d"
    "\x8d\xc4\x8e\x8e\x8d\x73\x81\x6e\x82\xf0\x89\x9f\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2"
    "\x81\x42";
// "q527 フォルダに書き込めません（アクセス拒否、読み取り専用、コントロールされたフォルダー アクセスなど）。q527 フォルダを、書き込みのできる場所に移してください。"
constexpr char kDeniedCause[] =
    "q527 \x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9"
    "\x82\xf1\x81\x69\x83\x41\x83\x4e\x83\x5a\x83\x58\x8b\x91\x94\xdb\x81\x41\x93\xc7\x82\xdd\x8e\xe6"
    "\x82\xe8\x90\xea\x97\x70\x81\x41\x83\x52\x83\x93\x83\x67\x83\x8d\x81\x5b\x83\x8b\x82\xb3\x82\xea"
    "\x82\xbd\x83\x74\x83\x48\x83\x8b\x83\x5f\x81\x5b \x83\x41\x83\x4e\x83\x5a\x83\x58\x82\xc8\x82\xc7"
    "\x81\x6a\x81\x42q527 \x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x81\x41\x8f\x91\x82\xab\x8d\x9e"
    "\x82\xdd\x82\xcc\x82\xc5\x82\xab\x82\xe9\x8f\xea\x8f\x8a\x82\xc9\x88\xda\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2\x81\x42";
// "ディスクの空き容量が足りません。空きを作ってから［再試行］を押してください。"
constexpr char kDiskFullCause[] =
    "\x83\x66\x83\x42\x83\x58\x83\x4e\x82\xcc\x8b\xf3\x82\xab\x97\x65\x97\xca\x82\xaa\x91\xab\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1\x81\x42\x8b\xf3\x82\xab\x82\xf0\x8d\xec\x82\xc1\x82\xc4\x82\xa9\x82\xe7"
    "\x81\x6d\x8d\xc4\x8e\x8e\x8d\x73\x81\x6e\x82\xf0\x89\x9f\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\x81\x42";
// "［再試行］でもう一度書き込みます。［キャンセル］では作図しません。"
constexpr char kRetryOrCancel[] =
    "\x81\x6d\x8d\xc4\x8e\x8e\x8d\x73\x81\x6e\x82\xc5\x82\xe0\x82\xa4\x88\xea\x93\x78\x8f\x91\x82\xab"
    "\x8d\x9e\x82\xdd\x82\xdc\x82\xb7\x81\x42\x81\x6d\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b\x81\x6e"
    "\x82\xc5\x82\xcd\x8d\xec\x90\x7d\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// "このパソコンでは、端点の計算がこのツールの必要とする結果になりません（浮動小数点演算の結果が異なります）。\n誤った位置に点を作図しないよう、何も作図せずに終了します。"
constexpr char kComputesDifferentlyText[] =
    "\x82\xb1\x82\xcc\x83\x70\x83\x5c\x83\x52\x83\x93\x82\xc5\x82\xcd\x81\x41\x92\x5b\x93\x5f\x82\xcc"
    "\x8c\x76\x8e\x5a\x82\xaa\x82\xb1\x82\xcc\x83\x63\x81\x5b\x83\x8b\x82\xcc\x95\x4b\x97\x76\x82\xc6"
    "\x82\xb7\x82\xe9\x8c\x8b\x89\xca\x82\xc9\x82\xc8\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x69\x95\x82"
    "\x93\xae\x8f\xac\x90\x94\x93\x5f\x89\x89\x8e\x5a\x82\xcc\x8c\x8b\x89\xca\x82\xaa\x88\xd9\x82\xc8"
    "\x82\xe8\x82\xdc\x82\xb7\x81\x6a\x81\x42\n\x8c\xeb\x82\xc1\x82\xbd\x88\xca\x92\x75\x82\xc9\x93\x5f"
    "\x82\xf0\x8d\xec\x90\x7d\x82\xb5\x82\xc8\x82\xa2\x82\xe6\x82\xa4\x81\x41\x89\xbd\x82\xe0\x8d\xec"
    "\x90\x7d\x82\xb9\x82\xb8\x82\xc9\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb7\x81\x42";

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

const std::string_view ComputesDifferentlyText = kComputesDifferentlyText;

std::string WriteFaultText(TWriteFault fault) {
  std::string text(AnswerNotWrittenText.substr(0, AnswerNotWrittenText.find('\n') + 1));
  switch (fault) {
    case TWriteFault::Held: text += kHeldCause; break;
    case TWriteFault::Denied: text += kDeniedCause; break;
    case TWriteFault::DiskFull: text += kDiskFullCause; break;
    default: text = AnswerNotWrittenText; break;
  }
  text += "\n\n";
  text += kRetryOrCancel;
  return text;
}

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

std::string ShownScale(double scale) {
  const TFloatEnvironment tool;
  return FormatGeneral(scale);
}

double CaptureScale(std::string_view scaleText) {
  const TFloatEnvironment tool;
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
  const TFloatEnvironment tool;
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

bool TSession::Produce(const TSettings& settings, const TShowStatus& showStatus) {
  const TFloatEnvironment tool;
  // A status line repainted runs other programs' hooks on this thread.
  const TShowStatus show = [&showStatus](std::string_view text) {
    if (showStatus) showStatus(text);
    TFloatEnvironment::Reassert();
  };
  // Nothing is saved or produced on a computer that computes differently.
  if (!selfCheck_()) return false;
  // The choices are saved before any command is produced, and only here.
  SaveSettings(paths_.Settings, settings);
  try {
    EmitAttributes(settings);
    placed_.Clear();
    EndPointWalk(ChoicesOf(settings), placed_, show);
    placed_.Clear();
  } catch (const std::exception&) {
    DiscardProduction(show);
    throw;
  }
  show(MakingFileText);
  return true;
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

TWriteFault TSession::WriteAnswer() noexcept {
  if (released_) return written_ ? TWriteFault::None : TWriteFault::Other;
  const TFloatEnvironment tool;
  TWriteFault fault = TWriteFault::Other;
  // A failed write removes the partial file itself; the answer stays in the
  // buffer for another try.
  written_ = WriteCommandFile(paths_.Exchange, &fault);
  return fault;
}

void TSession::Release() noexcept {
  if (released_) return;
  released_ = true;
  JwwFree();
}

bool TSession::Close() noexcept {
  if (!released_) {
    WriteAnswer();
    Release();
  }
  return written_;
}
