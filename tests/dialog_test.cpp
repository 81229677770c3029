#include "app/qt/Unit1.h"
#include "app/qt/Application.h"
#include "app/qt/ImeOffEdit.h"
#include "app/Layout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <QtCore/qtestsupport_core.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "tests/support/TestSupport.h"

// Exported by the toolkit: offers a key press to the shortcut map first, as
// the window system's input does. True when a shortcut took the key.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace fs = std::filesystem;

namespace {

// One application for the whole test program, set up as the program entry
// does. A scale factor left in the environment must not reach the layout.
void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_SCALE_FACTOR", "1.5");
  PrepareApplication();
  static int argc = 1;
  static char name[] = "dialog_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  SetupApplication();
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Handles every event already queued, so that what they would cause has
// happened: for checks that something does not happen.
void DrainEvents() {
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
}

// Presses and releases a key in the window as the user would: shortcuts
// first, then the focus widget, then its parents.
void PressKey(QWidget* window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
              const QString& text = QString()) {
  QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
  if (!qt_sendShortcutOverrideEvent(target, 0, key, mods, text)) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
  }
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(target, &release);
}

// Records the text of a label each time it is painted.
class TPaintLog : public QObject {
 public:
  explicit TPaintLog(QLabel* label) : label_(label) { label->installEventFilter(this); }
  std::vector<std::string> Texts;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Paint)
      Texts.push_back(label_->text().toStdString());
    return false;
  }

 private:
  QLabel* label_;
};

const char kTypicalExchange[] = "lg2\r\nly5\r\nlc1\r\n0 0 100 0\r\n100 0 100 50\r\n";
const char kTypicalAnswer[] =
    "lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 100 0\r\npt 100 50\r\n";
const char kNoChange[] = "hq\r\n";

class DialogTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    EnsureApplication();
  }

  // A dialog whose program lies in folder (default: the test's folder).
  std::unique_ptr<TForm1> Make(const fs::path& folder = {}) {
    const fs::path program = (folder.empty() ? Dir() : folder) / "q527";
    return std::make_unique<TForm1>(program);
  }

  // Shows the dialog and waits until it is active on the screen.
  std::unique_ptr<TForm1> Open(const fs::path& folder = {}) {
    auto form = Make(folder);
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return form->windowHandle() != nullptr && form->windowHandle()->isExposed() &&
             QApplication::activeWindow() == form.get();
    }));
    return form;
  }

  // Presses "ＯＫ(&Y)" and waits for the dialog to close.
  void PressOk(TForm1& form) {
    form.Button1->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
  }

  fs::path ExchangeFile(const fs::path& folder = {}) const {
    return (folder.empty() ? Dir() : folder) / "JWC_TEMP.TXT";
  }
  fs::path SettingsFile() const { return Dir() / "q527.dat"; }
  void WriteExchange(std::string_view bytes) { WriteBytes(ExchangeFile(), bytes); }
  void WriteSettings(std::string_view bytes) { WriteBytes(SettingsFile(), bytes); }
  std::string SavedSettings() const { return ReadBytes(SettingsFile()); }
  std::string Answer() const { return ReadBytes(ExchangeFile()); }
};

// ---- Layout ----------------------------------------------------------------------

