#include "app/win32/Unit1.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/win32/Resources.h"
#include "app/win32/WideText.h"
#include "common/MyFunc.h"

TForm1* Form1 = nullptr;

namespace {

// The window: a fixed border, the window menu, the close box and a minimise
// box, no maximise box.
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Identifiers of the controls without a role of their own: this plus their
// place in the layout.
constexpr int kFirstControlId = 100;
// The items a dropped-down list shows at once.
constexpr int kDropDownItems = 8;

COLORREF ColourOf(TRgb rgb) { return RGB(rgb.Red, rgb.Green, rgb.Blue); }

// The window class, styles and identifier of a control of the layout.
struct TWindowKind {
  const wchar_t* ClassName;
  DWORD Style;
  DWORD ExStyle;
};

TWindowKind KindOf(const TControlLayout& control) {
  const uint32_t flags = control.Flags;
  switch (control.Kind) {
    case TControlKind::GroupBox: return {L"BUTTON", BS_GROUPBOX, 0};
    case TControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case TControlKind::RadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON, 0};
    case TControlKind::Label: return {L"STATIC", SS_LEFT, 0};
    case TControlKind::DropDownList: return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0};
    case TControlKind::Edit: return {L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::Memo: {
      DWORD style = ES_MULTILINE | ES_AUTOVSCROLL;
      if ((flags & ControlReadOnly) != 0) style |= ES_READONLY;
      if ((flags & ControlVScroll) != 0) style |= WS_VSCROLL;
      if ((flags & ControlNoWrap) != 0) style |= ES_AUTOHSCROLL;
      return {L"EDIT", style, WS_EX_CLIENTEDGE};
    }
    case TControlKind::PushButton: {
      const DWORD style = (flags & ControlDefault) != 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      return {L"BUTTON", style, 0};
    }
    case TControlKind::StatusLabel: {
      DWORD style = SS_NOPREFIX;
      if ((flags & ControlCentred) != 0) style |= SS_CENTER | SS_CENTERIMAGE;
      return {L"STATIC", style, 0};
    }
  }
  return {L"STATIC", 0, 0};
}

int IdOf(const TControlLayout& control) {
  // Enter and Esc reach the dialog as the commands IDOK and IDCANCEL.
  if ((control.Flags & ControlDefault) != 0) return IDOK;
  if ((control.Flags & ControlCancel) != 0) return IDCANCEL;
  return kFirstControlId + static_cast<int>(&control - Form1Controls.data());
}

// The controls in the order they are created, which is the order Tab and the
// accelerators follow: the tab chain, each control preceded by its group box
// and by the label that names it, then the rest.
std::vector<const TControlLayout*> CreationOrder() {
  std::vector<const TControlLayout*> order;
  const auto add = [&order](const TControlLayout* control) {
    if (control != nullptr && std::find(order.begin(), order.end(), control) == order.end())
      order.push_back(control);
  };
  const std::vector<const TControlLayout*> chain = TabChain();
  for (const TControlLayout* control : chain) {
    add(FindControl(control->Parent));
    for (const TControlLayout& label : Form1Controls)
      if (label.Names == control->Name) add(&label);
    add(control);
  }
  for (const TControlLayout& control : Form1Controls) add(&control);
  return order;
}

bool InTabChain(const TControlLayout& control) {
  const std::vector<const TControlLayout*> chain = TabChain();
  return std::find(chain.begin(), chain.end(), &control) != chain.end();
}

std::wstring MemoText() {
  std::string text;
  for (const std::string_view line : Memo1Lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return WideOfSjis(text);
}

// The memo takes no Tab, Enter or Esc: they belong to the dialog.
LRESULT CALLBACK LeaveKeysToDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR) {
  const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_GETDLGCODE)
    return result & ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
  return result;
}

// Makes the selection field of a drop-down list as high as the layout says.
void FitListHeight(HWND list, int height) {
  RECT shown{};
  GetWindowRect(list, &shown);
  const int difference = height - static_cast<int>(shown.bottom - shown.top);
  if (difference == 0) return;
  const LRESULT item = SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + difference);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& work = info.rcWork;
    reinterpret_cast<std::vector<TScreenRect>*>(areas)->push_back(
        {work.left, work.top, work.right, work.bottom});
  }
  return TRUE;
}

// The work area of every monitor: the screen less the taskbar and the bars
// docked to its edges.
std::vector<TScreenRect> MonitorWorkAreas() {
  std::vector<TScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace

TForm1::TForm1(const std::filesystem::path& program) : session_(program) {}

TForm1::~TForm1() {
  if (Handle != nullptr) DestroyWindow(Handle);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(formBrush_),
                         static_cast<HGDIOBJ>(memoBrush_), static_cast<HGDIOBJ>(statusBrush_)})
    if (object != nullptr) DeleteObject(object);
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

