// The entity tables: the order table, the record header, and the building
// step of each kind.
#include <cmath>
#include <string>

#include "common/BlockArray.h"
#include "exchange/JwwGaibu.h"
#include "exchange/tables.h"

void JwwAddOrder(int32_t kind, int32_t index) {
  const int32_t count = JwwOrderCount;
  try {
    GrowForAppend(JwwOrder, JwwOrderCount);
  } catch (...) {
    // A growth that failed must not leave a count beyond the storage.
    JwwOrderCount = count;
    throw;
  }
  JwwOrder[JwwOrderCount - 1] = TJwwOrder{kind, index};
}

void JwwStampHead(TJwwEntHead& head) {
  head.HhpNo = CurHhpNo;
  head.Lg = CurLg;
  head.Ly = CurLy;
  head.Lc = CurLc;
  head.Lt = CurLt;
  head.Lw = CurLw;
  head.ZFlags = CurZFlags;
}

namespace {

// Appends a zero-filled record of the given kind with its order pair and a
// stamped header, and returns it. On failure neither count has moved.
template <typename T>
T& Append(JwwTable<T>& table, int32_t& count, int32_t kind) {
  const int32_t index = count;
  JwwAddOrder(kind, index);
  try {
    GrowForAppend(table, count);
  } catch (...) {
    count = index;
    --JwwOrderCount;
    throw;
  }
  T& record = table[index];
  JwwStampHead(record.Head);
  return record;
}

// The first 255 bytes of a text: the longest text a record holds.
std::string_view Cut255(std::string_view text) { return text.substr(0, 255); }

// Fills a text (also the text of a dimension) whose header is stamped: style,
// size and colour, position and direction, font and text.
void FillText(TJwwEntText& rec, int32_t textKind, const double (&v)[4], std::string_view text) {
  rec.TextKind = textKind;
  rec.Cc = CurCc;
  rec.StyleNo = CurStyleNo;
  if (rec.StyleNo >= 1 && rec.StyleNo <= 10) {
    const TJwwTextStyle& style = JwwTextStyle[static_cast<size_t>(rec.StyleNo)];
    rec.Width = style.Width;
    rec.Height = style.Height;
    rec.Spacing = style.Spacing;
    rec.Head.Lc = style.Color;
  } else {
    rec.Width = CurTextW;
    rec.Height = CurTextH;
    rec.Spacing = CurTextSp;
    rec.Head.Lc = CurTextColor;
  }
  rec.X = v[0];
  rec.Y = v[1];
  rec.Dx = v[2];
  rec.Dy = v[3];
  rec.FontName.assign(Cut255(CurFont));
  rec.Text.assign(Cut255(text));
}

struct TCorner {
  double X, Y;
};

// Corners of a polygon solid coincide when they are at most 1e-10 apart on
// both axes; the differences are taken in extended precision.
bool SameCorner(TCorner a, TCorner b) {
  const long double dx = static_cast<long double>(a.X) - static_cast<long double>(b.X);
  const long double dy = static_cast<long double>(a.Y) - static_cast<long double>(b.Y);
  return std::fabs(dx) <= 1e-10L && std::fabs(dy) <= 1e-10L;
}

void AddSolidLine(TCorner p, TCorner q) {
  TJwwEntSolidLine& rec = Append(JwwSolidLine, JwwSolidLineCount, JwwKindSolidLine);
  rec.SolidColor = CurSolidColor;
  rec.X1 = p.X;
  rec.Y1 = p.Y;
  rec.X2 = q.X;
  rec.Y2 = q.Y;
}

void AddSolidTri(TCorner p, TCorner q, TCorner r) {
  TJwwEntSolidTri& rec = Append(JwwSolidTri, JwwSolidTriCount, JwwKindSolidTri);
  rec.SolidColor = CurSolidColor;
  rec.X1 = p.X;
  rec.Y1 = p.Y;
  rec.X2 = q.X;
  rec.Y2 = q.Y;
  rec.X3 = r.X;
  rec.Y3 = r.Y;
}

void AddSolidQuad(TCorner p, TCorner q, TCorner r, TCorner s) {
  TJwwEntSolidQuad& rec = Append(JwwSolidQuad, JwwSolidQuadCount, JwwKindSolidQuad);
  rec.SolidColor = CurSolidColor;
  rec.X1 = p.X;
  rec.Y1 = p.Y;
  rec.X2 = q.X;
  rec.Y2 = q.Y;
  rec.X3 = r.X;
  rec.Y3 = r.Y;
  rec.X4 = s.X;
  rec.Y4 = s.Y;
}

// The fields circle and ring solids share: the current solid colour, then
// the centre, radius, flatness, tilt, start angle and span from v[0..6].
template <typename T>
void SetSolidArc(T& rec, const double* v) {
  rec.SolidColor = CurSolidColor;
  rec.Cx = v[0];
  rec.Cy = v[1];
  rec.R = v[2];
  rec.Flat = v[3];
  rec.Tilt = v[4];
  rec.StartAng = v[5];
  rec.Span = v[6];
}

}  // namespace

void JwwAddLine(JwwTokens t) {
  double v[4];
  JwwFloats(t, 0, 4, v);
  if (MsgMode) {
    JwwStampHead(HeldLine.Head);
    HeldLine.PlNo = 0;
    HeldLine.X1 = v[0];
    HeldLine.Y1 = v[1];
    HeldLine.X2 = v[2];
    HeldLine.Y2 = v[3];
    return;
  }
  TJwwEntLine& rec = Append(JwwLine, JwwLineCount, JwwKindLine);
  rec.PlNo = InPolyline ? CurPlNo : 0;
  rec.X1 = v[0];
  rec.Y1 = v[1];
  rec.X2 = v[2];
  rec.Y2 = v[3];
}

