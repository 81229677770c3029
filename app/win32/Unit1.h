// The dialog unit of the Windows build: the program's one window in plain
// Windows API, built from the dialog's layout, and its handlers, which hand
// the run's steps to the session: read on show, produce on "ＯＫ(&Y)", write
// on every close.
#pragma once

#include <windows.h>

#include <array>
#include <exception>
#include <filesystem>
#include <string_view>

#include "app/Layout.h"
#include "app/Session.h"
#include "app/Settings.h"

// The dialog "端点に点を作図". Every way of closing it runs FormClose once.
class TForm1 {
 public:
  // program: the program's full path; empty for the running executable.
  // The program folder, the exchange file and the settings file derive from it.
  explicit TForm1(const std::filesystem::path& program = {});
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Creates the window and its controls, not yet shown; false when the
  // window cannot be created.
  bool Create(HINSTANCE instance);
  // Runs FormShow, shows the window and handles its messages until it has
  // closed. An exception thrown by a handler ends the loop and passes on.
  void ShowModal();

  HWND Handle = nullptr;
  HWND GroupBox1 = nullptr;
  HWND CheckBox1 = nullptr;
  HWND CheckBox2 = nullptr;
  HWND CheckBox3 = nullptr;
  HWND CheckBox4 = nullptr;
  HWND CheckBox5 = nullptr;
  HWND CheckBox6 = nullptr;
  HWND CheckBox7 = nullptr;
  HWND GroupBox2 = nullptr;
  HWND RadioButton1 = nullptr;
  HWND RadioButton2 = nullptr;
  HWND Label1 = nullptr;
  HWND ComboBox1 = nullptr;
  HWND Label2 = nullptr;
  HWND Edit1 = nullptr;
  HWND Label3 = nullptr;
  HWND ComboBox2 = nullptr;
  HWND Memo1 = nullptr;
  HWND Button1 = nullptr;
  HWND Button2 = nullptr;
  HWND LabelA1 = nullptr;

  // The settings record the dialog shows and captures.
  TSettings Settings;

  // First showing: the session reads the exchange file and the settings;
  // the record goes into the controls, the colour list is filled and the
  // status line shows the entity counts.
  void FormShow();
  // "ＯＫ(&Y)": captures the record and has the session save it and produce
  // the commands, then closes. A scale too large for a double shows an error
  // and leaves the dialog open with nothing saved or produced.
  void Button1Click();
  // "キャンセル(&N)": closes the dialog; nothing is saved or produced.
  void Button2Click();
  // Closing: the session writes the answer and releases the exchange state;
  // an answer that could not be written is told in a message box over the
  // dialog. Runs once, from CloseForm.
  void FormClose();
  // Empties ComboBox2 and fills it with its 266 colour items; no selection.
  void FillColourList();
  // Shows the Shift-JIS text in the status line and paints it at once.
  void ShowStatus(std::string_view text);

  // The files of this run.
  const TRunPaths& Paths() const { return session_.Paths(); }
  // false once the close could not write the answer.
  bool AnswerWritten() const { return answerWritten_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildControls();
  void FindControls();
  HWND MakeControl(const TControlLayout& control, HWND previous);
  // The brush behind a control, its text's background set in dc, for a
  // WM_CTLCOLOR* message; nullptr for the system's own.
  HBRUSH ControlColour(UINT message, HWND control, HDC dc);
  // The record from the controls; false, after the error message, when the
  // scale does not fit a double.
  bool CaptureSettings(TSettings& settings);
  void ShowSettings();
  // Every close route ends here: runs FormClose the first time only and
  // destroys the window. While "ＯＫ(&Y)" runs, the close waits for it.
  void CloseForm();

  TSession session_;
  HINSTANCE instance_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH formBrush_ = nullptr;
  HBRUSH memoBrush_ = nullptr;
  HBRUSH statusBrush_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::array<HWND, Form1Controls.size()> controls_{};
  std::exception_ptr failure_;
  bool producing_ = false;
  bool closePending_ = false;
  bool closed_ = false;
  bool answerWritten_ = true;
};

// Tells the user in a message box, owned by owner (nullptr for none), that
// the answer could not be written and that the tool's folder must move
// somewhere writable. Returns once the box is dismissed.
void ShowAnswerNotWritten(HWND owner);

// Tells the user in a message box over owner why the answer could not be
// written, and asks whether to try again: true for "再試行", false for
// "キャンセル". Returns once the box is dismissed.
bool AskToWriteAgain(HWND owner, TWriteFault fault);

// The program's dialog, set by the program entry.
extern TForm1* Form1;
