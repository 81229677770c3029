// The list of points placed in one walk and the spatial index beside it that
// answers "is there a placed point within 1e-8 on both axes?" without a scan
// of the whole list.
//
// The index is an open-addressing hash table of the placed points, keyed by a
// grid cell and sized once for the walk, so that a search usually ends after
// one cache line. Each axis value is keyed in one of two ways:
//  - |v| < 2^34: by its cell floor(v * 2^16 + 1/2). A cell is 2^-16 (about
//    1.5e-5) wide, some 1500 times the tolerance, so a point within 1e-8 lies
//    in the same cell unless the value is that close to an edge, and then only
//    the neighbour on that side needs looking at. The product and the sum are
//    exact (a power of two, and fewer than 53 bits), and the half shifts the
//    edges away from whole numbers, which drawings are full of.
//  - |v| >= 2^34: by its exact value. There neighbouring doubles are 2^-18
//    apart, so within 1e-8 of such a value lies only the value itself, and no
//    value below 2^34 can match one above.
// A point with a non-finite coordinate matches nothing (its difference with
// anything is NaN or infinite) and is kept out of the index.
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "endpoints/EndPoints.h"

namespace {

using Ext = long double;

// Point identity: each axis on its own, bounds inclusive, the difference taken
// in extended precision from the two doubles.
constexpr Ext kSameTolerance = 1e-8L;
// The difference of two doubles rounded to double is off by at most one part
// in 2^53: beyond kLoose no pair is within the tolerance.
constexpr double kLoose = 1.01e-8;

constexpr double kCellsPerUnit = 65536.0;     // 2^16
constexpr double kExactFrom = 17179869184.0;  // 2^34
// Added to a double below 2^51 in magnitude (a cell number below 2^50 here),
// rounds it to an integer held in the low bits of the sum's significand,
// where neighbouring integers have neighbouring bits: 1.5 * 2^52.
constexpr double kIntegerRounding = 6755399441055744.0;
// A matching value is at most 1e-8 * 2^16 = 6.5536e-4 cells away.
constexpr double kNearEdge = 6.6e-4;

// At most this share of the slots is ever used; a table sized for n points has
// n * 3 / 2 slots.
constexpr size_t kLoadNumerator = 3;
constexpr size_t kLoadDenominator = 4;
constexpr size_t kMinSlots = 16;

bool Same(double a, double b) {
  return std::fabs(a - b) <= kLoose && fabsl(static_cast<Ext>(a) - b) <= kSameTolerance;
}

// The key of one axis value, and the neighbouring cell a match may lie in:
// Near is -1 (the cell below), +1 (the cell above) or 0 (none).
struct TAxisKey {
  uint64_t Key;
  int Near;
};

TAxisKey AxisKey(double v) {
  if (!(std::fabs(v) < kExactFrom)) return TAxisKey{std::bit_cast<uint64_t>(v), 0};
  const double t = v * kCellsPerUnit + 0.5;
  // floor(t) without a conversion between double and a 64-bit integer,
  // which 32-bit x86 has no instruction for.
  double cell = (t + kIntegerRounding) - kIntegerRounding;
  if (cell > t) cell -= 1.0;
  const double within = t - cell;
  const int near = within <= kNearEdge ? -1 : (within >= 1.0 - kNearEdge ? 1 : 0);
  return TAxisKey{std::bit_cast<uint64_t>(cell + kIntegerRounding), near};
}

uint64_t CellHash(uint64_t kx, uint64_t ky) {
  uint64_t h = kx * 0x9E3779B97F4A7C15ull + ky;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 32);
}

}  // namespace

// A slot holds a placed point's number (plus one, so that all-zero bytes mark
// an empty slot) and the print of its cell: 32 bits of the cell's hash, the
// rest of which chose the slot. Eight-byte slots keep the table small; a
// point's coordinates are looked at only when its cell's print is the one
// searched for, which for a point not yet placed is rarely so.
struct TPlacedPointList::Index {
  struct Slot {
    uint32_t Print;
    uint32_t Point;
  };

  std::unique_ptr<Slot[]> Slots;
  size_t Size = 0;
  size_t Used = 0;
  // The empty slot that ended the last search of a home cell, and the point
  // searched for: the Append that follows an unsuccessful search goes there.
  size_t FreeSlot = 0;
  uint64_t FreeHash = 0;
  uint64_t FreeX = 0, FreeY = 0;
  bool FreeValid = false;

  // The first slot of the cell with this hash.
  size_t Home(uint64_t hash) const {
    // One 32 by 32-bit product on every platform.
    return static_cast<size_t>(
        (static_cast<uint64_t>(static_cast<uint32_t>(hash >> 32)) * static_cast<uint32_t>(Size)) >>
        32);
  }
  static uint32_t PrintOf(uint64_t hash) { return static_cast<uint32_t>(hash); }

  // Searches the run of slots where the cell with this hash begins for a
  // point of that cell within the tolerance of (x, y); sets `end` to the
  // empty slot that ends the run.
  bool Search(const BlockArray<TPlacedPoint, 100>& points, uint64_t hash, double x, double y,
              size_t& end) const {
    const uint32_t print = PrintOf(hash);
    for (size_t i = Home(hash);;) {
      const Slot& s = Slots[i];
      if (s.Point == 0) {
        end = i;
        return false;
      }
      if (s.Print == print) {
        const TPlacedPoint& p = points[static_cast<int32_t>(s.Point - 1)];
        if (Same(p.X, x) && Same(p.Y, y)) return true;
      }
      if (++i == Size) i = 0;
    }
  }

