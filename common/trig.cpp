#include "common/Trig.h"

#include <cmath>

#ifndef __MINGW32__

long double Sine(long double x) { return sinl(x); }
long double Cosine(long double x) { return cosl(x); }

#else

// MinGW's sinl and cosl are the x87 instructions fsin and fcos. These reduce
// their argument with a pi of only 66 bits, so that near a multiple of a
// quarter turn (the commonest angles of all) a result near zero keeps few
// correct bits, and elsewhere they are off by a unit in the last place far
// more often than the Linux C library, which reduces exactly. Here the
// argument is reduced exactly and the series are summed in pairs of long
// doubles (about 128 bits), so the result is the correctly rounded one, as
// the Linux library's is in all but rare cases.

namespace {

using Ext = long double;

// A value as the unevaluated sum Hi + Lo, |Lo| at most half a unit in the
// last place of Hi.
struct TPair {
  Ext Hi, Lo;
};

TPair QuickSum(Ext a, Ext b) {  // |a| >= |b|
  const Ext s = a + b;
  return {s, b - (s - a)};
}

TPair Sum(Ext a, Ext b) {
  const Ext s = a + b;
  const Ext bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a = Hi + Lo with 32 significant bits in each, so that products of halves
// are exact.
TPair Halves(Ext a) {
  constexpr Ext kSplitter = 0x1p32L + 1.0L;
  const Ext t = kSplitter * a;
  const Ext hi = t - (t - a);
  return {hi, a - hi};
}

TPair Product(Ext a, Ext b) {
  const Ext p = a * b;
  const TPair x = Halves(a);
  const TPair y = Halves(b);
  return {p, ((x.Hi * y.Hi - p) + x.Hi * y.Lo + x.Lo * y.Hi) + x.Lo * y.Lo};
}

TPair Add(const TPair& a, const TPair& b) {
  TPair s = Sum(a.Hi, b.Hi);
  return QuickSum(s.Hi, s.Lo + (a.Lo + b.Lo));
}

TPair Multiply(const TPair& a, const TPair& b) {
  const TPair p = Product(a.Hi, b.Hi);
  return QuickSum(p.Hi, p.Lo + (a.Hi * b.Lo + a.Lo * b.Hi));
}

TPair DivideBy(const TPair& a, Ext n) {
  const Ext q1 = a.Hi / n;
  const TPair back = Product(q1, n);
  const Ext q2 = (((a.Hi - back.Hi) - back.Lo) + a.Lo) / n;
  return QuickSum(q1, q2);
}

// The terms of the two series: Terms[n] = (-1)^(n/2) / n!, enough of them
// for |x| <= pi/4 to reach far below the last bit of the result.
constexpr int kTermCount = 26;
// The first terms, down to about 2^-18 of the result, are summed in pairs;
// the rounding of the smaller ones in plain long double stays far below the
// last bit.
constexpr int kPairedTerms = 8;

struct TTerms {
  TPair Term[kTermCount];
  TTerms() {
    TPair factorial{1.0L, 0.0L};  // 1 / n!
    for (int n = 0; n < kTermCount; ++n) {
      if (n > 0) factorial = DivideBy(factorial, n);
      Term[n] = (n / 2) % 2 == 0 ? factorial : TPair{-factorial.Hi, -factorial.Lo};
    }
  }
};

// The series of sin (first 1) or cos (first 0) at r: the sum over the terms
// of that parity, in powers of r squared.
Ext Series(const TPair& r, int first) {
  static const TTerms terms;
  const TPair square = Multiply(r, r);
  Ext tail = terms.Term[kTermCount - 2 + first].Hi;
  for (int n = kTermCount - 4 + first; n >= kPairedTerms + first; n -= 2)
    tail = terms.Term[n].Hi + square.Hi * tail;
  TPair sum{tail, 0.0L};
  for (int n = kPairedTerms - 2 + first; n >= 0; n -= 2)
    sum = Add(terms.Term[n], Multiply(square, sum));
  if (first == 1) sum = Multiply(sum, r);
  return sum.Hi + sum.Lo;
}

// pi/2 in 32-bit parts, so that k times each is exact for |k| < 2^32.
constexpr Ext kQuarterTurn[] = {0xc90fdaa2p-31L, 0x85a308d3p-65L, 0x98cc5170p-100L,
                                0xdc1cd129p-135L, 0x93822299p-173L};
constexpr Ext kQuarterTurnsPerRadian = 0.63661977236758134308L;
constexpr Ext kMostQuarterTurns = 0x1p31L;
// Adding and taking away this rounds a long double below 2^62 to an integer.
constexpr Ext kRounder = 0x3p62L;

// x as quarter turns (modulo 4) and the rest, |rest| <= pi/4; false for an
// argument of more quarter turns than the parts allow for.
bool Reduce(Ext x, int& quarter, TPair& rest) {
  const Ext turns = x * kQuarterTurnsPerRadian;
  if (!(fabsl(turns) < kMostQuarterTurns)) return false;
  const Ext k = (turns + kRounder) - kRounder;
  // x and k times the first part lie so close that their difference is exact.
  TPair r{x - k * kQuarterTurn[0], 0.0L};
  for (int i = 1; i < 5; ++i) {
    const TPair s = Sum(r.Hi, -(k * kQuarterTurn[i]));
    r = {s.Hi, r.Lo + s.Lo};
  }
  rest = QuickSum(r.Hi, r.Lo);
  quarter = static_cast<int>(static_cast<long long>(k) & 3);
  return true;
}

// sin(x) for offset 0, cos(x) = sin(x + pi/2) for offset 1.
Ext SineOf(Ext x, int offset) {
  int quarter = 0;
  TPair rest;
  if (!Reduce(x, quarter, rest)) return offset == 0 ? sinl(x) : cosl(x);
  quarter = (quarter + offset) & 3;
  const Ext value = Series(rest, quarter % 2 == 0 ? 1 : 0);
  return quarter >= 2 ? -value : value;
}

}  // namespace

long double Sine(long double x) { return SineOf(x, 0); }
long double Cosine(long double x) { return SineOf(x, 1); }

#endif
