#include "app/Layout.h"

#include <algorithm>

#include "common/MyFunc.h"

const std::array<TControlLayout, 21> Form1Controls = {{
    {"GroupBox1", TControlKind::GroupBox, "", 8, 8, 121, 161,
     "\x91\xce\x8f\xdb\x90\x7d\x8c\x60(&E)",  // 対象図形(&E)
     0, 0, ""},
    {"CheckBox1", TControlKind::CheckBox, "GroupBox1", 8, 16, 110, 17,
     "\x90\xfc\x95\xaa",  // 線分
     0, 0, ""},
    {"CheckBox2", TControlKind::CheckBox, "GroupBox1", 8, 36, 110, 17,
     "\x89\x7e\x8c\xca\x91\xc8\x89\x7e\x8c\xca",  // 円弧楕円弧
     1, 0, ""},
    {"CheckBox3", TControlKind::CheckBox, "GroupBox1", 8, 56, 110, 17,
     "\x90\xfc\x8c\x60\x83\x5c\x83\x8a\x83\x62\x83\x68",  // 線形ソリッド
     2, 0, ""},
    {"CheckBox4", TControlKind::CheckBox, "GroupBox1", 8, 76, 110, 17,
     "\x91\xbd\x8a\x70\x83\x5c\x83\x8a\x83\x62\x83\x68",  // 多角ソリッド
     3, 0, ""},
    {"CheckBox5", TControlKind::CheckBox, "GroupBox1", 8, 96, 110, 17,
     "\x89\x7e\x83\x5c\x83\x8a\x83\x62\x83\x68",  // 円ソリッド
     4, 0, ""},
    {"CheckBox6", TControlKind::CheckBox, "GroupBox1", 8, 116, 110, 17,
     "\x89\x7e\x8e\xfc\x83\x5c\x83\x8a\x83\x62\x83\x68",  // 円周ソリッド
     5, 0, ""},
    {"CheckBox7", TControlKind::CheckBox, "GroupBox1", 8, 136, 110, 17,
     "\x89\x7e\x8a\xc2\x83\x5c\x83\x8a\x83\x62\x83\x68",  // 円環ソリッド
     6, 0, ""},
    {"GroupBox2", TControlKind::GroupBox, "", 136, 8, 145, 129,
     "\x8d\xec\x90\x7d\x83\x5e\x83\x43\x83\x76(&S)",  // 作図タイプ(&S)
     1, 0, ""},
    {"RadioButton1", TControlKind::RadioButton, "GroupBox2", 8, 24, 113, 17,
     "\x93\x5f",  // 点
     0, ControlGroupStart, ""},
    {"RadioButton2", TControlKind::RadioButton, "GroupBox2", 8, 48, 113, 17,
     "\x93\x5f\x83\x7d\x81\x5b\x83\x4a\x81\x5b",  // 点マーカー
     1, 0, ""},
    {"Label1", TControlKind::Label, "GroupBox2", 16, 76, 42, 13,
     "\x8e\xed\x97\xde\x81\x46",  // 種類：
     -1, 0, "ComboBox1"},
    {"ComboBox1", TControlKind::DropDownList, "GroupBox2", 64, 72, 73, 21,
     "",  // 
     2, ControlImeOff, ""},
    {"Label2", TControlKind::Label, "GroupBox2", 16, 100, 42, 13,
     "\x94\x7b\x97\xa6\x81\x46",  // 倍率：
     -1, 0, "Edit1"},
    {"Edit1", TControlKind::Edit, "GroupBox2", 64, 96, 73, 21,
     "1",  // 1
     3, ControlImeOff, ""},
    {"Label3", TControlKind::Label, "", 136, 148, 28, 13,
     "\x90\xfc\x90\x46",  // 線色
     -1, 0, "ComboBox2"},
    {"ComboBox2", TControlKind::DropDownList, "", 168, 144, 113, 21,
     "",  // 
     5, ControlImeOff, ""},
    {"Memo1", TControlKind::Memo, "", 288, 8, 177, 161,
     "",  // 
     2, ControlReadOnly | ControlNoTabStop | ControlVScroll | ControlNoWrap, ""},
    {"Button1", TControlKind::PushButton, "", 72, 184, 121, 25,
     "\x82\x6e\x82\x6a(&Y)",  // ＯＫ(&Y)
     3, ControlDefault, ""},
    {"Button2", TControlKind::PushButton, "", 264, 184, 121, 25,
     "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b(&N)",  // キャンセル(&N)
     4, ControlCancel, ""},
    {"LabelA1", TControlKind::StatusLabel, "", 0, 216, 467, 24,
     "\x81\x40",  // 　
     -1, ControlCentred, ""},
}};

