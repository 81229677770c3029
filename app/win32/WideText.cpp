#include "app/win32/WideText.h"

#include <windows.h>

namespace {

// Shift-JIS, the code page of the exchange file and of the dialog's texts.
constexpr UINT kShiftJis = 932;

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideOfSjis(std::string_view text) { return Widen(kShiftJis, text); }

std::wstring WideOfAnsi(std::string_view text) { return Widen(CP_ACP, text); }

std::string SjisOfWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // No best fit: "¥" must not become a backslash, nor "é" an "e".
  constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
  const int length =
      WideCharToMultiByte(kShiftJis, kFlags, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(kShiftJis, kFlags, text.data(), size, bytes.data(), length, nullptr,
                        nullptr);
  return bytes;
}
