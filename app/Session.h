// The run of the tool, the same under every front-end: what is read when the
// dialog is shown, what "ＯＫ(&Y)" produces and what closing writes, in their
// order. A front-end maps its widgets to the settings record and calls these
// steps; it holds no step of its own. No toolkit here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/Settings.h"
#include "common/FileOpen.h"
#include "common/SelfCheck.h"
#include "endpoints/EndPoints.h"

// The files of one run, all beside the program.
struct TRunPaths {
  std::filesystem::path Program;   // the executable, absolute
  std::filesystem::path Folder;    // its folder
  std::filesystem::path Exchange;  // "JWC_TEMP.TXT" in that folder
  std::filesystem::path Settings;  // the program's path with the extension ".dat"
};

// The paths of a program; the running executable's for an empty path.
TRunPaths RunPathsOf(const std::filesystem::path& program);

// The status line after reading: the count of each kind the exchange file
// delivered, "線分：12　円弧：3　..." in Shift-JIS.
std::string CountsText();

// The status line's last message, "ファイル生成中です".
extern const std::string_view MakingFileText;

// The message shown when the answer cannot be written, in Shift-JIS:
// "作図結果を JWC_TEMP.TXT に書き込めませんでした。" and, on a line of its
// own, "q527 フォルダを、書き込みのできる場所に移してください。".
extern const std::string_view AnswerNotWrittenText;

// The cause of a failed write told in words, with what the user can do, for
// a box that offers to try again ("再試行") or give up ("キャンセル");
// Shift-JIS. For an unknown cause, AnswerNotWrittenText.
std::string WriteFaultText(TWriteFault fault);

// The message shown when the self-check fails and nothing is drawn: this
// computer computes differently from what the tool needs; Shift-JIS.
extern const std::string_view ComputesDifferentlyText;

// The message shown when the typed scale is too large for a double,
// "倍率の値が大きすぎます：" followed by the typed text; Shift-JIS.
std::string ScaleTooLargeText(std::string_view scaleText);

// The scale as the dialog shows it (Shift-JIS), FormatGeneral's text.
std::string ShownScale(double scale);

// The scale the user typed (Shift-JIS): its value, or 1.0 for empty text,
// text that is no number, zero and negative numbers. Throws EFloatOverflow
// for a value too large for a double.
double CaptureScale(std::string_view scaleText);

// The program entry's promise to the host, which must never read its own
// selection back as commands. MarkAnswered: the dialog has closed, and its
// close has answered. AnswerIfUnanswered: unless it has, writes the
// no-change answer "hq" beside the running program, once; false when that
// writing failed. Neither throws.
void MarkAnswered() noexcept;
bool AnswerIfUnanswered() noexcept;

class TSession {
 public:
  // program: the executable's full path; empty for the running one.
  explicit TSession(const std::filesystem::path& program = {});
  // Over the files of paths, derived once for many runs.
  explicit TSession(TRunPaths paths);

  const TRunPaths& Paths() const { return paths_; }

  // The dialog is shown: resets the exchange state, reads the exchange file,
  // prepares the output's change tracking and loads the settings, which it
  // returns. A missing or unreadable file is no error. Never throws.
  TSettings Open();

  // "ＯＫ(&Y)" with the captured record: first checks that this computer
  // computes what the tool needs (ComputesAsExpected), and when it does not,
  // saves and produces nothing and returns false: the close answers "hq".
  // Otherwise saves the record, emits "bz" and the attribute commands, runs
  // the end-point walk with its messages, shows the last message and returns
  // true. When memory runs out half-way the partial answer is dropped, the
  // counts are shown again and the exception passes on. Computes in the
  // tool's floating-point state, set again after every message shown.
  bool Produce(const TSettings& settings, const TShowStatus& showStatus);

  // The dialog closes: writes the answer and tells why it could not be
  // (TWriteFault::None when written). The answer stays, so that it can be
  // written again, until Release. Never throws.
  TWriteFault WriteAnswer() noexcept;
  // Releases the exchange state; later writes tell the last outcome.
  void Release() noexcept;
  // WriteAnswer once, then Release: false when the answer could not be
  // written (the partial file is gone). Later calls do nothing and tell the
  // same. Never throws.
  bool Close() noexcept;

  // The check Produce runs first; a test puts a failing one in its place.
  void SetSelfCheck(bool (*check)() noexcept) { selfCheck_ = check; }

 private:
  void EmitAttributes(const TSettings& settings);
  void DiscardProduction(const TShowStatus& showStatus);

  TRunPaths paths_;
  TPlacedPointList placed_;
  bool (*selfCheck_)() noexcept = ComputesAsExpected;
  bool released_ = false;
  bool written_ = false;
};
