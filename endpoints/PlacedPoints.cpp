// The list of points placed in one walk and the spatial index beside it that
// answers "is there a placed point within 1e-8 on both axes?" without a scan
// of the whole list.
//
// The index is a hash grid. Each axis value is keyed in one of two ways:
//  - |v| < 2^27: by its grid cell floor(v / 4e-8). A point within 1e-8 lies in
//    the same cell or a neighbouring one, and only the neighbours on the near
//    side need to be looked at.
//  - |v| >= 2^27: by its exact value. From 2^26 on, neighbouring doubles are
//    2^-26 (about 1.5e-8) apart, so within 1e-8 of such a value lies only the
//    value itself, and no value below 2^27 can match one above.
// A point with a non-finite coordinate matches nothing (its difference with
// anything is NaN or infinite) and is kept out of the index.
#include <cmath>
#include <cstring>
#include <vector>

#include "endpoints/EndPoints.h"

namespace {

using Ext = long double;

// Point identity: each axis on its own, bounds inclusive, the difference taken
// in extended precision from the two doubles.
constexpr Ext kSameTolerance = 1e-8L;

// Cells per unit: a cell is 4e-8 wide, four times the tolerance.
constexpr Ext kCellsPerUnit = 25000000.0L;
// A matching neighbour is at most 1e-8 * kCellsPerUnit = 0.25 cells away; the
// margin covers the rounding of v * kCellsPerUnit (at most 2^-13 cells below
// 2^27).
constexpr Ext kNearEdge = 0.26L;
// From here on an axis value is keyed on its exact bits.
constexpr double kExactFrom = 134217728.0;  // 2^27

bool Same(double a, double b) { return fabsl(static_cast<Ext>(a) - b) <= kSameTolerance; }

// The key of one axis value, and which neighbouring keys may hold a match.
struct TAxisKey {
  int64_t Key;
  bool Exact;     // keyed on the value's bits
  bool LookDown;  // a match may lie in cell Key - 1
  bool LookUp;    // a match may lie in cell Key + 1
};

TAxisKey AxisKey(double v) {
  TAxisKey k{};
  if (std::fabs(v) < kExactFrom) {
    const Ext t = v * kCellsPerUnit;
    const Ext cell = floorl(t);
    const Ext within = t - cell;
    k.Key = static_cast<int64_t>(cell);
    k.LookDown = within < kNearEdge;
    k.LookUp = within > 1.0L - kNearEdge;
  } else {
    std::memcpy(&k.Key, &v, sizeof v);
    k.Exact = true;
  }
  return k;
}

}  // namespace

// Open-addressing hash table from a cell to the newest point in that cell; the
// older points of a cell are chained through Next. A cell is known by a 32-bit
// print of its keys, which also places it in the table: two cells that happen
// to share a print share one chain, which costs a comparison and never an
// answer, since every candidate is compared on its coordinates. Eight-byte
// slots keep the table small enough to stay mostly in cache.
struct TPlacedPointList::Index {
  struct Slot {
    uint32_t Print;
    int32_t Head;  // newest point of the cell; -1 marks an empty slot
  };

  std::vector<Slot> Slots;
  size_t Used = 0;
  std::vector<int32_t> Next;  // by point number: the previous point of its cell

  // The print of the cell (kx.Key + dx, ky.Key + dy).
  static uint32_t Print(const TAxisKey& kx, const TAxisKey& ky, int dx, int dy) {
    const uint64_t kind = (kx.Exact ? 1u : 0u) | (ky.Exact ? 2u : 0u);
    uint64_t h = static_cast<uint64_t>(kx.Key + dx) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<uint64_t>(ky.Key + dy) + kind) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return static_cast<uint32_t>(h >> 32);
  }

  // The slot of the cell with this print, or the empty slot where it would go.
  size_t Find(uint32_t print) const {
    const size_t mask = Slots.size() - 1;
    size_t i = print & mask;
    while (Slots[i].Head >= 0 && Slots[i].Print != print) i = (i + 1) & mask;
    return i;
  }

  // The newest point of the cell with this print, or -1.
  int32_t HeadOf(uint32_t print) const {
    if (Slots.empty()) return -1;
    return Slots[Find(print)].Head;
  }

  void Grow() {
    std::vector<Slot> old;
    old.swap(Slots);
    Slots.assign(old.empty() ? 1024 : old.size() * 2, Slot{0, -1});
    for (const Slot& s : old) {
      if (s.Head >= 0) Slots[Find(s.Print)] = s;
    }
  }

  // Records point number n, at (x, y), in its cell.
  void Add(int32_t n, double x, double y) {
    if (static_cast<size_t>(n) >= Next.size()) Next.resize(static_cast<size_t>(n) + 1, -1);
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if ((Used + 1) * 2 > Slots.size()) Grow();
    const uint32_t print = Print(AxisKey(x), AxisKey(y), 0, 0);
    Slot& s = Slots[Find(print)];
    if (s.Head < 0) {
      s.Print = print;
      ++Used;
    }
    Next[static_cast<size_t>(n)] = s.Head;
    s.Head = n;
  }

  void Clear() {
    std::vector<Slot>().swap(Slots);
    std::vector<int32_t>().swap(Next);
    Used = 0;
  }
};

TPlacedPointList::TPlacedPointList() : index_(std::make_unique<Index>()) {}

TPlacedPointList::~TPlacedPointList() = default;

int32_t TPlacedPointList::PlacedCount() const { return count_; }

int32_t TPlacedPointList::Capacity() const { return points_.Length(); }

const TPlacedPoint& TPlacedPointList::operator[](int32_t i) const { return points_[i]; }

bool TPlacedPointList::Contains(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  const TAxisKey kx = AxisKey(x);
  const TAxisKey ky = AxisKey(y);
  for (int dx = kx.LookDown ? -1 : 0; dx <= (kx.LookUp ? 1 : 0); ++dx) {
    for (int dy = ky.LookDown ? -1 : 0; dy <= (ky.LookUp ? 1 : 0); ++dy) {
      for (int32_t n = index_->HeadOf(Index::Print(kx, ky, dx, dy)); n >= 0;
           n = index_->Next[static_cast<size_t>(n)]) {
        const TPlacedPoint& p = points_[n];
        if (Same(p.X, x) && Same(p.Y, y)) return true;
      }
    }
  }
  return false;
}

void TPlacedPointList::Prefetch([[maybe_unused]] double x, [[maybe_unused]] double y) const {
#if defined(__GNUC__)
  const std::vector<Index::Slot>& slots = index_->Slots;
  if (slots.empty() || !std::isfinite(x) || !std::isfinite(y)) return;
  const uint32_t print = Index::Print(AxisKey(x), AxisKey(y), 0, 0);
  __builtin_prefetch(&slots[print & (slots.size() - 1)]);
#endif
}

void TPlacedPointList::Append(double x, double y) {
  GrowForAppend(points_, count_);
  points_[count_ - 1] = TPlacedPoint{x, y};
  index_->Add(count_ - 1, x, y);
}

void TPlacedPointList::Clear() {
  points_.Clear();
  count_ = 0;
  index_->Clear();
}
