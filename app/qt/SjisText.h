// The dialog's texts are Shift-JIS bytes; the toolkit wants Unicode.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// Shift-JIS (code page 932) bytes as a QString.
QString DecodeSjis(std::string_view text);

// A QString as Shift-JIS (code page 932) bytes; a character with no
// Shift-JIS form becomes what the codec makes of it.
std::string EncodeSjis(const QString& text);
