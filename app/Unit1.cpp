#include "app/Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QValidator>

#include <exception>
#include <iterator>

#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"

TForm1* Form1 = nullptr;

namespace {

// The dialog's font; SetupApplication names the families that stand in for it.
constexpr char16_t kFontFamily[] = u"ＭＳ ゴシック";
constexpr int kFontPixels = 13;

// Client size of the dialog, in pixels.
constexpr int kClientWidth = 467;
constexpr int kClientHeight = 240;
constexpr int kStatusHeight = 24;

// Longest scale the user can type into Edit1.
constexpr int kScaleMaxChars = 16;

constexpr char kExchangeFileName[] = "JWC_TEMP.TXT";

// Pieces of the status line and the last message (Shift-JIS).
constexpr char kLinesLabel[] = "\x90\xfc\x95\xaa\x81\x46";                       // "線分："
constexpr char kArcsLabel[] = "\x81\x40\x89\x7e\x8c\xca\x81\x46";                // "　円弧："
constexpr char kSolidLinesLabel[] = "\x81\x40\x90\xfc\x8c\x60" "S\x81\x46";      // "　線形S："
constexpr char kSolidPolygonsLabel[] = "\x81\x40\x91\xbd\x8a\x70" "S\x81\x46";   // "　多角S："
constexpr char kSolidCirclesLabel[] = "\x81\x40\x89\x7e" "S\x81\x46";            // "　円S："
constexpr char kSolidCircumsLabel[] = "\x81\x40\x89\x7e\x8e\xfc" "S\x81\x46";    // "　円周S："
constexpr char kSolidRingsLabel[] = "\x81\x40\x89\x7e\x8a\xc2" "S\x81\x46";      // "　円環S："
constexpr char kMakingFileMsg[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b\x90\xb6\x90\xac\x92\x86\x82\xc5\x82\xb7";  // "ファイル生成中です"

QString DecodeSjis(std::string_view text) {
  QStringDecoder decoder("CP932");
  if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
  return decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

std::string EncodeSjis(const QString& text) {
  QStringEncoder encoder("CP932");
  if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The folder of a program path, absolute, with its trailing separator.
std::string FolderOf(const std::string& programPath) {
  const QString folder = QFileInfo(QFile::decodeName(programPath.c_str())).absolutePath();
  std::string result = QFile::encodeName(folder).toStdString();
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

// The index when it names an item of the list, else -1 (no selection).
int ListIndex(int32_t index, const QComboBox* list) {
  return index >= 0 && index < list->count() ? index : -1;
}

TEndPointChoices ChoicesOf(const TSettings& settings) {
  TEndPointChoices choices;
  choices.Lines = settings.Lines;
  choices.Arcs = settings.Arcs;
  choices.SolidLines = settings.SolidLines;
  choices.SolidPolygons = settings.SolidPolygons;
  choices.SolidCircles = settings.SolidCircles;
  choices.SolidCircums = settings.SolidCircums;
  choices.SolidRings = settings.SolidRings;
  choices.Markers = settings.PointType == 1;
  choices.MarkerIndex = settings.MarkerKind;
  choices.Scale = settings.Scale;
  return choices;
}

// The status line: the count of each kind the exchange file delivered.
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

template <typename W>
W* Placed(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

// Refuses typing that would make the text longer than the limit, while text
// that is already longer (set by the program) may still be shortened.
class TTypingLimit : public QValidator {
 public:
  TTypingLimit(int maxChars, QLineEdit* edit) : QValidator(edit), maxChars_(maxChars) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { currentLength_ = static_cast<int>(text.size()); });
  }

  State validate(QString& input, int&) const override {
    const auto length = input.size();
    return length <= maxChars_ || length <= currentLength_ ? Acceptable : Invalid;
  }

 private:
  int maxChars_;
  int currentLength_ = 0;
};

}  // namespace

void PrepareApplication() {
  // The layout is in client pixels and must not grow with the screen's
  // resolution; an inherited scale factor would enlarge it as well.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

void SetupApplication() {
  QCoreApplication::setApplicationName(ApplicationTitle());
  QFont::insertSubstitutions(QString::fromUtf16(kFontFamily),
                             {QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
                              QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),
                              QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("Noto Sans CJK JP")});
  QApplication::setWindowIcon(ProgramIcon());
}

QString ApplicationTitle() { return QStringLiteral("q527_端点に点を作図"); }

QIcon ProgramIcon() {
  // A drawn line with a dot on each end point.
  QIcon icon;
  for (const int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(QPen(QColor(40, 40, 40), unit));
    painter.drawRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit));
    painter.setPen(QPen(QColor(0, 90, 200), 1.5 * unit));
    painter.drawLine(QPointF(3.5 * unit, 12.5 * unit), QPointF(12.5 * unit, 3.5 * unit));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(QPointF(3.5 * unit, 12.5 * unit), 2.2 * unit, 2.2 * unit);
    painter.drawEllipse(QPointF(12.5 * unit, 3.5 * unit), 2.2 * unit, 2.2 * unit);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

TImeOffEdit::TImeOffEdit(int maxChars, QWidget* parent) : QLineEdit(parent) {
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setValidator(new TTypingLimit(maxChars, this));
}

QVariant TImeOffEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImEnabled) return false;
  return QLineEdit::inputMethodQuery(query);
}

TForm1::TForm1(const QString& programPath, QWidget* parent) : QDialog(parent) {
  const QString path = programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath;
  programPath_ = QFile::encodeName(path).toStdString();
  BuildControls();
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("端点に点を作図"));
  setWindowIcon(ProgramIcon());
  setFixedSize(kClientWidth, kClientHeight);
  QFont font(QString::fromUtf16(kFontFamily));
  font.setPixelSize(kFontPixels);
  setFont(font);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  // Created in tab order, so that the focus chain follows the table.
  GroupBox1 = Placed(new QGroupBox(QStringLiteral("対象図形(&E)"), this), 8, 8, 121, 161);
  CheckBox1 = Placed(new QCheckBox(QStringLiteral("線分"), GroupBox1), 8, 16, 110, 17);
  CheckBox2 = Placed(new QCheckBox(QStringLiteral("円弧楕円弧"), GroupBox1), 8, 36, 110, 17);
  CheckBox3 = Placed(new QCheckBox(QStringLiteral("線形ソリッド"), GroupBox1), 8, 56, 110, 17);
  CheckBox4 = Placed(new QCheckBox(QStringLiteral("多角ソリッド"), GroupBox1), 8, 76, 110, 17);
  CheckBox5 = Placed(new QCheckBox(QStringLiteral("円ソリッド"), GroupBox1), 8, 96, 110, 17);
  CheckBox6 = Placed(new QCheckBox(QStringLiteral("円周ソリッド"), GroupBox1), 8, 116, 110, 17);
  CheckBox7 = Placed(new QCheckBox(QStringLiteral("円環ソリッド"), GroupBox1), 8, 136, 110, 17);

