// The floating-point state of this thread as other programs' code leaves it
// (x86 only): the x87 control word and MXCSR, for tests that compute in a
// foreign state. Also built into the hook DLL that sets them in q527.exe.
#pragma once

#if defined(__i386__) || defined(__x86_64__)
#define Q527_TEST_FLOAT_STATE 1

struct TFloatState {
  unsigned short X87Control;
  unsigned int SseControl;
};

// The states other programs are known to leave behind: 53-bit precision
// (Windows' own default for 32-bit code), 24-bit precision (Direct3D 9),
// 64-bit precision with the invalid, zero-divide and overflow exceptions
// unmasked (DLLs built with Delphi), and SSE rounding toward zero.
inline constexpr TFloatState kForeignFloatStates[] = {
    {0x027F, 0x1F80}, {0x007F, 0x1F80}, {0x1332, 0x1F80}, {0x037F, 0x7F80}};

inline TFloatState CurrentFloatState() {
  TFloatState state{};
  __asm__ __volatile__("fnstcw %0" : "=m"(state.X87Control));
  __asm__ __volatile__("stmxcsr %0" : "=m"(state.SseControl));
  return state;
}

// Puts the thread in the state, its exception flags cleared.
inline void SetFloatState(const TFloatState& state) {
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(state.X87Control) : "memory");
  __asm__ __volatile__("ldmxcsr %0" : : "m"(state.SseControl) : "memory");
}

// While it lives, the thread is in the given state; the state before it
// comes back at its end.
class TForeignFloatState {
 public:
  explicit TForeignFloatState(const TFloatState& state) : saved_(CurrentFloatState()) {
    SetFloatState(state);
  }
  ~TForeignFloatState() { SetFloatState(saved_); }
  TForeignFloatState(const TForeignFloatState&) = delete;
  TForeignFloatState& operator=(const TForeignFloatState&) = delete;

 private:
  TFloatState saved_;
};

#endif
