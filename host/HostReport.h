// The report: the answer read back and checked, what the host would draw
// told on standard output and, when asked, drawn as pictures.
#pragma once

#include <QString>
#include <filesystem>

#include "host/HostProgram.h"

// Reads the tool's answer from exchangeFile and checks it against the answer
// grammar. For a well-formed answer, prints what the host would do and draws
// the exchange tables' drawing with the answer's points on top into png and
// svg (each when not empty; the tables read by HandOverDrawing). kOk;
// kBadAnswer for a missing or malformed answer (nothing printed or drawn, the
// fault on standard error); kUsage when a picture cannot be written (the
// report printed first).
HostStatus ReportAnswer(const std::filesystem::path& exchangeFile, const QString& png,
                        const QString& svg);