  GroupBox2 = Placed(new QGroupBox(QStringLiteral("作図タイプ(&S)"), this), 136, 8, 145, 129);
  RadioButton1 = Placed(new QRadioButton(QStringLiteral("点"), GroupBox2), 8, 24, 113, 17);
  RadioButton2 = Placed(new QRadioButton(QStringLiteral("点マーカー"), GroupBox2), 8, 48, 113, 17);
  Label1 = Placed(new QLabel(QStringLiteral("種類："), GroupBox2), 16, 76, 42, 13);
  ComboBox1 = Placed(new QComboBox(GroupBox2), 64, 72, 73, 21);
  ComboBox1->addItems({QStringLiteral("＊"), QStringLiteral("○"), QStringLiteral("・"),
                       QStringLiteral("＋"), QStringLiteral("□"), QStringLiteral("△"),
                       QStringLiteral("×")});
  ComboBox1->setCurrentIndex(0);
  Label1->setBuddy(ComboBox1);
  Label2 = Placed(new QLabel(QStringLiteral("倍率："), GroupBox2), 16, 100, 42, 13);
  Edit1 = Placed(new TImeOffEdit(kScaleMaxChars, GroupBox2), 64, 96, 73, 21);
  Edit1->setText(QStringLiteral("1"));
  Label2->setBuddy(Edit1);

