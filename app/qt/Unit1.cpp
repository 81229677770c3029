#include "app/qt/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <exception>
#include <vector>

#include "app/Layout.h"
#include "app/qt/Application.h"
#include "app/qt/ImeOffEdit.h"
#include "app/qt/ProgramIcon.h"
#include "app/qt/SjisText.h"
#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"

TForm1* Form1 = nullptr;

namespace {

QColor ColourOf(TRgb rgb) { return QColor(rgb.Red, rgb.Green, rgb.Blue); }

void SetBackground(QWidget* widget, QPalette::ColorRole role, TRgb rgb) {
  QPalette colours = widget->palette();
  colours.setColor(role, ColourOf(rgb));
  widget->setPalette(colours);
}

QString MemoText() {
  QStringList lines;
  for (const std::string_view line : Memo1Lines) lines << DecodeSjis(line);
  return lines.join(u'\n');
}

// A control's name as the toolkit's object name.
QString NameOf(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QPlainTextEdit* MakeMemo(QWidget* parent, uint32_t flags) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setPlainText(MemoText());
  memo->setReadOnly((flags & ControlReadOnly) != 0);
  // Enter is no line break here: Tab and Enter belong to the dialog.
  memo->setTabChangesFocus(true);
  if ((flags & ControlNoTabStop) != 0) memo->setFocusPolicy(Qt::ClickFocus);
  if ((flags & ControlNoWrap) != 0) memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  if ((flags & ControlVScroll) != 0) memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SetBackground(memo, QPalette::Base, Memo1Colour);
  return memo;
}

QPushButton* MakeButton(const QString& caption, QWidget* parent, uint32_t flags) {
  auto* button = new QPushButton(caption, parent);
  // Enter presses the default button, except on a push button that has the
  // focus, which takes Enter itself, as buttons of the host's desktop do.
  // Esc is the dialog's own reject, the cancel button's action.
  button->setAutoDefault(true);
  if ((flags & ControlDefault) != 0) button->setDefault(true);
  return button;
}

QLabel* MakeStatusLabel(const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setAutoFillBackground(true);
  SetBackground(label, QPalette::Window, LabelA1Colour);
  return label;
}

// One control of the layout as a widget of the parent, placed.
QWidget* MakeControl(const TControlLayout& control, QWidget* parent) {
  const QString caption = DecodeSjis(control.Caption);
  QWidget* widget = nullptr;
  switch (control.Kind) {
    case TControlKind::GroupBox: widget = new QGroupBox(caption, parent); break;
    case TControlKind::CheckBox: widget = new QCheckBox(caption, parent); break;
    case TControlKind::RadioButton: widget = new QRadioButton(caption, parent); break;
    case TControlKind::Label: widget = new QLabel(caption, parent); break;
    case TControlKind::DropDownList: widget = new QComboBox(parent); break;
    case TControlKind::Edit: {
      auto* edit = new TImeOffEdit(Edit1MaxChars, parent);
      edit->setText(caption);
      widget = edit;
      break;
    }
    case TControlKind::Memo: widget = MakeMemo(parent, control.Flags); break;
    case TControlKind::PushButton: widget = MakeButton(caption, parent, control.Flags); break;
    case TControlKind::StatusLabel: widget = MakeStatusLabel(caption, parent); break;
  }
  widget->setObjectName(NameOf(control.Name));
  widget->setGeometry(control.Left, control.Top, control.Width, control.Height);
  if ((control.Flags & ControlImeOff) != 0) widget->setAttribute(Qt::WA_InputMethodEnabled, false);
  return widget;
}

}  // namespace