// The widgets are built from the layout table (whose own test holds it
// against the dialog's layout): each control once, as the table says.
TEST_F(DialogTest, ControlsFollowTheLayoutTable) {
  auto form = Make();
  TForm1& f = *form;
  const std::map<TControlKind, const char*> classes = {
      {TControlKind::GroupBox, "QGroupBox"},     {TControlKind::CheckBox, "QCheckBox"},
      {TControlKind::RadioButton, "QRadioButton"}, {TControlKind::Label, "QLabel"},
      {TControlKind::DropDownList, "QComboBox"}, {TControlKind::Edit, "QLineEdit"},
      {TControlKind::Memo, "QPlainTextEdit"},    {TControlKind::PushButton, "QPushButton"},
      {TControlKind::StatusLabel, "QLabel"}};
  const auto named = [&](std::string_view name) -> QWidget* {
    if (name.empty()) return &f;
    return f.findChild<QWidget*>(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  };
  for (const TControlLayout& control : Form1Controls) {
    QWidget* widget = named(control.Name);
    ASSERT_NE(nullptr, widget) << control.Name;
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_TRUE(widget->inherits(classes.at(control.Kind)));
    EXPECT_EQ(named(control.Parent), widget->parentWidget());
    EXPECT_EQ(QRect(control.Left, control.Top, control.Width, control.Height), widget->geometry());
    QString caption;
    if (auto* box = qobject_cast<QGroupBox*>(widget)) caption = box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) caption = button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) caption = edit->text();
    EXPECT_EQ(QString::fromStdString(Utf8(control.Caption)), caption);
    if (auto* label = qobject_cast<QLabel*>(widget); label && !control.Names.empty()) {
      EXPECT_EQ(named(control.Names), label->buddy());
    }
  }
  EXPECT_EQ(f.ComboBox1, named("ComboBox1"));
  EXPECT_EQ(f.LabelA1, named("LabelA1"));
  ASSERT_EQ(static_cast<int>(MarkerItems.size()), f.ComboBox1->count());
  for (int i = 0; i < f.ComboBox1->count(); ++i)
    EXPECT_EQ(QString::fromStdString(Utf8(MarkerItems[i])), f.ComboBox1->itemText(i));
  EXPECT_EQ(0, f.ComboBox1->currentIndex());
}

TEST_F(DialogTest, WindowStyle) {
  auto form = Open();
  TForm1& f = *form;
  EXPECT_EQ(U("端点に点を作図"), f.windowTitle());
  EXPECT_EQ(U("q527_端点に点を作図"), QCoreApplication::applicationName());
  const Qt::WindowFlags flags = f.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(QSize(467, 240), f.minimumSize());
  EXPECT_EQ(QSize(467, 240), f.maximumSize());
  // Unscaled although the environment asked for a factor of 1.5.
  EXPECT_EQ(QSize(467, 240), f.grab().size());
  EXPECT_FALSE(f.windowIcon().isNull());
  const QFontInfo font(f.font());
  EXPECT_EQ(13, font.pixelSize());
  EXPECT_NE(U("DejaVu Sans"), font.family());
  const QFontMetrics metrics(f.Button2->font());
  EXPECT_LT(metrics.horizontalAdvance(U("キャンセル(N)")), f.Button2->width());
}

TEST_F(DialogTest, TabOrderFollowsTheTable) {
  auto form = Make();
  TForm1& f = *form;
  std::vector<QString> expected;
  for (const TControlLayout* control : TabChain())
    expected.push_back(QString::fromLatin1(control->Name.data(), static_cast<qsizetype>(control->Name.size())));
  std::vector<QString> chain;
  QWidget* w = f.CheckBox1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName());
    w = w->nextInFocusChain();
  } while (w != f.CheckBox1 && chain.size() < 40);
  EXPECT_EQ(expected, chain);
  EXPECT_FALSE(f.Memo1->focusPolicy() & Qt::TabFocus);
}

TEST_F(DialogTest, MemoHoldsItsFifteenLines) {
  auto form = Make();
  const QPlainTextEdit* memo = form->Memo1;
  QStringList expected;
  for (const std::string_view line : Memo1Lines) expected << QString::fromStdString(Utf8(line));
  EXPECT_EQ(expected, memo->toPlainText().split(QLatin1Char('\n')));
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(QPlainTextEdit::NoWrap, memo->lineWrapMode());
  EXPECT_EQ(Qt::ScrollBarAlwaysOn, memo->verticalScrollBarPolicy());
}

