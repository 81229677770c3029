// The run unit and the dialog's layout as data, without any toolkit: the
// table against the dialog's layout, and one run's files on disk.
#include "app/Session.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "app/Layout.h"
#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"
#include "tests/support/FloatState.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// ---- Layout ----------------------------------------------------------------------

TEST(LayoutTest, TableFollowsTheDialogLayout) {
  using K = TControlKind;
  const struct {
    const char* name;
    K kind;
    const char* parent;
    int left, top, width, height;
    const char* caption;
    const char* names;
  } want[] = {
      {"GroupBox1", K::GroupBox, "", 8, 8, 121, 161, "対象図形(&E)", ""},
      {"CheckBox1", K::CheckBox, "GroupBox1", 8, 16, 110, 17, "線分", ""},
      {"CheckBox2", K::CheckBox, "GroupBox1", 8, 36, 110, 17, "円弧楕円弧", ""},
      {"CheckBox3", K::CheckBox, "GroupBox1", 8, 56, 110, 17, "線形ソリッド", ""},
      {"CheckBox4", K::CheckBox, "GroupBox1", 8, 76, 110, 17, "多角ソリッド", ""},
      {"CheckBox5", K::CheckBox, "GroupBox1", 8, 96, 110, 17, "円ソリッド", ""},
      {"CheckBox6", K::CheckBox, "GroupBox1", 8, 116, 110, 17, "円周ソリッド", ""},
      {"CheckBox7", K::CheckBox, "GroupBox1", 8, 136, 110, 17, "円環ソリッド", ""},
      {"GroupBox2", K::GroupBox, "", 136, 8, 145, 129, "作図タイプ(&S)", ""},
      {"RadioButton1", K::RadioButton, "GroupBox2", 8, 24, 113, 17, "点", ""},
      {"RadioButton2", K::RadioButton, "GroupBox2", 8, 48, 113, 17, "点マーカー", ""},
      {"Label1", K::Label, "GroupBox2", 16, 76, 42, 13, "種類：", "ComboBox1"},
      {"ComboBox1", K::DropDownList, "GroupBox2", 64, 72, 73, 21, "", ""},
      {"Label2", K::Label, "GroupBox2", 16, 100, 42, 13, "倍率：", "Edit1"},
      {"Edit1", K::Edit, "GroupBox2", 64, 96, 73, 21, "1", ""},
      {"Label3", K::Label, "", 136, 148, 28, 13, "線色", "ComboBox2"},
      {"ComboBox2", K::DropDownList, "", 168, 144, 113, 21, "", ""},
      {"Memo1", K::Memo, "", 288, 8, 177, 161, "", ""},
      {"Button1", K::PushButton, "", 72, 184, 121, 25, "ＯＫ(&Y)", ""},
      {"Button2", K::PushButton, "", 264, 184, 121, 25, "キャンセル(&N)", ""},
      {"LabelA1", K::StatusLabel, "", 0, 216, 467, 24, "　", ""},
  };
  ASSERT_EQ(std::size(want), Form1Controls.size());
  for (size_t i = 0; i < std::size(want); ++i) {
    const TControlLayout& got = Form1Controls[i];
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(want[i].name, got.Name);
    EXPECT_EQ(want[i].kind, got.Kind);
    EXPECT_EQ(want[i].parent, got.Parent);
    EXPECT_EQ(want[i].left, got.Left);
    EXPECT_EQ(want[i].top, got.Top);
    EXPECT_EQ(want[i].width, got.Width);
    EXPECT_EQ(want[i].height, got.Height);
    EXPECT_EQ(Sjis(want[i].caption), got.Caption);
    EXPECT_EQ(want[i].names, got.Names);
  }
  EXPECT_EQ(Sjis("端点に点を作図"), Form1Caption);
  EXPECT_EQ(Sjis("q527_端点に点を作図"), ApplicationTitleText);
  EXPECT_EQ(Sjis("ＭＳ ゴシック"), Form1FontName);
  EXPECT_EQ(ControlDefault, FindControl("Button1")->Flags & ControlDefault);
  EXPECT_EQ(ControlCancel, FindControl("Button2")->Flags & ControlCancel);
  for (const char* field : {"ComboBox1", "Edit1", "ComboBox2"})
    EXPECT_NE(0u, FindControl(field)->Flags & ControlImeOff) << field;
  EXPECT_NE(0u, FindControl("Memo1")->Flags & ControlNoTabStop);
}