TForm1::TForm1(const std::filesystem::path& program, QWidget* parent)
    : QDialog(parent), session_(program) {
  BuildControls();
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(DecodeSjis(Form1Caption));
  setWindowIcon(ProgramIcon());
  setFixedSize(Form1ClientWidth, Form1ClientHeight);
  QFont font(DecodeSjis(Form1FontName));
  font.setPixelSize(Form1FontPixels);
  setFont(font);
  SetBackground(this, QPalette::Window, Form1Colour);
  setAutoFillBackground(true);

  // Parents come before their children in the layout.
  for (const TControlLayout& control : Form1Controls) {
    QWidget* parent = control.Parent.empty() ? this : findChild<QWidget*>(NameOf(control.Parent));
    MakeControl(control, parent);
  }
  FindControls();
  ComboBox1->clear();
  for (const std::string_view item : MarkerItems) ComboBox1->addItem(DecodeSjis(item));
  ComboBox1->setCurrentIndex(0);
  for (const TControlLayout& control : Form1Controls)
    if (!control.Names.empty())
      findChild<QLabel*>(NameOf(control.Name))->setBuddy(findChild<QWidget*>(NameOf(control.Names)));

  QWidget* previous = nullptr;
  for (const TControlLayout* control : TabChain()) {
    QWidget* next = findChild<QWidget*>(NameOf(control->Name));
    if (previous != nullptr) setTabOrder(previous, next);
    previous = next;
  }

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TForm1::FindControls() {
  GroupBox1 = findChild<QGroupBox*>("GroupBox1");
  CheckBox1 = findChild<QCheckBox*>("CheckBox1");
  CheckBox2 = findChild<QCheckBox*>("CheckBox2");
  CheckBox3 = findChild<QCheckBox*>("CheckBox3");
  CheckBox4 = findChild<QCheckBox*>("CheckBox4");
  CheckBox5 = findChild<QCheckBox*>("CheckBox5");
  CheckBox6 = findChild<QCheckBox*>("CheckBox6");
  CheckBox7 = findChild<QCheckBox*>("CheckBox7");
  GroupBox2 = findChild<QGroupBox*>("GroupBox2");
  RadioButton1 = findChild<QRadioButton*>("RadioButton1");
  RadioButton2 = findChild<QRadioButton*>("RadioButton2");
  Label1 = findChild<QLabel*>("Label1");
  ComboBox1 = findChild<QComboBox*>("ComboBox1");
  Label2 = findChild<QLabel*>("Label2");
  Edit1 = findChild<TImeOffEdit*>("Edit1");
  Label3 = findChild<QLabel*>("Label3");
  ComboBox2 = findChild<QComboBox*>("ComboBox2");
  Memo1 = findChild<QPlainTextEdit*>("Memo1");
  Button1 = findChild<QPushButton*>("Button1");
  Button2 = findChild<QPushButton*>("Button2");
  LabelA1 = findChild<QLabel*>("LabelA1");
}

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
  Settings = session_.Open();
  try {
    ShowSettings();
    FillColourList();
    ComboBox2->setCurrentIndex(ListIndex(Settings.ColorIndex, ComboBox2->count()));
    ShowStatus(CountsText());
  } catch (const std::exception&) {
    // Only exhausted memory gets here; the dialog opens with what it has.
  }
}

void TForm1::ShowSettings() {
  std::vector<TScreenRect> workAreas;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    workAreas.push_back({area.left(), area.top(), area.left() + area.width(),
                         area.top() + area.height()});
  }
  const QSize frame = frameGeometry().size();
  const TScreenPoint at = DialogPlacement({Settings.WindowLeft, Settings.WindowTop},
                                          frame.width(), frame.height(), workAreas);
  move(at.Left, at.Top);
  const TEndPointKinds& kinds = Settings.Kinds;
  CheckBox1->setChecked(kinds.Lines);
  CheckBox2->setChecked(kinds.Arcs);
  CheckBox3->setChecked(kinds.SolidLines);
  CheckBox4->setChecked(kinds.SolidPolygons);
  CheckBox5->setChecked(kinds.SolidCircles);
  CheckBox6->setChecked(kinds.SolidCircums);
  CheckBox7->setChecked(kinds.SolidRings);
  RadioButton1->setChecked(true);
  if (Settings.PointType == PointTypeMarker) RadioButton2->setChecked(true);
  ComboBox1->setCurrentIndex(ListIndex(Settings.MarkerKind, ComboBox1->count()));
  Edit1->setText(DecodeSjis(ShownScale(Settings.Scale)));
}

void TForm1::FillColourList() {
  ComboBox2->setCurrentIndex(-1);
  ComboBox2->clear();
  QStringList items;
  items.reserve(ColourListCount);
  for (int32_t i = ColourListFirst; i <= ColourListLast; ++i) items << DecodeSjis(ColourItem(i));
  ComboBox2->addItems(items);
  ComboBox2->setCurrentIndex(-1);
}

void TForm1::ShowStatus(std::string_view text) {
  LabelA1->setText(DecodeSjis(text));
  LabelA1->repaint();
}

bool TForm1::CaptureSettings(TSettings& settings) {
  settings.WindowLeft = pos().x();
  settings.WindowTop = pos().y();
  TEndPointKinds& kinds = settings.Kinds;
  kinds.Lines = CheckBox1->isChecked();
  kinds.Arcs = CheckBox2->isChecked();
  kinds.SolidLines = CheckBox3->isChecked();
  kinds.SolidPolygons = CheckBox4->isChecked();
  kinds.SolidCircles = CheckBox5->isChecked();
  kinds.SolidCircums = CheckBox6->isChecked();
  kinds.SolidRings = CheckBox7->isChecked();
  settings.PointType = RadioButton2->isChecked() ? PointTypeMarker : PointTypePoint;
  settings.MarkerKind = ComboBox1->currentIndex();
  settings.ColorIndex = ComboBox2->currentIndex();
  const std::string scaleText = EncodeSjis(Edit1->text());
  try {
    settings.Scale = CaptureScale(scaleText);
  } catch (const EFloatOverflow&) {
    QMessageBox::critical(this, ApplicationTitle(), DecodeSjis(ScaleTooLargeText(scaleText)));
    return false;
  }
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
  try {
    if (!session_.Produce(Settings, [this](std::string_view text) { ShowStatus(text); }))
      QMessageBox::critical(this, ApplicationTitle(), DecodeSjis(ComputesDifferentlyText));
  } catch (const std::exception& error) {
    QMessageBox::critical(this, ApplicationTitle(), QString::fromLocal8Bit(error.what()));
    producing_ = false;
    return;
  }
  accept();
}

void TForm1::Button2Click() { reject(); }

void TForm1::done(int result) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  QDialog::done(result);
}

void TForm1::FormClose() { session_.Close(); }