TEST_F(DialogTest, ColoursOnScreen) {
  auto form = Open();
  TForm1& f = *form;
  const QImage image = f.grab().toImage();
  EXPECT_EQ(QColor(255, 255, 255), image.pixelColor(2, 2));
  EXPECT_EQ(QColor(231, 231, 231), image.pixelColor(2, 230));
  EXPECT_EQ(QColor(231, 231, 231), image.pixelColor(464, 217));
  const QPoint inMemo = f.Memo1->viewport()->mapTo(&f, QPoint(1, 1));
  EXPECT_EQ(QColor(187, 235, 244), image.pixelColor(inMemo));
}

TEST_F(DialogTest, InputMethodIsOffInTheFields) {
  auto form = Make();
  EXPECT_FALSE(form->Edit1->inputMethodQuery(Qt::ImEnabled).toBool());
  EXPECT_FALSE(form->ComboBox1->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_FALSE(form->ComboBox2->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(DialogTest, ScaleFieldTakesSixteenTypedCharacters) {
  auto form = Open();
  TForm1& f = *form;
  f.Edit1->setFocus();
  f.Edit1->clear();
  for (const char c : std::string("12345678901234567890"))
    PressKey(&f, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QLatin1Char(c)));
  EXPECT_EQ(U("1234567890123456"), f.Edit1->text());
}

TEST_F(DialogTest, ColourList) {
  auto form = Open();
  QComboBox* list = form->ComboBox2;
  ASSERT_EQ(ColourListCount, list->count());
  for (int i = ColourListFirst; i <= ColourListLast; ++i)
    EXPECT_EQ(QString::fromStdString(Utf8(ColourItem(i))), list->itemText(i)) << i;
  form->FillColourList();
  EXPECT_EQ(ColourListCount, list->count());
  EXPECT_EQ(-1, list->currentIndex());
}

// ---- Show and close ----------------------------------------------------------

TEST_F(DialogTest, EveryCloseRouteWritesTheAnswerOnce) {
  const struct {
    const char* name;
    std::function<void(TForm1&)> close;
    bool ok;
  } routes[] = {
      {"OK button", [](TForm1& f) { f.Button1->click(); }, true},
      {"Cancel button", [](TForm1& f) { f.Button2->click(); }, false},
      {"Esc", [](TForm1& f) { PressKey(&f, Qt::Key_Escape); }, false},
      {"Enter", [](TForm1& f) { PressKey(&f, Qt::Key_Return, {}, U("\r")); }, true},
      {"keypad Enter", [](TForm1& f) { PressKey(&f, Qt::Key_Enter, Qt::KeypadModifier, U("\r")); },
       true},
      {"Enter on the focused cancel button",
       [](TForm1& f) {
         f.Button2->setFocus();
         PressKey(&f, Qt::Key_Return, {}, U("\r"));
       },
       false},
      {"Enter in the memo",
       [](TForm1& f) {
         f.Memo1->setFocus();
         PressKey(&f, Qt::Key_Return, {}, U("\r"));
       },
       true},
      {"Enter in the scale field",
       [](TForm1& f) {
         f.Edit1->setFocus();
         PressKey(&f, Qt::Key_Return, {}, U("\r"));
       },
       true},
      {"Alt+Y", [](TForm1& f) { PressKey(&f, Qt::Key_Y, Qt::AltModifier, U("y")); }, true},
      {"Alt+N", [](TForm1& f) { PressKey(&f, Qt::Key_N, Qt::AltModifier, U("n")); }, false},
      {"window close", [](TForm1& f) { f.close(); }, false},
  };
  int n = 0;
  for (const auto& route : routes) {
    SCOPED_TRACE(route.name);
    const fs::path folder = Dir() / ("run" + std::to_string(n++));
    fs::create_directory(folder);
    WriteBytes(ExchangeFile(folder), kTypicalExchange);
    auto form = Open(folder);
    route.close(*form);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    EXPECT_EQ(route.ok ? kTypicalAnswer : kNoChange, ReadBytes(ExchangeFile(folder)));
    EXPECT_EQ(route.ok, fs::exists(folder / "q527.dat"));

    // Closing again by any route writes nothing more.
    fs::remove(ExchangeFile(folder));
    form->Button1->click();
    form->Button2->click();
    form->close();
    form->accept();
    form->reject();
    DrainEvents();
    EXPECT_FALSE(fs::exists(ExchangeFile(folder)));
  }
}

TEST_F(DialogTest, CancelRightAfterOpeningAnswersNoChange) {
  WriteExchange(std::string(kTypicalExchange) + "bz\r\n");
  auto form = Open();
  form->Button2->click();
  EXPECT_EQ("hq\r\n", Answer());
  EXPECT_FALSE(fs::exists(SettingsFile()));
}

TEST_F(DialogTest, NoExchangeFileShowsZeroCountsAndClosingCreatesIt) {
  auto form = Open();
  EXPECT_EQ(U("線分：0　円弧：0　線形S：0　多角S：0　円S：0　円周S：0　円環S：0"),
            form->LabelA1->text());
  form->reject();
  EXPECT_EQ("hq\r\n", Answer());
}

TEST_F(DialogTest, AcceleratorsMoveTheFocusIntoTheGroups) {
  auto form = Open();
  TForm1& f = *form;
  f.Button2->setFocus();
  PressKey(&f, Qt::Key_E, Qt::AltModifier, U("e"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.focusWidget()->parentWidget() == f.GroupBox1; }));
  PressKey(&f, Qt::Key_S, Qt::AltModifier, U("s"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.focusWidget()->parentWidget() == f.GroupBox2; }));
  EXPECT_TRUE(f.isVisible());
}