bool TForm1::Create(HINSTANCE instance) {
  instance_ = instance;
  // A character height of 13 pixels: a negative height leaves out the
  // internal leading.
  font_ = CreateFontW(-Form1FontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      FIXED_PITCH | FF_MODERN, WideOfSjis(Form1FontName).c_str());
  formBrush_ = CreateSolidBrush(ColourOf(Form1Colour));
  memoBrush_ = CreateSolidBrush(ColourOf(Memo1Colour));
  statusBrush_ = CreateSolidBrush(ColourOf(LabelA1Colour));
  const auto icon = [instance](int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, size, size, 0));
  };
  bigIcon_ = icon(SM_CXICON);
  smallIcon_ = icon(SM_CXSMICON);

  // An empty dialog template; the controls come from the layout.
  DLGTEMPLATE header{};
  header.style = kFormStyle;
  header.dwExtendedStyle = WS_EX_APPWINDOW;
  // The header, then no menu, the dialog class and no title, each one WORD.
  alignas(DWORD) WORD words[sizeof(DLGTEMPLATE) / sizeof(WORD) + 3] = {};
  std::memcpy(words, &header, sizeof header);
  Handle = CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(words), nullptr,
                                      DialogProc, reinterpret_cast<LPARAM>(this));
  return Handle != nullptr;
}

INT_PTR CALLBACK TForm1::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<TForm1*>(lParam)->Handle = window;
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, DWLP_USER));
  if (form == nullptr) return FALSE;
  try {
    return form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // No exception may cross the system's code: it ends the message loop
    // and is thrown again there.
    if (!form->failure_) form->failure_ = std::current_exception();
    PostQuitMessage(0);
    return FALSE;
  }
}

