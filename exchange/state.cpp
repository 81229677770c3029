// The exchange unit's module-level state: the attribute state, the entity
// tables and the order table, with their reset (JwwInit) and release (JwwFree).
#include "exchange/JwwGaibu.h"
#include "exchange/tables.h"

JwwTable<TJwwEntLine> JwwLine;
int32_t JwwLineCount = 0;
JwwTable<TJwwEntCircle> JwwCircle;
int32_t JwwCircleCount = 0;
JwwTable<TJwwEntArc> JwwArc;
int32_t JwwArcCount = 0;
JwwTable<TJwwEntText> JwwText;
int32_t JwwTextCount = 0;
JwwTable<TJwwEntPoint> JwwPoint;
int32_t JwwPointCount = 0;
JwwTable<TJwwEntPointMark> JwwPointMark;
int32_t JwwPointMarkCount = 0;
JwwTable<TJwwEntDim> JwwDim;
int32_t JwwDimCount = 0;
JwwTable<TJwwEntBlk> JwwBlk;
int32_t JwwBlkCount = 0;
JwwTable<TJwwEntSolidLine> JwwSolidLine;
int32_t JwwSolidLineCount = 0;
JwwTable<TJwwEntSolidTri> JwwSolidTri;
int32_t JwwSolidTriCount = 0;
JwwTable<TJwwEntSolidQuad> JwwSolidQuad;
int32_t JwwSolidQuadCount = 0;
JwwTable<TJwwEntSolidCircle> JwwSolidCircle;
int32_t JwwSolidCircleCount = 0;
JwwTable<TJwwEntSolidCircum> JwwSolidCircum;
int32_t JwwSolidCircumCount = 0;
JwwTable<TJwwEntSolidRing> JwwSolidRing;
int32_t JwwSolidRingCount = 0;
JwwTable<TJwwEntSolidRingW> JwwSolidRingW;
int32_t JwwSolidRingWCount = 0;

JwwTable<TJwwOrder> JwwOrder;
int32_t JwwOrderCount = 0;

std::string JwwFileName;
double HkValue;
std::array<double, 16> LgScale;
double SheetW, SheetH;
std::array<TJwwTextStyle, 11> JwwTextStyle;
bool BzFlag;
std::array<double, 4> HnValues;
int32_t HostLg, HostLy, HostLc, HostLt, HostLw;
int32_t HostStyleNo;
double HostTextW, HostTextH, HostTextSp;
int32_t HostTextColor;
std::string HostFont;
std::vector<TJwwHp> JwwHp;
int32_t JwwHpCount;
bool LwGiven;
std::vector<int32_t> LgState;
std::vector<std::string> LgName;
std::vector<int32_t> LyState;
std::vector<std::string> LyName;
bool JwwLayerArraysWritten = true;  // until the first JwwInit gives them their sizes
int32_t CurHhpNo;
int32_t CurLg, CurLy, CurLc, CurLt, CurLw;
int32_t CurZFlags;
int32_t CurStyleNo;
double CurTextW, CurTextH, CurTextSp;
int32_t CurTextColor;
int32_t CurCc;
std::string CurFont;
int32_t CurPlNo;
bool InPolyline;
bool MsgMode;
int32_t CurPn;
int32_t CurSolidColor;
TJwwEntLine HeldLine;

bool NeedLg, NeedLy, NeedLc, NeedLt, NeedLw, NeedCn, NeedPn;

namespace {

// The font of text records until a "cn$" line names one: "<ＭＳ ゴシック>".
constexpr char kDefaultFont[] = "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";

template <typename T>
void Empty(JwwTable<T>& table, int32_t& count) {
  table.Clear();
  count = 0;
}

void EmptyTables() {
  Empty(JwwLine, JwwLineCount);
  Empty(JwwCircle, JwwCircleCount);
  Empty(JwwArc, JwwArcCount);
  Empty(JwwText, JwwTextCount);
  Empty(JwwPoint, JwwPointCount);
  Empty(JwwPointMark, JwwPointMarkCount);
  Empty(JwwDim, JwwDimCount);
  Empty(JwwBlk, JwwBlkCount);
  Empty(JwwSolidLine, JwwSolidLineCount);
  Empty(JwwSolidTri, JwwSolidTriCount);
  Empty(JwwSolidQuad, JwwSolidQuadCount);
  Empty(JwwSolidCircle, JwwSolidCircleCount);
  Empty(JwwSolidCircum, JwwSolidCircumCount);
  Empty(JwwSolidRing, JwwSolidRingCount);
  Empty(JwwSolidRingW, JwwSolidRingWCount);
  Empty(JwwOrder, JwwOrderCount);
}

}  // namespace

void JwwInit() {
  JwwFileName.clear();
  HkValue = 0.0;
  LgScale.fill(1.0);
  SheetW = 1189.0;
  SheetH = 841.0;
  JwwTextStyle.fill(TJwwTextStyle{3.0, 3.0, 0.0, 2});
  BzFlag = false;
  HnValues.fill(0.0);
  HostLg = 0;
  HostLy = 0;
  HostLc = 1;
  HostLt = 1;
  HostLw = 0;
  HostStyleNo = 1;
  HostTextW = 2.0;
  HostTextH = 2.0;
  HostTextSp = 0.0;
  HostTextColor = 1;
  HostFont.clear();
  if (JwwLayerArraysWritten) {
    JwwHp.assign(100, TJwwHp{false, 0.0, 0.0, 0});
    LgState.assign(16, 0);
    LgName.assign(16, std::string());
    LyState.assign(256, 0);
    LyName.assign(256, std::string());
    JwwLayerArraysWritten = false;
  }
  JwwHpCount = 0;
  LwGiven = false;
  CurHhpNo = 0;
  CurLg = 0;
  CurLy = 0;
  CurLc = 1;
  CurLt = 1;
  CurLw = 0;
  CurZFlags = 0;
  CurStyleNo = 1;
  CurTextW = 2.0;
  CurTextH = 2.0;
  CurTextSp = 0.0;
  CurTextColor = 1;
  CurCc = 0;
  CurFont = kDefaultFont;
  CurPlNo = 0;
  InPolyline = false;
  MsgMode = false;
  CurPn = 1;
  CurSolidColor = 0;
  HeldLine = TJwwEntLine{TJwwEntHead{0, 0, 0, 1, 1, 0, 0}, 0, 0.0, 0.0, 1.0, 0.0};
  NeedLg = NeedLy = NeedLc = NeedLt = NeedLw = NeedCn = true;
  NeedPn = true;

  EmptyTables();
  JwwClearOut();
}

void JwwFree() {
  EmptyTables();
  JwwClearOut();
}
