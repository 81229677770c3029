// The hand-over: the tool that q527-host starts, and the drawing written into
// JWC_TEMP.TXT beside it as the host writes it.
#pragma once

#include <QString>
#include <filesystem>
#include <optional>

// The tool named on the command line (toolArg, made absolute), else the q527
// beside q527-host (an installed layout), else ../app/q527 (the build tree),
// with the platform's suffix for programs. Nothing, after a message, when
// there is none or it is not a file.
std::optional<std::filesystem::path> FindTool(const QString& toolArg);

// Copies the drawing byte for byte to exchangeFile; a drawing that already is
// exchangeFile stays as it is. With readTables the exchange tables are read
// from the drawing first (for the picture), before the tool can rewrite it.
// False, after a message, when the drawing cannot be read or written.
bool HandOverDrawing(const std::filesystem::path& drawing,
                     const std::filesystem::path& exchangeFile, bool readTables);
