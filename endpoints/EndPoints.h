// The end-point walk: visits the entity tables in a fixed order, computes the
// end points of the chosen kinds, drops duplicates and emits one point or
// point-marker command per new point.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "common/BlockArray.h"

struct TJwwEntArc;
struct TJwwEntSolidRing;

// The kinds of entity whose end points are wanted, one flag a check box.
struct TEndPointKinds {
  bool Lines = true;          // "線分": JwwLine
  bool Arcs = true;           // "円弧楕円弧": JwwArc
  bool SolidLines = true;     // "線形ソリッド": JwwSolidLine
  bool SolidPolygons = true;  // "多角ソリッド": JwwSolidTri, JwwSolidQuad
  bool SolidCircles = true;   // "円ソリッド": JwwSolidCircle
  bool SolidCircums = true;   // "円周ソリッド": JwwSolidCircum
  bool SolidRings = true;     // "円環ソリッド": JwwSolidRing, JwwSolidRingW

  bool operator==(const TEndPointKinds&) const = default;
};

// The dialog's choices the walk uses.
struct TEndPointChoices {
  TEndPointKinds Kinds;
  bool Markers = false;     // point markers ("点マーカー") instead of plain points
  int32_t MarkerIndex = 0;  // ComboBox1 index, -1 for none
  double Scale = 1.0;       // marker scale
};

struct TPlacedPoint {
  double X;
  double Y;
};

// The points placed in one walk, in placement order, with an index that finds
// a placed point within 1e-8 on both axes without scanning them all.
// Storage grows in steps of 100 entries and never moves what it holds.
class TPlacedPointList {
 public:
  TPlacedPointList();
  ~TPlacedPointList();
  TPlacedPointList(const TPlacedPointList&) = delete;
  TPlacedPointList& operator=(const TPlacedPointList&) = delete;

  // Number of points placed.
  int32_t PlacedCount() const;
  // Capacity of the storage in entries (a multiple of 100).
  int32_t Capacity() const;
  // Point i in placement order; 0 <= i < PlacedCount().
  const TPlacedPoint& operator[](int32_t i) const;

  // True when some placed point lies within 1e-8 of (x, y) on both axes,
  // bounds inclusive, each axis compared on its own.
  bool Contains(double x, double y) const;
  // Appends (x, y) as the last point.
  void Append(double x, double y);
  // Sizes the index once for up to `offers` more points, so that the walk
  // never rebuilds it. Changes no answer.
  void Reserve(int64_t offers);
  // Tells the index that (x, y) is about to be looked up, so that its memory
  // is fetched meanwhile. Changes nothing.
  void Prefetch(double x, double y) const;
  // Releases the storage; the count becomes 0.
  void Clear();

 private:
  struct Index;
  BlockArray<TPlacedPoint, 100> points_;
  int32_t count_ = 0;
  std::unique_ptr<Index> index_;
};

// True when the arc or elliptical arc has end points: its extent EndAng -
// StartAng, brought into [0, 360), lies more than 1e-8 degrees from both 0
// and 360. An extent that is not a finite number counts as open. The walk
// and the host's picture decide by this alone.
bool ArcHasEnds(const TJwwEntArc& arc);

// True when the annulus solid (either kind) has end points: its Span lies more
// than 1e-12 radians from both 0 and a full turn, either way round. A span
// that is not a finite number counts as open.
bool RingHasEnds(const TJwwEntSolidRing& ring);

// Offers one end point: when it is finite and no placed point lies within
// 1e-8 on both axes, appends it and emits exactly one command (EmitPoint, or
// EmitPointMarker with kind -(MarkerIndex + 1), the scale and aux 0).
void PlacePoint(TPlacedPointList& placed, const TEndPointChoices& choices, double x, double y);

// Shows one status message (Shift-JIS bytes) at once.
using TShowStatus = std::function<void(std::string_view)>;

// Runs the eight steps of the walk over the tables, each first showing its
// message, offering every point of the chosen kinds to PlacePoint. The caller
// empties the list before and after.
void EndPointWalk(const TEndPointChoices& choices, TPlacedPointList& placed,
                  const TShowStatus& showStatus);