INT_PTR TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: BuildControls(); return FALSE;  // the focus is set
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(formBrush_);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<INT_PTR>(
          ControlColour(message, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK: Button1Click(); return TRUE;
        case IDCANCEL: Button2Click(); return TRUE;
      }
      return FALSE;
    case WM_CLOSE:  // the close box, the window menu and Alt+F4
      CloseForm();
      return TRUE;
    case WM_DESTROY:
      Handle = nullptr;
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

HBRUSH TForm1::ControlColour(UINT message, HWND control, HDC dc) {
  // A read-only edit, such as the memo, asks as a static control does.
  if (control == Memo1) {
    SetBkColor(dc, ColourOf(Memo1Colour));
    return memoBrush_;
  }
  if (control == LabelA1) {
    SetBkColor(dc, ColourOf(LabelA1Colour));
    return statusBrush_;
  }
  if (message == WM_CTLCOLOREDIT) return nullptr;  // Edit1 keeps the system's colours
  SetBkColor(dc, ColourOf(Form1Colour));
  return formBrush_;
}

void TForm1::BuildControls() {
  SetWindowTextW(Handle, WideOfSjis(Form1Caption).c_str());
  SendMessageW(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(Handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  RECT frame{0, 0, Form1ClientWidth, Form1ClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(Handle, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(Handle, GWL_EXSTYLE)));
  SetWindowPos(Handle, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  HWND previous = nullptr;
  for (const TControlLayout* control : CreationOrder()) previous = MakeControl(*control, previous);
  FindControls();
  for (const std::string_view item : MarkerItems)
    SendMessageW(ComboBox1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideOfSjis(item).c_str()));
  SendMessageW(ComboBox1, CB_SETCURSEL, 0, 0);
  SendMessageW(Edit1, EM_SETLIMITTEXT, Edit1MaxChars, 0);
  SetWindowTextW(Memo1, MemoText().c_str());
  SetWindowSubclass(Memo1, LeaveKeysToDialog, 0, 0);
  // No control takes Japanese input: with the input method on, Space would
  // not reach a check box or a button.
  ImmAssociateContextEx(Handle, nullptr, IACE_CHILDREN);
  SendMessageW(Handle, DM_SETDEFID, IDOK, 0);
  // The focus starts on the first control of the tab chain.
  const TControlLayout* first = TabChain().front();
  SendMessageW(
      Handle, WM_NEXTDLGCTL,
      reinterpret_cast<WPARAM>(controls_[static_cast<size_t>(first - Form1Controls.data())]), TRUE);
}

HWND TForm1::MakeControl(const TControlLayout& control, HWND previous) {
  TWindowKind kind = KindOf(control);
  DWORD style = WS_CHILD | WS_VISIBLE | kind.Style;
  if (InTabChain(control)) style |= WS_TABSTOP;
  // Every control a group of its own but the radio buttons of one group, so
  // that the arrow keys move between those only, never onto a label or a
  // group box.
  if (control.Kind != TControlKind::RadioButton || (control.Flags & ControlGroupStart) != 0)
    style |= WS_GROUP;
  int left = control.Left;
  int top = control.Top;
  if (const TControlLayout* parent = FindControl(control.Parent)) {
    left += parent->Left;
    top += parent->Top;
  }
  // A drop-down list's window reaches down over its dropped list.
  const int height = control.Kind == TControlKind::DropDownList
                         ? control.Height + kDropDownItems * (Form1FontPixels + 3) + 2
                         : control.Height;
  const HWND window = CreateWindowExW(
      kind.ExStyle, kind.ClassName, WideOfSjis(control.Caption).c_str(), style, left, top,
      control.Width, height, Handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(control))),
      instance_, nullptr);
  if (window == nullptr) return previous;
  controls_[static_cast<size_t>(&control - Form1Controls.data())] = window;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // Creation order is the order of Tab; made certain with the z-order.
  SetWindowPos(window, previous == nullptr ? HWND_TOP : previous, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (control.Kind == TControlKind::DropDownList) {
    FitListHeight(window, control.Height);
    SendMessageW(window, CB_SETMINVISIBLE, kDropDownItems, 0);
  }
  if ((control.Flags & ControlImeOff) != 0) ImmAssociateContext(window, nullptr);
  return window;
}

void TForm1::FindControls() {
  const auto find = [this](std::string_view name) {
    return controls_[static_cast<size_t>(FindControl(name) - Form1Controls.data())];
  };
  GroupBox1 = find("GroupBox1");
  CheckBox1 = find("CheckBox1");
  CheckBox2 = find("CheckBox2");
  CheckBox3 = find("CheckBox3");
  CheckBox4 = find("CheckBox4");
  CheckBox5 = find("CheckBox5");
  CheckBox6 = find("CheckBox6");
  CheckBox7 = find("CheckBox7");
  GroupBox2 = find("GroupBox2");
  RadioButton1 = find("RadioButton1");
  RadioButton2 = find("RadioButton2");
  Label1 = find("Label1");
  ComboBox1 = find("ComboBox1");
  Label2 = find("Label2");
  Edit1 = find("Edit1");
  Label3 = find("Label3");
  ComboBox2 = find("ComboBox2");
  Memo1 = find("Memo1");
  Button1 = find("Button1");
  Button2 = find("Button2");
  LabelA1 = find("LabelA1");
}

void TForm1::ShowModal() {
  FormShow();
  ShowWindow(Handle, SW_SHOW);
  UpdateWindow(Handle);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, the arrows, Enter, Esc and the Alt accelerators.
    if (Handle != nullptr && IsDialogMessageW(Handle, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (failure_) std::rethrow_exception(failure_);
}

void TForm1::FormShow() {
  Settings = session_.Open();
  try {
    ShowSettings();
    FillColourList();
    const auto count = static_cast<int32_t>(SendMessageW(ComboBox2, CB_GETCOUNT, 0, 0));
    SendMessageW(ComboBox2, CB_SETCURSEL,
                 static_cast<WPARAM>(ListIndex(Settings.ColorIndex, count)), 0);
    ShowStatus(CountsText());
  } catch (const std::exception&) {
    // Only exhausted memory gets here; the dialog opens with what it has.
  }
}

void TForm1::ShowSettings() {
  RECT frame{};
  GetWindowRect(Handle, &frame);
  const TScreenPoint at =
      DialogPlacement({Settings.WindowLeft, Settings.WindowTop}, frame.right - frame.left,
                      frame.bottom - frame.top, MonitorWorkAreas());
  SetWindowPos(Handle, nullptr, at.Left, at.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const TEndPointKinds& kinds = Settings.Kinds;
  const auto check = [](HWND box, bool checked) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  check(CheckBox1, kinds.Lines);
  check(CheckBox2, kinds.Arcs);
  check(CheckBox3, kinds.SolidLines);
  check(CheckBox4, kinds.SolidPolygons);
  check(CheckBox5, kinds.SolidCircles);
  check(CheckBox6, kinds.SolidCircums);
  check(CheckBox7, kinds.SolidRings);
  const bool markers = Settings.PointType == PointTypeMarker;
  check(RadioButton1, !markers);
  check(RadioButton2, markers);
  const auto count = static_cast<int32_t>(SendMessageW(ComboBox1, CB_GETCOUNT, 0, 0));
  SendMessageW(ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(ListIndex(Settings.MarkerKind, count)),
               0);
  SetWindowTextW(Edit1, WideOfSjis(ShownScale(Settings.Scale)).c_str());
}

void TForm1::FillColourList() {
  SendMessageW(ComboBox2, CB_RESETCONTENT, 0, 0);
  SendMessageW(ComboBox2, CB_INITSTORAGE, ColourListCount, ColourListCount * 16);
  for (int32_t i = ColourListFirst; i <= ColourListLast; ++i)
    SendMessageW(ComboBox2, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(WideOfSjis(ColourItem(i)).c_str()));
  SendMessageW(ComboBox2, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void TForm1::ShowStatus(std::string_view text) {
  SetWindowTextW(LabelA1, WideOfSjis(text).c_str());
  RedrawWindow(LabelA1, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool TForm1::CaptureSettings(TSettings& settings) {
  RECT frame{};
  GetWindowRect(Handle, &frame);
  if (IsIconic(Handle)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(Handle, &placement)) frame = placement.rcNormalPosition;
  }
  settings.WindowLeft = frame.left;
  settings.WindowTop = frame.top;
  const auto checked = [](HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  TEndPointKinds& kinds = settings.Kinds;
  kinds.Lines = checked(CheckBox1);
  kinds.Arcs = checked(CheckBox2);
  kinds.SolidLines = checked(CheckBox3);
  kinds.SolidPolygons = checked(CheckBox4);
  kinds.SolidCircles = checked(CheckBox5);
  kinds.SolidCircums = checked(CheckBox6);
  kinds.SolidRings = checked(CheckBox7);
  settings.PointType = checked(RadioButton2) ? PointTypeMarker : PointTypePoint;
  // CB_ERR, the list's "no selection", is -1.
  settings.MarkerKind = static_cast<int32_t>(SendMessageW(ComboBox1, CB_GETCURSEL, 0, 0));
  settings.ColorIndex = static_cast<int32_t>(SendMessageW(ComboBox2, CB_GETCURSEL, 0, 0));
  const std::string scaleText = SjisOfWide(WindowText(Edit1));
  try {
    settings.Scale = CaptureScale(scaleText);
  } catch (const EFloatOverflow&) {
    MessageBoxW(Handle, WideOfSjis(ScaleTooLargeText(scaleText)).c_str(),
                WideOfSjis(ApplicationTitleText).c_str(), MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

void TForm1::Button1Click() {
  if (producing_ || closed_) return;
  producing_ = true;
  TSettings captured;
  bool produced = CaptureSettings(captured);
  if (produced) {
    Settings = captured;
    try {
      if (!session_.Produce(Settings, [this](std::string_view text) { ShowStatus(text); }))
        MessageBoxW(Handle, WideOfSjis(ComputesDifferentlyText).c_str(),
                    WideOfSjis(ApplicationTitleText).c_str(), MB_OK | MB_ICONERROR);
    } catch (const std::exception& error) {
      MessageBoxW(Handle, WideOfAnsi(error.what()).c_str(),
                  WideOfSjis(ApplicationTitleText).c_str(), MB_OK | MB_ICONERROR);
      produced = false;
    }
  }
  producing_ = false;
  if (produced || closePending_) CloseForm();
}

void TForm1::Button2Click() { CloseForm(); }

void TForm1::CloseForm() {
  if (producing_) {
    closePending_ = true;
    return;
  }
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  if (Handle != nullptr) DestroyWindow(Handle);
}

void TForm1::FormClose() {
  // The answer stays until the user gives up: a file that another program
  // holds for a while is written once it lets go.
  for (;;) {
    const TWriteFault fault = session_.WriteAnswer();
    answerWritten_ = fault == TWriteFault::None;
    if (answerWritten_ || !AskToWriteAgain(Handle, fault)) break;
  }
  session_.Release();
}

bool AskToWriteAgain(HWND owner, TWriteFault fault) {
  return MessageBoxW(owner, WideOfSjis(WriteFaultText(fault)).c_str(),
                     WideOfSjis(ApplicationTitleText).c_str(),
                     MB_RETRYCANCEL | MB_ICONERROR | MB_SETFOREGROUND) == IDRETRY;
}

void ShowAnswerNotWritten(HWND owner) {
  MessageBoxW(owner, WideOfSjis(AnswerNotWrittenText).c_str(),
              WideOfSjis(ApplicationTitleText).c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