const std::array<std::string_view, 15> Memo1Lines = {
    "\x81\x9b\x8c\xbb\x8d\xdd\x82\xcc\x83\x8c\x83\x43\x83\x84",  // ○現在のレイヤ
    "\x81\x69\x8f\x91\x8d\x9e\x82\xdd\x83\x8c\x83\x43\x83\x84\x81\x6a\x82\xc9",  // （書込みレイヤ）に
    "\x81\x40\x8d\xec\x90\x7d\x82\xb5\x82\xdc\x82\xb7",  // 　作図します
    "\x81\x9b\x90\xa1\x96\x40\x90\x7d\x8c\x60\x81\x45\x90\xa1\x96\x40\x91\xae\x90\xab\x82\xcd",  // ○寸法図形・寸法属性は
    "\x81\x40\x8f\x88\x97\x9d\x91\xce\x8f\xdb\x8a\x4f\x82\xc5\x82\xb7",  // 　処理対象外です
    "",  // 
    "\x81\x9f\x83\x75\x83\x8d\x83\x62\x83\x4e\x90\x7d\x8c\x60\x93\xe0\x82\xcc\x82\xe0\x82\xcc",  // ◆ブロック図形内のもの
    "\x81\x40\x82\xcd\x8f\x88\x97\x9d\x8f\x6f\x97\x88\x82\xdc\x82\xb9\x82\xf1\x82\xcc\x82\xc5",  // 　は処理出来ませんので
    "\x81\x40\x8c\xe4\x92\x8d\x88\xd3\x89\xba\x82\xb3\x82\xa2\x81\x42",  // 　御注意下さい。
    "\x81\x40\x83\x75\x83\x8d\x83\x62\x83\x4e\x95\xd2\x8f\x57\x93\xe0\x82\xc5\x8d\x73\x82\xa4",  // 　ブロック編集内で行う
    "\x81\x40\x8f\xea\x8d\x87\x82\xc9\x82\xcd\x81\x41\x96\x7b\x83\x5c\x83\x74\x83\x67\x82\xf0",  // 　場合には、本ソフトを
    "\x81\x40Jw_cad\x82\xcc\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x81\x45",  // 　Jw_cadのインストール・
    "\x81\x40\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xc9\x94\x7a\x92\x75\x82\xb5\x82\xc4",  // 　フォルダに配置して
    "\x81\x40\x8e\xc0\x8d\x73\x82\xf0\x8d\x73\x82\xa4\x95\x4b\x97\x76\x82\xaa\x82\xa0\x82\xe9",  // 　実行を行う必要がある
    "\x81\x40\x8f\xea\x8d\x87\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42",  // 　場合があります。
};

const std::array<std::string_view, 7> MarkerItems = {
    "\x81\x96",  // ＊
    "\x81\x9b",  // ○
    "\x81\x45",  // ・
    "\x81\x7b",  // ＋
    "\x81\xa0",  // □
    "\x81\xa2",  // △
    "\x81\x7e",  // ×
};

const TControlLayout* FindControl(std::string_view name) {
  for (const TControlLayout& control : Form1Controls)
    if (control.Name == name) return &control;
  return nullptr;
}

std::vector<const TControlLayout*> TabChain() {
  // A control's place in the chain: its parent's tab order (its own for a
  // child of the dialog), then its own.
  const auto key = [](const TControlLayout* control) {
    const TControlLayout* parent = FindControl(control->Parent);
    return parent == nullptr ? std::pair(control->TabOrder, -1)
                             : std::pair(parent->TabOrder, control->TabOrder);
  };
  std::vector<const TControlLayout*> chain;
  for (const TControlLayout& control : Form1Controls) {
    const bool container = control.Kind == TControlKind::GroupBox;
    if (control.TabOrder >= 0 && !container && (control.Flags & ControlNoTabStop) == 0)
      chain.push_back(&control);
  }
  std::stable_sort(chain.begin(), chain.end(),
                   [&](const auto* a, const auto* b) { return key(a) < key(b); });
  return chain;
}

std::string ColourItem(int32_t index) {
  if (index <= 0) return "\x8c\xbb\x8d\xdd\x90\xfc\x90\x46";  // "現在線色"
  if (index <= 9) return "\x90\xfc\x90\x46" + IntToText(index);  // "線色" 1 .. 9
  return "SXF-" + IntToText(index - 9);                          // SXF-1 .. SXF-256
}

int32_t ListIndex(int32_t index, int32_t count) { return index >= 0 && index < count ? index : -1; }

TScreenPoint DialogPlacement(TScreenPoint stored, int32_t width, int32_t height,
                             const std::vector<TScreenRect>& workAreas) {
  // 64 bits: a stored corner may lie anywhere a 32-bit integer reaches.
  const int64_t left = stored.Left;
  const int64_t top = stored.Top;
  const int64_t right = left + std::max(width, int32_t{1});
  const int64_t bottom = top + std::max(height, int32_t{1});
  const TScreenRect* nearest = nullptr;
  double nearestGap = 0;
  for (const TScreenRect& area : workAreas) {
    if (area.Right <= area.Left || area.Bottom <= area.Top) continue;
    if (left < area.Right && area.Left < right && top < area.Bottom && area.Top < bottom)
      return stored;
    // The gaps between the frame and the area along each axis; 0 where they
    // overlap or touch along it.
    const int64_t dx = std::max({int64_t{0}, area.Left - right, left - area.Right});
    const int64_t dy = std::max({int64_t{0}, area.Top - bottom, top - area.Bottom});
    // Squared, in a double: 64 bits would overflow for corners far out.
    const double gap = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
    if (nearest == nullptr || gap < nearestGap) {
      nearest = &area;
      nearestGap = gap;
    }
  }
  if (nearest == nullptr) return stored;
  const auto inside = [](int64_t at, int64_t size, int32_t low, int32_t high) {
    return static_cast<int32_t>(std::max<int64_t>(low, std::min<int64_t>(at, high - size)));
  };
  return {inside(left, right - left, nearest->Left, nearest->Right),
          inside(top, bottom - top, nearest->Top, nearest->Bottom)};
}
