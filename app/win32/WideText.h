// The dialog's texts are Shift-JIS bytes; the Windows API wants UTF-16.
#pragma once

#include <string>
#include <string_view>

// Shift-JIS (code page 932) bytes as UTF-16, whatever the system's code page.
std::wstring WideOfSjis(std::string_view text);

// UTF-16 as Shift-JIS (code page 932) bytes; a character with no Shift-JIS
// form becomes "?".
std::string SjisOfWide(std::wstring_view text);

// Text in the system's ANSI code page (a runtime's message) as UTF-16.
std::wstring WideOfAnsi(std::string_view text);