  Memo1 = Placed(new QPlainTextEdit(this), 288, 8, 177, 161);
  Memo1->setPlainText(QStringLiteral("○現在のレイヤ\n"
                                     "（書込みレイヤ）に\n"
                                     "　作図します\n"
                                     "○寸法図形・寸法属性は\n"
                                     "　処理対象外です\n"
                                     "\n"
                                     "◆ブロック図形内のもの\n"
                                     "　は処理出来ませんので\n"
                                     "　御注意下さい。\n"
                                     "　ブロック編集内で行う\n"
                                     "　場合には、本ソフトを\n"
                                     "　Jw_cadのインストール・\n"
                                     "　フォルダに配置して\n"
                                     "　実行を行う必要がある\n"
                                     "　場合があります。"));
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::ClickFocus);
  Memo1->setTabChangesFocus(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette memoColours = Memo1->palette();
  memoColours.setColor(QPalette::Base, QColor(187, 235, 244));
  Memo1->setPalette(memoColours);

  Button1 = Placed(new QPushButton(QStringLiteral("ＯＫ(&Y)"), this), 72, 184, 121, 25);
  Button2 = Placed(new QPushButton(QStringLiteral("キャンセル(&N)"), this), 264, 184, 121, 25);
  // Enter presses "ＯＫ(&Y)", except on a push button that has the focus,
  // which takes Enter itself, as buttons of the host's desktop do.
  Button1->setAutoDefault(true);
  Button2->setAutoDefault(true);
  Button1->setDefault(true);

  Label3 = Placed(new QLabel(QStringLiteral("線色"), this), 136, 148, 28, 13);
  ComboBox2 = Placed(new QComboBox(this), 168, 144, 113, 21);
  Label3->setBuddy(ComboBox2);

  LabelA1 = Placed(new QLabel(QStringLiteral("　"), this), 0, kClientHeight - kStatusHeight,
                   kClientWidth, kStatusHeight);
  LabelA1->setAlignment(Qt::AlignCenter);
  LabelA1->setAutoFillBackground(true);
  QPalette statusColours = LabelA1->palette();
  statusColours.setColor(QPalette::Window, QColor(231, 231, 231));
  LabelA1->setPalette(statusColours);

  for (QWidget* field : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox2)})
    field->setAttribute(Qt::WA_InputMethodEnabled, false);

  QWidget* const tabOrder[] = {CheckBox1, CheckBox2,    CheckBox3,    CheckBox4, CheckBox5,
                               CheckBox6, CheckBox7,    RadioButton1, RadioButton2, ComboBox1,
                               Edit1,     Button1,      Button2,      ComboBox2};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

std::string TForm1::ProgramFolder() const {
  return programFolder_.empty() ? FolderOf(programPath_) : programFolder_;
}

std::string TForm1::ExchangePath() const { return ProgramFolder() + kExchangeFileName; }

std::string TForm1::SettingsFilePath() const { return SettingsPath(programPath_); }

void TForm1::setVisible(bool visible) {
  // A window restored from the taskbar or shown again is shown anew, but
  // the files are read once per run.
  if (visible && !shown_) {
    shown_ = true;
    FormShow();
  }
  QDialog::setVisible(visible);
}

void TForm1::FormShow() {
  try {
    JwwInit();
    programFolder_ = FolderOf(programPath_);
    JwwReadFile(ExchangePath());
    ResetEmitState();
    LoadSettings(SettingsFilePath(), Settings);
    ShowSettings();
    FillColourList();
    ComboBox2->setCurrentIndex(ListIndex(Settings.ColorIndex, ComboBox2));
    ShowStatus(CountsText());
  } catch (const std::exception&) {
    // Only exhausted memory gets here; the dialog opens with what it has.
  }
}