TEST(LayoutTest, TabChain) {
  std::vector<std::string_view> names;
  for (const TControlLayout* control : TabChain()) names.push_back(control->Name);
  const std::vector<std::string_view> want = {
      "CheckBox1", "CheckBox2",    "CheckBox3",    "CheckBox4", "CheckBox5",
      "CheckBox6", "CheckBox7",    "RadioButton1", "RadioButton2", "ComboBox1",
      "Edit1",     "Button1",      "Button2",      "ComboBox2"};
  EXPECT_EQ(want, names);
}

TEST(LayoutTest, MemoAndLists) {
  const char* memo[] = {
      "○現在のレイヤ",         "（書込みレイヤ）に",     "　作図します",
      "○寸法図形・寸法属性は", "　処理対象外です",       "",
      "◆ブロック図形内のもの", "　は処理出来ませんので", "　御注意下さい。",
      "　ブロック編集内で行う", "　場合には、本ソフトを", "　Jw_cadのインストール・",
      "　フォルダに配置して",   "　実行を行う必要がある", "　場合があります。",
  };
  for (size_t i = 0; i < std::size(memo); ++i) EXPECT_EQ(Sjis(memo[i]), Memo1Lines[i]) << i;
  const char* markers[] = {"＊", "○", "・", "＋", "□", "△", "×"};
  for (size_t i = 0; i < std::size(markers); ++i) EXPECT_EQ(Sjis(markers[i]), MarkerItems[i]);
  EXPECT_EQ(266, ColourListCount);
  const struct {
    int32_t index;
    const char* text;
  } items[] = {{0, "現在線色"}, {1, "線色1"}, {9, "線色9"}, {10, "SXF-1"}, {265, "SXF-256"}};
  for (const auto& item : items) EXPECT_EQ(Sjis(item.text), ColourItem(item.index)) << item.index;
  EXPECT_EQ(-1, ListIndex(266, ColourListCount));
  EXPECT_EQ(-1, ListIndex(-2, ColourListCount));
  EXPECT_EQ(265, ListIndex(265, ColourListCount));
}

TEST(LayoutTest, DialogOpensOnAScreen) {
  const std::vector<TScreenRect> one = {{0, 0, 1024, 768}};
  const std::vector<TScreenRect> two = {{0, 0, 1024, 768}, {1024, -200, 2944, 880}};
  const std::vector<TScreenRect> taskbar = {{0, 0, 1024, 728}};
  const std::vector<TScreenRect> small = {{0, 0, 300, 200}};
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const struct {
    TScreenPoint stored;
    const std::vector<TScreenRect>& areas;
    TScreenPoint placed;
  } kCases[] = {
      {{120, 80}, one, {120, 80}},
      // Off every screen: onto the nearest, wholly inside it.
      {{5000, -3000}, one, {551, 0}},
      {{-700, -20}, one, {0, 0}},
      {{200, -2500}, one, {200, 0}},
      {{-473, 100}, one, {0, 100}},
      {{kMin, kMax}, one, {0, 500}},
      // One pixel on the screen is enough to stay.
      {{-472, 100}, one, {-472, 100}},
      {{1023, 767}, one, {1023, 767}},
      {{-400, -200}, one, {-400, -200}},
      // The second monitor, right of the first and taller.
      {{3000, 100}, two, {2471, 100}},
      {{1500, -500}, two, {1500, -200}},
      {{2000, 800}, two, {2000, 800}},
      // Below the work area, on the taskbar: above it.
      {{100, 740}, taskbar, {100, 460}},
      // Larger than the area: its top left.
      {{1000, 1000}, small, {0, 0}},
      {{77, -9}, {}, {77, -9}},
  };
  for (const auto& c : kCases) {
    const TScreenPoint placed = DialogPlacement(c.stored, 473, 268, c.areas);
    EXPECT_EQ(placed.Left, c.placed.Left) << c.stored.Left << ", " << c.stored.Top;
    EXPECT_EQ(placed.Top, c.placed.Top) << c.stored.Left << ", " << c.stored.Top;
  }
}

// ---- One run -----------------------------------------------------------------------

