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
//
// Other code on the thread may leave the x87 rounding to 53 bits. The tool
// computes in 64 bits, but nothing here depends on that for more than the
// last digits: the quarter turns are counted through an integer conversion,
// each part of pi/2 times any count is exact in 53 bits as in 64, and the
// terms of the series are fixed when the program is compiled. The paired
// products then keep about 95 bits instead of 128, which still rounds to
// the same double in all but the rarest cases.

namespace {

using Ext = long double;

// A value as the unevaluated sum Hi + Lo, |Lo| at most half a unit in the
// last place of Hi.
struct TPair {
  Ext Hi, Lo;
};

constexpr TPair QuickSum(Ext a, Ext b) {  // |a| >= |b|
  const Ext s = a + b;
  return {s, b - (s - a)};
}

constexpr TPair Sum(Ext a, Ext b) {
  const Ext s = a + b;
  const Ext bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a = Hi + Lo with 32 significant bits in each, so that products of halves
// are exact.
constexpr TPair Halves(Ext a) {
  constexpr Ext kSplitter = 0x1p32L + 1.0L;
  const Ext t = kSplitter * a;
  const Ext hi = t - (t - a);
  return {hi, a - hi};
}

constexpr TPair Product(Ext a, Ext b) {
  const Ext p = a * b;
  const TPair x = Halves(a);
  const TPair y = Halves(b);
  return {p, ((x.Hi * y.Hi - p) + x.Hi * y.Lo + x.Lo * y.Hi) + x.Lo * y.Lo};
}

constexpr TPair Add(const TPair& a, const TPair& b) {
  TPair s = Sum(a.Hi, b.Hi);
  return QuickSum(s.Hi, s.Lo + (a.Lo + b.Lo));
}

constexpr TPair Multiply(const TPair& a, const TPair& b) {
  const TPair p = Product(a.Hi, b.Hi);
  return QuickSum(p.Hi, p.Lo + (a.Hi * b.Lo + a.Lo * b.Hi));
}

constexpr TPair DivideBy(const TPair& a, Ext n) {
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
  constexpr TTerms() : Term{} {
    TPair factorial{1.0L, 0.0L};  // 1 / n!
    for (int n = 0; n < kTermCount; ++n) {
      if (n > 0) factorial = DivideBy(factorial, n);
      Term[n] = (n / 2) % 2 == 0 ? factorial : TPair{-factorial.Hi, -factorial.Lo};
    }
  }
};

// Computed by the compiler, in 64 bits, whatever the x87's state when the
// program runs.
constexpr TTerms kTerms;

// The series of sin (first 1) or cos (first 0) at r: the sum over the terms
// of that parity, in powers of r squared.
Ext Series(const TPair& r, int first) {
  const TTerms& terms = kTerms;
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

// pi/2 in parts of at most 21 bits, so that k times each is exact in 53 bits
// as in 64 for |k| < 2^32; together they hold pi/2 to 2^-188.
constexpr Ext kQuarterTurn[] = {0x1921fbp-20L,  0xa8885p-41L,   0x14611ap-62L,
                                0xc4c66p-83L,   0x51701p-104L,  0x170734p-125L,
                                0x94812p-146L,  0xe088ap-167L,  0xcf98ep-188L};
constexpr int kQuarterTurnParts = sizeof kQuarterTurn / sizeof kQuarterTurn[0];
constexpr Ext kQuarterTurnsPerRadian = 0.63661977236758134308L;
constexpr Ext kMostQuarterTurns = 0x1p31L;

// The whole number nearest turns (|turns| < 2^31). The conversion to an
// integer truncates whatever the x87's precision and rounding, and the
// fraction it leaves is exact.
Ext NearestWhole(Ext turns) {
  long long whole = static_cast<long long>(turns);
  const Ext fraction = turns - static_cast<Ext>(whole);
  if (fraction > 0.5L) ++whole;
  if (fraction < -0.5L) --whole;
  return static_cast<Ext>(whole);
}

// x as quarter turns (modulo 4) and the rest, |rest| <= pi/4 (and a little);
// false for an argument of more quarter turns than the parts allow for.
bool Reduce(Ext x, int& quarter, TPair& rest) {
  const Ext turns = x * kQuarterTurnsPerRadian;
  if (!(fabsl(turns) < kMostQuarterTurns)) return false;
  const Ext k = NearestWhole(turns);
  // x and k times the first part lie so close that their difference is exact.
  TPair r{x - k * kQuarterTurn[0], 0.0L};
  for (int i = 1; i < kQuarterTurnParts; ++i) {
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
