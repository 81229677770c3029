// The home-made 128-bit integer against the compiler's unsigned __int128, on
// edge and random operands: every operation the number conversions use.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/UInt128.h"

#if defined(__SIZEOF_INT128__)

namespace {

using Native = unsigned __int128;

TUInt128 Ours(Native n) {
  return TUInt128(static_cast<uint64_t>(n >> 64)) << 64 | TUInt128(static_cast<uint64_t>(n));
}

Native Theirs(TUInt128 n) {
  return Native{static_cast<uint64_t>(n >> 64)} << 64 | static_cast<uint64_t>(n);
}

std::vector<Native> Operands() {
  constexpr uint64_t kAll = ~uint64_t{0};
  std::vector<Native> operands;
  // Carries and borrows happen at the ends of each half.
  for (const uint64_t half : {uint64_t{0}, uint64_t{1}, uint64_t{2}, uint64_t{0xFFFFFFFF},
                              uint64_t{1} << 32, uint64_t{1} << 63, kAll - 1, kAll}) {
    operands.push_back(half);
    operands.push_back(Native{half} << 64);
    operands.push_back(Native{half} << 64 | kAll);
    operands.push_back(Native{half} << 64 | 1);
  }
  std::mt19937_64 random(128);
  for (int i = 0; i < 200; ++i) {
    const uint64_t high = random(), low = random();
    // Whole width, one half only, and short numbers.
    operands.push_back(Native{high} << 64 | low);
    operands.push_back(low);
    operands.push_back(low >> (random() % 64));
  }
  return operands;
}

TEST(UInt128, AgreesWithTheCompilersType) {
  const std::vector<Native> operands = Operands();
  for (const Native a : operands) {
    const TUInt128 x = Ours(a);
    ASSERT_EQ(Theirs(x), a);
    for (int n = 0; n < 128; ++n) {
      ASSERT_EQ(Theirs(x << n), a << n) << n;
      ASSERT_EQ(Theirs(x >> n), a >> n) << n;
      TUInt128 shifted = x;
      ASSERT_EQ(Theirs(shifted <<= n), a << n) << n;
    }
    for (const Native b : operands) {
      const TUInt128 y = Ours(b);
      ASSERT_EQ(Theirs(x + y), a + b);
      ASSERT_EQ(Theirs(x - y), a - b);
      ASSERT_EQ(Theirs(x * y), a * b);
      ASSERT_EQ(Theirs(x & y), (a & b));
      ASSERT_EQ(Theirs(x | y), (a | b));
      ASSERT_EQ(x == y, a == b);
      ASSERT_EQ(x < y, a < b);
      ASSERT_EQ(x >= y, a >= b);
      TUInt128 z = x;
      ASSERT_EQ(Theirs(z += y), a + b);
      ASSERT_EQ(Theirs(z -= y), a);
      ASSERT_EQ(Theirs(z |= y), (a | b));
    }
  }
}

}  // namespace

#endif
