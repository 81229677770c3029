// An unsigned 128-bit integer for compilers that have none (32-bit x86), used
// by the number conversions in place of unsigned __int128.
#pragma once

#include <cstdint>

// The operations the number conversions use, exact and wrapping as unsigned
// __int128 does, so that every platform reads and writes the same digits.
// Shifts take counts from 0 to 127.
class TUInt128 {
 public:
  constexpr TUInt128(uint64_t low = 0) : high_(0), low_(low) {}
  // The low 64 bits.
  constexpr explicit operator uint64_t() const { return low_; }

  friend constexpr TUInt128 operator<<(TUInt128 a, int n) {
    if (n == 0) return a;
    if (n >= 64) return Of(a.low_ << (n - 64), 0);
    return Of(a.high_ << n | a.low_ >> (64 - n), a.low_ << n);
  }
  friend constexpr TUInt128 operator>>(TUInt128 a, int n) {
    if (n == 0) return a;
    if (n >= 64) return Of(0, a.high_ >> (n - 64));
    return Of(a.high_ >> n, a.low_ >> n | a.high_ << (64 - n));
  }
  friend constexpr TUInt128 operator+(TUInt128 a, TUInt128 b) {
    const uint64_t low = a.low_ + b.low_;
    return Of(a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low);
  }
  friend constexpr TUInt128 operator-(TUInt128 a, TUInt128 b) {
    return Of(a.high_ - b.high_ - (a.low_ < b.low_ ? 1 : 0), a.low_ - b.low_);
  }
  friend constexpr TUInt128 operator*(TUInt128 a, TUInt128 b) {
    TUInt128 product = Product(a.low_, b.low_);
    product.high_ += a.high_ * b.low_ + a.low_ * b.high_;
    return product;
  }
  friend constexpr TUInt128 operator&(TUInt128 a, TUInt128 b) {
    return Of(a.high_ & b.high_, a.low_ & b.low_);
  }
  friend constexpr TUInt128 operator|(TUInt128 a, TUInt128 b) {
    return Of(a.high_ | b.high_, a.low_ | b.low_);
  }
  friend constexpr bool operator==(TUInt128 a, TUInt128 b) {
    return a.high_ == b.high_ && a.low_ == b.low_;
  }
  friend constexpr bool operator<(TUInt128 a, TUInt128 b) {
    return a.high_ < b.high_ || (a.high_ == b.high_ && a.low_ < b.low_);
  }
  friend constexpr bool operator>=(TUInt128 a, TUInt128 b) { return !(a < b); }
  constexpr TUInt128& operator<<=(int n) { return *this = *this << n; }
  constexpr TUInt128& operator+=(TUInt128 b) { return *this = *this + b; }
  constexpr TUInt128& operator-=(TUInt128 b) { return *this = *this - b; }
  constexpr TUInt128& operator|=(TUInt128 b) { return *this = *this | b; }

 private:
  static constexpr TUInt128 Of(uint64_t high, uint64_t low) {
    TUInt128 value(low);
    value.high_ = high;
    return value;
  }
  // The whole product of two 64-bit numbers, from four of 32 by 32 bits.
  static constexpr TUInt128 Product(uint64_t a, uint64_t b) {
    const uint64_t a0 = a & 0xFFFFFFFF, a1 = a >> 32, b0 = b & 0xFFFFFFFF, b1 = b >> 32;
    const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFF) + (p10 & 0xFFFFFFFF);
    return Of(p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), middle << 32 | (p00 & 0xFFFFFFFF));
  }

  uint64_t high_;
  uint64_t low_;
};
