#include "common/FloatEnvironment.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))

namespace {

// x87 control word: every exception masked (bits 0-5), 64-bit precision
// (bits 8-9 = 11), rounding to nearest (bits 10-11 = 00).
constexpr unsigned short kToolX87Control = 0x037F;
// MXCSR: every exception masked (bits 7-12), rounding to nearest, no
// flush to zero (bit 15), no denormals-are-zero (bit 6), no flags.
constexpr unsigned int kToolSseControl = 0x1F80;
// Status word bits that belong to the caller: the exception flags, the
// error summary and busy. The stack top and condition codes stay as they are.
constexpr unsigned short kX87Flags = 0x80FF;

// The 28-byte x87 environment of FNSTENV and FLDENV, in 32-bit form.
struct TX87Environment {
  unsigned int Control, Status, Tags, Rest[4];
};

}  // namespace

TFloatEnvironment::TFloatEnvironment() {
  __asm__ __volatile__("fnstcw %0" : "=m"(x87Control_));
  __asm__ __volatile__("fnstsw %0" : "=m"(x87Status_));
#ifdef __SSE__
  __asm__ __volatile__("stmxcsr %0" : "=m"(sseControl_));
#endif
  Reassert();
}

TFloatEnvironment::~TFloatEnvironment() {
  // FNSTENV masks every exception once it has stored; nothing traps between
  // it and FLDENV.
  TX87Environment environment;
  __asm__ __volatile__("fnstenv %0" : "=m"(environment));
  environment.Control = (environment.Control & 0xFFFF0000u) | x87Control_;
  environment.Status = (environment.Status & ~static_cast<unsigned int>(kX87Flags)) |
                       (x87Status_ & kX87Flags);
  __asm__ __volatile__("fldenv %0" : : "m"(environment) : "memory");
#ifdef __SSE__
  __asm__ __volatile__("ldmxcsr %0" : : "m"(sseControl_) : "memory");
#endif
}

void TFloatEnvironment::Reassert() {
  // Flags first: loading a control word over a pending flag would trap if it
  // unmasked it, and the tool's word masks all.
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(kToolX87Control) : "memory");
#ifdef __SSE__
  __asm__ __volatile__("ldmxcsr %0" : : "m"(kToolSseControl) : "memory");
#endif
}

#else

// Elsewhere the standard environment is the tool's: rounding to nearest,
// exceptions not trapping.
TFloatEnvironment::TFloatEnvironment() {
  std::fegetenv(&caller_);
  Reassert();
}

TFloatEnvironment::~TFloatEnvironment() {
  std::feclearexcept(FE_ALL_EXCEPT);
  std::fesetenv(&caller_);
}

void TFloatEnvironment::Reassert() { std::fesetenv(FE_DFL_ENV); }

#endif
