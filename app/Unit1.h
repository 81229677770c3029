// The dialog unit: the program's one window, its controls, and the handlers
// that run the tool: read the exchange file on show, produce the commands on
// "ＯＫ(&Y)", write the answer on every close.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <QString>

#include <string>
#include <string_view>

#include "app/Settings.h"
#include "endpoints/EndPoints.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// Before the application object exists: keeps the layout in plain pixels,
// whatever the screen's resolution or the scaling the environment asks for.
void PrepareApplication();

// After the application object exists, before the first window: sets the
// program's title and a Japanese fallback for the dialog's font.
void SetupApplication();

// The program's title, "q527_端点に点を作図".
QString ApplicationTitle();

// The program's icon, drawn in code.
QIcon ProgramIcon();

// A one-line edit field that keeps the input method switched off and takes
// at most a given number of characters from the user's typing. Text set by
// the program is never cut.
class TImeOffEdit : public QLineEdit {
 public:
  TImeOffEdit(int maxChars, QWidget* parent);
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};

// The dialog "端点に点を作図". Every way of closing it runs FormClose once.
class TForm1 : public QDialog {
  Q_OBJECT

 public:
  // programPath: the program's full path; empty for the running executable.
  // The program folder, the exchange file and the settings file derive from it.
  explicit TForm1(const QString& programPath = QString(), QWidget* parent = nullptr);
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
  // The points placed by the end-point walk; empty outside it.
  TPlacedPointList PlacedPoints;

  // First showing: resets and reads the exchange state, loads the settings
  // into the controls, fills the colour list and shows the entity counts.
  void FormShow();
  // "ＯＫ(&Y)": captures and saves the settings, emits the attribute commands,
  // runs the end-point walk and closes. A scale too large for a double shows
  // an error and leaves the dialog open with nothing saved or produced.
  void Button1Click();
  // "キャンセル(&N)": closes the dialog; nothing is saved or produced.
  void Button2Click();
  // Closing: writes the command buffer to the exchange file, then releases
  // the exchange state. Runs once, from done().
  void FormClose();
  // Empties ComboBox2 and fills it with its 266 colour items; no selection.
  void FillColourList();
  // Shows the Shift-JIS text in the status line and paints it at once.
  void ShowStatus(std::string_view text);
  // Offers one end point to the walk's list with the choices of the last
  // "ＯＫ(&Y)".
  void PlacePoint(double x, double y);

  // The program folder, with its trailing separator.
  std::string ProgramFolder() const;
  // The program folder followed by "JWC_TEMP.TXT".
  std::string ExchangePath() const;
  // The settings file: the program path with the extension ".dat".
  std::string SettingsFilePath() const;

  // Every close route ends here: runs FormClose the first time only.
  void done(int result) override;
  // Runs FormShow on the first showing only, before the window exists on
  // the screen, so that it appears where the settings place it.
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  // The record from the controls; false, after the error message, when the
  // scale does not fit a double.
  bool CaptureSettings(TSettings& settings);
  void ShowSettings();
  // Drops a partial answer after a failed production.
  void DiscardProduction();

  std::string programPath_;
  std::string programFolder_;
  TEndPointChoices choices_;
  bool shown_ = false;
  bool producing_ = false;
  bool closed_ = false;
};

// The program's dialog, set by the program entry.
extern TForm1* Form1;