TEST(SessionTest, ScaleAsTyped) {
  const struct {
    const char* text;
    double scale;
  } cases[] = {{"2.5", 2.5}, {"  3", 3}, {"", 1}, {"abc", 1}, {"0", 1}, {"-2", 1}, {"2 ", 1}};
  for (const auto& c : cases) EXPECT_EQ(c.scale, CaptureScale(c.text)) << c.text;
  EXPECT_THROW(CaptureScale("1e400"), EFloatOverflow);
  EXPECT_EQ(Sjis("倍率の値が大きすぎます：1e400"), ScaleTooLargeText("1e400"));
}

class RunTest : public TempDirTest {};

TEST_F(RunTest, PathsLieBesideTheProgram) {
  const TRunPaths paths = RunPathsOf(Dir() / "tool.exe");
  EXPECT_EQ(Dir(), paths.Folder);
  EXPECT_EQ(Dir() / "JWC_TEMP.TXT", paths.Exchange);
  EXPECT_EQ(Dir() / "tool.dat", paths.Settings);
}

TEST_F(RunTest, ShowProduceClose) {
  WriteBytes(Dir() / "JWC_TEMP.TXT", "lg2\r\nly5\r\nlc1\r\n0 0 100 0\r\n100 0 100 50\r\nci 0 0 5 0 90 1 0\r\n");
  TSession session(Dir() / "q527");
  const TSettings settings = session.Open();
  EXPECT_EQ(TSettings{}, settings);
  EXPECT_EQ(Sjis("線分：2　円弧：1　線形S：0　多角S：0　円S：0　円周S：0　円環S：0"), CountsText());

  std::vector<std::string> messages;
  TSettings chosen;
  chosen.Kinds.Arcs = false;
  session.Produce(chosen, [&](std::string_view text) { messages.emplace_back(text); });
  ASSERT_EQ(9u, messages.size());
  EXPECT_EQ(MakingFileText, messages.back());
  EXPECT_TRUE(session.Close());
  session.Close();
  EXPECT_EQ("lg2\r\nly5\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 100 0\r\npt 100 50\r\n",
            ReadBytes(Dir() / "JWC_TEMP.TXT"));
  EXPECT_EQ("0\r\n0\r\n1\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n", ReadBytes(Dir() / "q527.dat"));
}

TEST_F(RunTest, CloseWithoutProducingAnswersNoChange) {
  WriteBytes(Dir() / "JWC_TEMP.TXT", "0 0 1 1\r\n");
  TSession session(Dir() / "q527");
  session.Open();
  session.Close();
  EXPECT_EQ("hq\r\n", ReadBytes(Dir() / "JWC_TEMP.TXT"));
  EXPECT_FALSE(fs::exists(Dir() / "q527.dat"));
}

TEST_F(RunTest, CloseTellsAnAnswerNotWritten) {
  fs::create_directory(Dir() / "JWC_TEMP.TXT");
  TSession session(Dir() / "q527");
  session.Open();
  EXPECT_FALSE(session.Close());
  EXPECT_FALSE(session.Close()) << "a later call tells the same";
  EXPECT_TRUE(fs::is_directory(Dir() / "JWC_TEMP.TXT"));
}

TEST_F(RunTest, AnswerIsKeptUntilItIsWritten) {
  WriteBytes(Dir() / "JWC_TEMP.TXT", "0 0 1 1\r\n");
  TSession session(Dir() / "q527");
  session.Open();
  ASSERT_TRUE(session.Produce(TSettings{}, {}));
  fs::remove(Dir() / "JWC_TEMP.TXT");
  fs::create_directory(Dir() / "JWC_TEMP.TXT");
  EXPECT_NE(TWriteFault::None, session.WriteAnswer());
  EXPECT_NE(TWriteFault::None, session.WriteAnswer());
  fs::remove(Dir() / "JWC_TEMP.TXT");
  EXPECT_EQ(TWriteFault::None, session.WriteAnswer());
  session.Release();
  EXPECT_EQ("lg0\r\nly0\r\nlc1\r\npn1\r\nlt1\r\npt 0 0\r\npt 1 1\r\n",
            ReadBytes(Dir() / "JWC_TEMP.TXT"));
  EXPECT_TRUE(session.Close()) << "after the release the outcome stays";
  EXPECT_EQ(Sjis("作図結果を JWC_TEMP.TXT に書き込めませんでした。\n"
                 "ディスクの空き容量が足りません。空きを作ってから［再試行］を押してください。\n\n"
                 "［再試行］でもう一度書き込みます。［キャンセル］では作図しません。"),
            WriteFaultText(TWriteFault::DiskFull));
}