void JwwAddCircle(JwwTokens t) {
  double v[3];
  JwwFloats(t, 1, 3, v);
  TJwwEntCircle& rec = Append(JwwCircle, JwwCircleCount, JwwKindCircle);
  rec.Cx = v[0];
  rec.Cy = v[1];
  rec.R = v[2];
}

void JwwAddArc(JwwTokens t) {
  double v[7];
  JwwFloats(t, 1, 7, v);
  TJwwEntArc& rec = Append(JwwArc, JwwArcCount, JwwKindArc);
  rec.Cx = v[0];
  rec.Cy = v[1];
  rec.R = v[2];
  rec.StartAng = v[3];
  rec.EndAng = v[4];
  rec.Flat = v[5];
  rec.Tilt = v[6];
}

void JwwAddText(JwwTokens t, int32_t textKind) {
  double v[4];
  JwwFloats(t, 1, 4, v);
  TJwwEntText& rec = Append(JwwText, JwwTextCount, JwwKindText);
  FillText(rec, textKind, v, t[5]);
}

void JwwAddDim(JwwTokens t) {
  double v[4];
  JwwFloats(t, 1, 4, v);
  TJwwEntDim& rec = Append(JwwDim, JwwDimCount, JwwKindDim);
  rec.DimLine = HeldLine;
  JwwStampHead(rec.DimText.Head);
  FillText(rec.DimText, 2, v, t[5]);
}

void JwwAddPoint(JwwTokens t) {
  double v[2];
  JwwFloats(t, 1, 2, v);
  TJwwEntPoint& rec = Append(JwwPoint, JwwPointCount, JwwKindPoint);
  rec.Head.Lc = CurPn;
  rec.X = v[0];
  rec.Y = v[1];
}

void JwwAddPointMark(JwwTokens t) {
  double v[4];
  JwwFloats(t, 1, 4, v);
  TJwwEntPointMark& rec = Append(JwwPointMark, JwwPointMarkCount, JwwKindPointMark);
  rec.Head.Lc = CurPn;
  rec.X = v[0];
  rec.Y = v[1];
  rec.Scale = v[2];
  rec.Aux = v[3];
  rec.MarkKind = TextToInt(t[5]);
}

void JwwAddBlk(JwwTokens t) {
  double v[2];
  JwwFloats(t, 1, 2, v);
  TJwwEntBlk& rec = Append(JwwBlk, JwwBlkCount, JwwKindBlk);
  rec.X = v[0];
  rec.Y = v[1];
  rec.Name.assign(t[3]);
}

void JwwAddPolygonSolid(JwwTokens t) {
  const size_t n = t.size();
  if (n != 5 && n != 7 && n < 9) return;
  const size_t corners = n >= 9 ? 4 : (n - 1) / 2;
  double v[8];
  JwwFloats(t, 1, corners * 2, v);
  const TCorner p1{v[0], v[1]};
  const TCorner p2{v[2], v[3]};
  if (corners == 2) {
    AddSolidLine(p1, p2);
    return;
  }
  const TCorner p3{v[4], v[5]};
  if (corners == 3) {
    // P1 = P3 is not merged: such a line stays a triangle.
    if (SameCorner(p1, p2)) {
      AddSolidLine(p1, p3);
    } else if (SameCorner(p2, p3)) {
      AddSolidLine(p1, p2);
    } else {
      AddSolidTri(p1, p2, p3);
    }
    return;
  }
  const TCorner p4{v[6], v[7]};
  if (SameCorner(p1, p2) && SameCorner(p1, p3)) {
    AddSolidLine(p1, p4);
  } else if (SameCorner(p2, p3) && SameCorner(p2, p4)) {
    AddSolidLine(p1, p2);
  } else if (SameCorner(p1, p2) && SameCorner(p3, p4)) {
    AddSolidLine(p1, p3);
  } else if (SameCorner(p4, p1) || SameCorner(p4, p2) || SameCorner(p4, p3)) {
    AddSolidTri(p1, p2, p3);
  } else if (SameCorner(p3, p1) || SameCorner(p3, p2)) {
    AddSolidTri(p1, p2, p4);
  } else if (SameCorner(p2, p1)) {
    AddSolidTri(p1, p3, p4);
  } else {
    AddSolidQuad(p1, p2, p3, p4);
  }
}

void JwwAddSolidCircle(JwwTokens t, int32_t kind) {
  double v[7];
  JwwFloats(t, 1, 7, v);
  JwwTable<TJwwEntSolidCircle>& table = kind == JwwKindSolidCircle ? JwwSolidCircle : JwwSolidCircum;
  int32_t& count = kind == JwwKindSolidCircle ? JwwSolidCircleCount : JwwSolidCircumCount;
  TJwwEntSolidCircle& rec = Append(table, count, kind);
  SetSolidArc(rec, v);
  rec.FillMode = TextToInt(t[8]);
}

void JwwAddSolidRing(JwwTokens t, int32_t kind) {
  double v[8];
  JwwFloats(t, 1, 8, v);
  JwwTable<TJwwEntSolidRing>& table = kind == JwwKindSolidRing ? JwwSolidRing : JwwSolidRingW;
  int32_t& count = kind == JwwKindSolidRing ? JwwSolidRingCount : JwwSolidRingWCount;
  TJwwEntSolidRing& rec = Append(table, count, kind);
  SetSolidArc(rec, v);
  rec.R2 = v[7];
}
