// The dialog unit: the program's one window, built from the dialog's layout,
// and its handlers, which hand the run's steps to the session: read on show,
// produce on "ＯＫ(&Y)", write on every close.
#pragma once

#include <QDialog>

#include <filesystem>
#include <string_view>

#include "app/Session.h"
#include "app/Settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TImeOffEdit;

// The dialog "端点に点を作図". Every way of closing it runs FormClose once.
class TForm1 : public QDialog {
  Q_OBJECT

 public:
  // program: the program's full path; empty for the running executable.
  // The program folder, the exchange file and the settings file derive from it.
  explicit TForm1(const std::filesystem::path& program = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  QGroupBox* GroupBox1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox4;
  QCheckBox* CheckBox5;
  QCheckBox* CheckBox6;
  QCheckBox* CheckBox7;
  QGroupBox* GroupBox2;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QLabel* Label1;
  QComboBox* ComboBox1;
  QLabel* Label2;
  TImeOffEdit* Edit1;
  QLabel* Label3;
  QComboBox* ComboBox2;
  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QPushButton* Button2;
  QLabel* LabelA1;

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
  // Closing: the session writes the answer and releases the exchange state.
  // Runs once, from done().
  void FormClose();
  // Empties ComboBox2 and fills it with its 266 colour items; no selection.
  void FillColourList();
  // Shows the Shift-JIS text in the status line and paints it at once.
  void ShowStatus(std::string_view text);

  // The files of this run.
  const TRunPaths& Paths() const { return session_.Paths(); }

  // Every close route ends here: runs FormClose the first time only.
  void done(int result) override;
  // Runs FormShow on the first showing only, before the window exists on
  // the screen, so that it appears where the settings place it.
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  void FindControls();
  // The record from the controls; false, after the error message, when the
  // scale does not fit a double.
  bool CaptureSettings(TSettings& settings);
  void ShowSettings();

  TSession session_;
  bool shown_ = false;
  bool producing_ = false;
  bool closed_ = false;
};

// The program's dialog, set by the program entry.
extern TForm1* Form1;