void TForm1::ShowSettings() {
  // No check against the screens: the stored position is taken as it is.
  move(Settings.WindowLeft, Settings.WindowTop);
  CheckBox1->setChecked(Settings.Lines);
  CheckBox2->setChecked(Settings.Arcs);
  CheckBox3->setChecked(Settings.SolidLines);
  CheckBox4->setChecked(Settings.SolidPolygons);
  CheckBox5->setChecked(Settings.SolidCircles);
  CheckBox6->setChecked(Settings.SolidCircums);
  CheckBox7->setChecked(Settings.SolidRings);
  RadioButton1->setChecked(true);
  if (Settings.PointType == 1) RadioButton2->setChecked(true);
  ComboBox1->setCurrentIndex(ListIndex(Settings.MarkerKind, ComboBox1));
  Edit1->setText(QString::fromStdString(FormatGeneral(Settings.Scale)));
}

void TForm1::FillColourList() {
  ComboBox2->setCurrentIndex(-1);
  ComboBox2->clear();
  QStringList items;
  items.reserve(266);
  items << QStringLiteral("現在線色");
  for (int i = 1; i <= 9; ++i) items << QStringLiteral("線色") + QString::number(i);
  for (int i = 1; i <= 256; ++i) items << QStringLiteral("SXF-") + QString::number(i);
  ComboBox2->addItems(items);
  ComboBox2->setCurrentIndex(-1);
}

void TForm1::ShowStatus(std::string_view text) {
  LabelA1->setText(DecodeSjis(text));
  LabelA1->repaint();
}

void TForm1::PlacePoint(double x, double y) { ::PlacePoint(PlacedPoints, choices_, x, y); }

bool TForm1::CaptureSettings(TSettings& settings) {
  settings.WindowLeft = pos().x();
  settings.WindowTop = pos().y();
  settings.Lines = CheckBox1->isChecked();
  settings.Arcs = CheckBox2->isChecked();
  settings.SolidLines = CheckBox3->isChecked();
  settings.SolidPolygons = CheckBox4->isChecked();
  settings.SolidCircles = CheckBox5->isChecked();
  settings.SolidCircums = CheckBox6->isChecked();
  settings.SolidRings = CheckBox7->isChecked();
  settings.PointType = RadioButton2->isChecked() ? 1 : 0;
  settings.MarkerKind = ComboBox1->currentIndex();
  try {
    settings.Scale = TextToFloat(EncodeSjis(Edit1->text()));
  } catch (const EFloatOverflow&) {
    QMessageBox::critical(this, ApplicationTitle(),
                          QStringLiteral("倍率の値が大きすぎます：") + Edit1->text());
    return false;
  }
  // Empty text, text that is no number, zero and negative scales all mean 1.
  if (!(settings.Scale > 0.0)) settings.Scale = 1.0;
  settings.ColorIndex = ComboBox2->currentIndex();
  return true;
}

void TForm1::Button1Click() {
  if (producing_ || closed_) return;
  producing_ = true;
  TSettings captured;
  if (!CaptureSettings(captured)) {
    producing_ = false;
    return;
  }
  Settings = captured;
  SaveSettings(SettingsFilePath(), Settings);
  try {
    if (BzFlag) AddCommandLine("bz");
    EmitLayerGroup(HostLg);
    EmitLayer(HostLy);
    EmitLineColor(Settings.ColorIndex, 1);
    EmitPointColor(Settings.ColorIndex, 1);
    EmitLineType(1, 0);
    EmitLineWidth(0);
    choices_ = ChoicesOf(Settings);
    PlacedPoints.Clear();
    EndPointWalk(choices_, PlacedPoints, [this](std::string_view text) { ShowStatus(text); });
    PlacedPoints.Clear();
  } catch (const std::exception& error) {
    // Out of memory half-way: a partial answer must not reach the host.
    DiscardProduction();
    QMessageBox::critical(this, ApplicationTitle(), QString::fromLocal8Bit(error.what()));
    producing_ = false;
    return;
  }
  ShowStatus(kMakingFileMsg);
  accept();
}

void TForm1::DiscardProduction() {
  PlacedPoints.Clear();
  JwwClearOut();
  ResetEmitState();
  ShowStatus(CountsText());
}

void TForm1::Button2Click() { reject(); }

void TForm1::done(int result) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  QDialog::done(result);
}

void TForm1::FormClose() {
  // The result is not looked at: a failed write removes the partial file
  // itself, and the dialog closes all the same.
  WriteCommandFile(ExchangePath());
  JwwFree();
}
