// The x87 unit of 32-bit x86 keeps 64-bit significands, so that a double
// computed there is rounded twice: once to 64 bits, once to 53 when stored.
// This build computes its doubles in SSE2, but a library compiled for the
// x87 (MinGW's libstdc++, whose std::from_chars multiplies in it) rounds
// twice unless the x87 is told to round to 53 bits.
#pragma once

#if defined(__MINGW32__) && defined(__i386__)
#include <float.h>

// While it lives, the x87 rounds every result to a double's 53 bits; the
// precision before it is restored at its end. Long double arithmetic needs
// the 64 bits: nothing but a library call that reads a double stands inside.
class TDoubleRounding {
 public:
  TDoubleRounding() : saved_(_controlfp(0, 0) & _MCW_PC) { _controlfp(_PC_53, _MCW_PC); }
  ~TDoubleRounding() { _controlfp(saved_, _MCW_PC); }
  TDoubleRounding(const TDoubleRounding&) = delete;
  TDoubleRounding& operator=(const TDoubleRounding&) = delete;

 private:
  unsigned int saved_;
};
#else
// Everywhere else doubles are rounded once already: nothing to do.
class TDoubleRounding {
 public:
  TDoubleRounding() {}
  TDoubleRounding(const TDoubleRounding&) = delete;
  TDoubleRounding& operator=(const TDoubleRounding&) = delete;
};
#endif