TEST_F(RunTest, ComputerThatComputesDifferentlyDrawsNothing) {
  WriteBytes(Dir() / "JWC_TEMP.TXT", "0 0 1 1\r\n");
  WriteBytes(Dir() / "q527.dat", "1\n2\n");
  TSession session(Dir() / "q527");
  session.Open();
  session.SetSelfCheck([]() noexcept { return false; });
  std::vector<std::string> messages;
  EXPECT_FALSE(session.Produce(TSettings{}, [&](std::string_view text) { messages.emplace_back(text); }));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(session.Close());
  EXPECT_EQ("hq\r\n", ReadBytes(Dir() / "JWC_TEMP.TXT"));
  EXPECT_EQ("1\n2\n", ReadBytes(Dir() / "q527.dat")) << "the settings are not touched";
}

#ifdef Q527_TEST_FLOAT_STATE
// Lines, arcs, ellipses and every kind of solid, some near the largest
// double, where an unmasked overflow would trap.
std::string EveryKindDrawing() {
  std::string drawing = "lg1\r\nly3\r\n0 0 100 0\r\n1e308 1e308 -1e308 1.7e308\r\n"
                        "ci 1e308 1e308 1.5e308 0 90 1 0\r\nci 1e308 -1e308 1e308 10 20 1e308 30\r\n"
                        "sc 1e308 1e308 1e308 1 0 0 1.5 0\r\n";
  for (int degrees = -360; degrees <= 360; degrees += 15) {
    const std::string a = IntToText(degrees);
    drawing += "ci 1110 0 100 " + a + " " + IntToText(degrees + 91) + " 1 0\r\n";
    drawing += "ci 12.3 -45.6 37.5 " + a + " " + IntToText(degrees + 45) + " 0.6 " + a + "\r\n";
  }
  drawing += "sl 0 -100 50 -100\r\nsl 100 -100 150 -100 125 -60\r\n"
             "sl 200 -100 250 -100 250 -50 200 -50\r\n"
             "sc 400 -100 30 1 0 0 1.5707963267948966 0\r\n"
             "sc 500 -100 30 1 0 0 1.5707963267948966 -1\r\n"
             "se 600 -100 30 0.6 0.5235987755982988 0 3.141592653589793 0\r\n"
             "so 700 -100 30 1 0 0 3.141592653589793 20\r\n"
             "sg 800 -100 40 0.5 0 0 1.5707963267948966 30\r\n";
  return drawing;
}

// Whatever state other programs left the thread in, the run answers as in a
// clean one, and gives the thread its state back.
TEST_F(RunTest, AnswerDoesNotDependOnTheFloatingPointStateFound) {
  const auto answer = [this](const std::string& name) {
    const fs::path folder = Dir() / name;
    fs::create_directory(folder);
    WriteBytes(folder / "JWC_TEMP.TXT", EveryKindDrawing());
    TSession session(folder / "q527");
    TSettings settings = session.Open();
    settings.Scale = CaptureScale("0.35");
    EXPECT_EQ("0.35", ShownScale(settings.Scale));
    EXPECT_TRUE(session.Produce(settings, [](std::string_view) {}));
    EXPECT_TRUE(session.Close());
    return ReadBytes(folder / "JWC_TEMP.TXT");
  };
  const std::string clean = answer("clean");
  ASSERT_NE(std::string::npos, clean.find("\r\npt 1180.71067811865 70.7106781186548\r\n"));
  int number = 0;
  for (const TFloatState& state : kForeignFloatStates) {
    SCOPED_TRACE(testing::Message() << std::hex << state.X87Control << " " << state.SseControl);
    TFloatState before{};
    TFloatState after{};
    std::string found;
    {
      const TForeignFloatState foreign(state);
      before = CurrentFloatState();
      found = answer("foreign" + std::to_string(++number));
      after = CurrentFloatState();
    }
    EXPECT_EQ(clean, found);
    // The control bits come back; MXCSR's low six bits are flags.
    EXPECT_EQ(before.X87Control, after.X87Control);
    EXPECT_EQ(before.SseControl & ~0x3Fu, after.SseControl & ~0x3Fu);
  }
}
#endif

}  // namespace