TEST_F(DialogTest, FilesAreReadOnTheFirstShowingOnly) {
  WriteExchange(kTypicalExchange);
  auto form = Open();
  TForm1& f = *form;
  const QString status = f.LabelA1->text();
  WriteExchange("0 0 1 1\r\n0 0 2 2\r\n0 0 3 3\r\nbz\r\n");
  WriteSettings("10\r\n20\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n3\r\n4\r\n7\r\n");
  f.showMinimized();
  DrainEvents();
  f.showNormal();
  f.hide();
  f.show();
  DrainEvents();
  EXPECT_EQ(status, f.LabelA1->text());
  EXPECT_EQ(2, JwwLineCount);
  EXPECT_TRUE(f.CheckBox1->isChecked());
  EXPECT_EQ(U("1"), f.Edit1->text());
  f.Button1->click();
  EXPECT_EQ(kTypicalAnswer, Answer());
}

TEST_F(DialogTest, SettingsShownInTheControls) {
  struct Expect {
    QPoint pos;
    bool kinds;
    bool markers;
    int marker;
    const char* scale;
    int colour;
  };
  const struct {
    const char* name;
    const char* file;  // nullptr: no settings file
    Expect want;
  } cases[] = {
      {"no file", nullptr, {{0, 0}, true, false, 0, "1", 0}},
      {"empty file", "", {{0, 0}, false, false, 0, "0", 0}},
      {"two lines", "100\r\n200\r\n", {{100, 200}, false, false, 0, "0", 0}},
      {"full", "-5\r\n7\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n6\r\n2.5\r\n265\r\n",
       {{-5, 7}, true, true, 6, "2.5", 265}},
      {"out of range", "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n7\r\n1\r\n266\r\n",
       {{0, 0}, true, false, -1, "1", -1}},
      {"negative indices", "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n-1\r\n1\r\n-1\r\n",
       {{0, 0}, true, false, -1, "1", -1}},
      {"point type 2", "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n2\r\n0\r\n1\r\n0\r\n",
       {{0, 0}, true, false, 0, "1", 0}},
      {"scale 0", "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n",
       {{0, 0}, true, false, 0, "0", 0}},
      {"long scale not cut",
       "0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1.23456789012346E15\r\n0\r\n",
       {{0, 0}, true, false, 0, "1.23456789012346E15", 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    fs::remove(SettingsFile(), ignored);
    if (c.file != nullptr) WriteSettings(c.file);
    auto form = Open();
    TForm1& f = *form;
    EXPECT_EQ(c.want.pos, f.pos());
    for (QCheckBox* box : {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5,
                           f.CheckBox6, f.CheckBox7})
      EXPECT_EQ(c.want.kinds, box->isChecked());
    EXPECT_EQ(!c.want.markers, f.RadioButton1->isChecked());
    EXPECT_EQ(c.want.markers, f.RadioButton2->isChecked());
    EXPECT_EQ(c.want.marker, f.ComboBox1->currentIndex());
    EXPECT_EQ(U(c.want.scale), f.Edit1->text());
    EXPECT_EQ(c.want.colour, f.ComboBox2->currentIndex());
    f.reject();
  }
}

TEST_F(DialogTest, StatusLineCountsTheTables) {
  const auto repeat = [](const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line + "\r\n";
    return text;
  };
  const struct {
    const char* name;
    std::string file;
    const char* want;
  } cases[] = {
      {"lines and arcs", repeat("0 0 1 1", 12) + repeat("ci 0 0 5 0 90 1 0", 3),
       "線分：12　円弧：3　線形S：0　多角S：0　円S：0　円周S：0　円環S：0"},
      {"every kind, skipped ones included",
       "z3\r\n" + repeat("0 0 1 1", 1) + repeat("ci 0 0 5 0 360 1 0", 2) +
           repeat("sl 0 0 1 1", 3) + repeat("sl 0 0 1 0 0 1", 1) + repeat("sl 0 0 1 0 1 1 0 1", 3) +
           repeat("sc 0 0 1 1 0 0 1 100", 5) + repeat("se 0 0 1 1 0 0 1 0", 6) +
           repeat("so 0 0 2 1 0 0 1 1", 2) + repeat("sg 0 0 2 1 0 0 1 1", 5),
       "線分：1　円弧：2　線形S：3　多角S：4　円S：5　円周S：6　円環S：7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteExchange(c.file);
    auto form = Open();
    EXPECT_EQ(U(c.want), form->LabelA1->text());
    form->reject();
  }
}

TEST_F(DialogTest, ShowStatusPaintsAtOnce) {
  auto form = Open();
  QCoreApplication::processEvents();
  TPaintLog log(form->LabelA1);
  form->ShowStatus(Sjis("図形を読んでいます"));
  ASSERT_FALSE(log.Texts.empty());
  EXPECT_EQ("図形を読んでいます", log.Texts.back());
}

// ---- OK sequence -----------------------------------------------------------------

TEST_F(DialogTest, TypicalRun) {
  WriteExchange(kTypicalExchange);
  auto form = Open();
  EXPECT_EQ(U("線分：2　円弧：0　線形S：0　多角S：0　円S：0　円周S：0　円環S：0"),
            form->LabelA1->text());
  form->move(30, 40);
  TPaintLog log(form->LabelA1);
  PressOk(*form);
  EXPECT_EQ(kTypicalAnswer, Answer());
  EXPECT_EQ("30\r\n40\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n", SavedSettings());
  const std::vector<std::string> messages = {
      "線分データ参照中です",       "円弧・楕円データ参照中です",   "線形ソリッドデータ参照中です",
      "三角形ソリッドデータ参照中です", "四角形ソリッドデータ参照中です", "円ソリッドデータ参照中です",
      "円周ソリッドデータ参照中です", "円環ソリッドデータ参照中です", "ファイル生成中です"};
  EXPECT_EQ(messages, log.Texts);
}

TEST_F(DialogTest, BzAndTheHostLayerComeFirst) {
  WriteExchange("lg3\r\nly1\r\nlc5\r\nlw2\r\nbz\r\nlgA\r\nlyB\r\n0 0 1 0\r\n");
  auto form = Open();
  form->CheckBox1->setChecked(false);
  form->ComboBox2->setCurrentIndex(10);
  PressOk(*form);
  EXPECT_EQ("bz\r\nlg3\r\nly1\r\nlc101\r\npn101\r\nlt1\r\nlw0\r\n", Answer());
}

TEST_F(DialogTest, Markers) {
  const struct {
    const char* name;
    int marker;
    const char* scale;
    const char* wantLines;
    const char* wantMarkerLine;
  } cases[] = {
      {"circle at scale 2", 1, "2", "pt 0 0 2 0 -2\r\npt 1 0 2 0 -2\r\n", "1\r\n"},
      {"no selection", -1, "1", "pt 0 0 1 0 0\r\npt 1 0 1 0 0\r\n", "-1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteExchange("0 0 1 0\r\n");
    auto form = Open();
    form->RadioButton2->setChecked(true);
    form->ComboBox1->setCurrentIndex(c.marker);
    form->Edit1->setText(U(c.scale));
    PressOk(*form);
    EXPECT_EQ(std::string("lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\n") + c.wantLines, Answer());
    EXPECT_EQ(std::string("0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n") +
                  c.wantMarkerLine + c.scale + "\r\n0\r\n",
              SavedSettings());
  }
}

TEST_F(DialogTest, ScaleTexts) {
  const struct {
    const char* text;
    const char* stored;
  } cases[] = {{"", "1"},   {"abc", "1"}, {"0", "1"},  {"-1", "1"},
               {" 2", "2"}, {"2 ", "1"},  {"１", "1"}, {"0.5", "0.5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WriteExchange("5 5 6 6\r\n");
    auto form = Open();
    form->RadioButton2->setChecked(true);
    form->Edit1->setText(U(c.text));
    PressOk(*form);
    EXPECT_EQ(std::string("lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\npt 5 5 ") + c.stored + " 0 -1\r\npt 6 6 " +
                  c.stored + " 0 -1\r\n",
              Answer());
    EXPECT_EQ(std::string("0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n") + c.stored +
                  "\r\n0\r\n",
              SavedSettings());
  }
}

TEST_F(DialogTest, ScaleTooLargeStopsWithAMessageAndStaysOpen) {
  WriteExchange(kTypicalExchange);
  auto form = Open();
  TForm1& f = *form;
  f.Edit1->setText(U("1e400"));
  std::vector<QString> messages;
  // Closes whatever message box is open, as the user would.
  const auto openBox = []() -> QMessageBox* {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box != nullptr && box->isVisible()) return box;
    }
    return nullptr;
  };
  const auto closeBox = [&] {
    QMessageBox* box = openBox();
    if (box == nullptr) return false;
    messages.push_back(box->text());
    box->done(QMessageBox::Ok);
    return true;
  };
  QTimer innerCloser;
  innerCloser.setInterval(20);
  QObject::connect(&innerCloser, &QTimer::timeout, closeBox);
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (openBox() == nullptr) return;
    closer.stop();
    // A second press while the first is under way must do nothing; were it
    // to open a second box, the inner closer takes that one away.
    innerCloser.start();
    f.Button1Click();
    innerCloser.stop();
    closeBox();
  });
  closer.start();
  f.Button1->click();
  closer.stop();
  ASSERT_EQ(1u, messages.size());
  EXPECT_TRUE(messages[0].contains(U("1e400")));
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(fs::exists(SettingsFile()));
  EXPECT_EQ(kTypicalExchange, Answer());
  EXPECT_EQ(0, JwwOutCount);

  // Another try with a sound scale goes through.
  f.Edit1->setText(U("1"));
  PressOk(f);
  EXPECT_EQ(kTypicalAnswer, Answer());
  EXPECT_TRUE(fs::exists(SettingsFile()));
}

}  // namespace
