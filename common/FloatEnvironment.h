// The floating-point state the tool computes in, whatever state the thread
// was left in by other code. Other programs' DLLs run on a user-interface
// thread (global hooks, input-method add-ons, accessibility aids, shell
// extensions) and some of them change the x87 control word or MXCSR and never
// set it back: the x87 rounding to 53 or 24 bits, exceptions unmasked,
// another rounding direction. Every answer is computed in the tool's own state.
#pragma once

#if !(defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__)))
#include <cfenv>
#endif

// The tool's state while it lives: the x87 at 64-bit precision, rounding to
// nearest, every exception masked; MXCSR rounding to nearest, every exception
// masked, denormals kept (no flush to zero, no denormals-are-zero). At its
// end the caller's control words come back, with the caller's exception
// flags in place of those the tool's masked work raised, so that a caller's
// unmasked state does not trap on its next instruction. Never throws.
class TFloatEnvironment {
 public:
  TFloatEnvironment();
  ~TFloatEnvironment();
  TFloatEnvironment(const TFloatEnvironment&) = delete;
  TFloatEnvironment& operator=(const TFloatEnvironment&) = delete;

  // Sets the tool's state again: called after anything that may have run
  // other programs' code on this thread (a window repainted, a message box).
  static void Reassert();

 private:
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  unsigned short x87Control_ = 0;
  unsigned short x87Status_ = 0;
  unsigned int sseControl_ = 0;
#else
  std::fenv_t caller_;
#endif
};