  void Put(size_t i, uint64_t hash, int32_t n) {
    Slots[i] = Slot{PrintOf(hash), static_cast<uint32_t>(n) + 1};
    ++Used;
    FreeValid = false;
  }

  void Insert(uint64_t hash, int32_t n) {
    size_t i = Home(hash);
    while (Slots[i].Point != 0) {
      if (++i == Size) i = 0;
    }
    Put(i, hash, n);
  }

  // Rebuilds the table with room for `room` points.
  void Resize(const BlockArray<TPlacedPoint, 100>& points, size_t room) {
    size_t size = room * kLoadDenominator / kLoadNumerator * 9 / 8 + 1;
    if (size < kMinSlots) size = kMinSlots;
    std::unique_ptr<Slot[]> old = std::make_unique<Slot[]>(size);
    old.swap(Slots);
    const size_t oldSize = Size;
    Size = size;
    Used = 0;
    for (size_t i = 0; i < oldSize; ++i) {
      if (old[i].Point == 0) continue;
      const auto n = static_cast<int32_t>(old[i].Point - 1);
      Insert(PointHash(points[n].X, points[n].Y), n);
    }
    FreeValid = false;
  }

  static uint64_t PointHash(double x, double y) { return CellHash(AxisKey(x).Key, AxisKey(y).Key); }

  bool Full() const { return (Used + 1) * kLoadDenominator > Size * kLoadNumerator; }

  void Clear() {
    Slots.reset();
    Size = Used = 0;
    FreeValid = false;
  }
};

TPlacedPointList::TPlacedPointList() : index_(std::make_unique<Index>()) {}

TPlacedPointList::~TPlacedPointList() = default;

int32_t TPlacedPointList::PlacedCount() const { return count_; }

int32_t TPlacedPointList::Capacity() const { return points_.Length(); }

const TPlacedPoint& TPlacedPointList::operator[](int32_t i) const { return points_[i]; }

bool TPlacedPointList::Contains(double x, double y) const {
  Index& index = *index_;
  if (index.Size == 0 || !std::isfinite(x) || !std::isfinite(y)) return false;
  const TAxisKey kx = AxisKey(x);
  const TAxisKey ky = AxisKey(y);
  const uint64_t hash = CellHash(kx.Key, ky.Key);
  size_t end;
  if (index.Search(points_, hash, x, y, end)) return true;
  if (kx.Near != 0 || ky.Near != 0) {
    const uint64_t nx = kx.Key + static_cast<uint64_t>(kx.Near);
    const uint64_t ny = ky.Key + static_cast<uint64_t>(ky.Near);
    size_t ignored;
    if (kx.Near != 0 && index.Search(points_, CellHash(nx, ky.Key), x, y, ignored)) return true;
    if (ky.Near != 0 && index.Search(points_, CellHash(kx.Key, ny), x, y, ignored)) return true;
    if (kx.Near != 0 && ky.Near != 0 && index.Search(points_, CellHash(nx, ny), x, y, ignored)) {
      return true;
    }
  }
  index.FreeSlot = end;
  index.FreeHash = hash;
  index.FreeX = std::bit_cast<uint64_t>(x);
  index.FreeY = std::bit_cast<uint64_t>(y);
  index.FreeValid = true;
  return false;
}

void TPlacedPointList::Prefetch([[maybe_unused]] double x, [[maybe_unused]] double y) const {
#if defined(__GNUC__)
  const Index& index = *index_;
  if (index.Size == 0 || !std::isfinite(x) || !std::isfinite(y)) return;
  __builtin_prefetch(&index.Slots[index.Home(Index::PointHash(x, y))]);
#endif
}

void TPlacedPointList::Append(double x, double y) {
  GrowForAppend(points_, count_);
  const int32_t n = count_ - 1;
  points_[n] = TPlacedPoint{x, y};
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  Index& index = *index_;
  if (index.Full()) index.Resize(points_, index.Used * 2 + 1);
  if (index.FreeValid && index.FreeX == std::bit_cast<uint64_t>(x) &&
      index.FreeY == std::bit_cast<uint64_t>(y)) {
    index.Put(index.FreeSlot, index.FreeHash, n);
  } else {
    index.Insert(Index::PointHash(x, y), n);
  }
}

void TPlacedPointList::Reserve(int64_t offers) {
  if (offers <= 0) return;
  Index& index = *index_;
  // No list holds more than 2^31 points.
  const size_t points = index.Used + static_cast<size_t>(offers < INT32_MAX ? offers : INT32_MAX);
  if (points * kLoadDenominator <= index.Size * kLoadNumerator) return;
  try {
    index.Resize(points_, points);
  } catch (const std::bad_alloc&) {
    // Offers are an upper bound: without the room the table grows as points come.
  }
}

void TPlacedPointList::Clear() {
  points_.Clear();
  count_ = 0;
  index_->Clear();
}
