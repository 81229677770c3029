// Running the tool as the host does: in its own folder, with no input, for
// as long as the user takes over its dialog.
#pragma once

#include <filesystem>

#include "host/HostProgram.h"

// Starts the tool and waits for it to end. Its standard output is dropped so
// that q527-host's own holds the report alone; its messages go on to
// standard error. Outside Windows a Windows build of the tool (a file name
// ending in ".exe", in any case) runs through the wine found on PATH, with
// WINEDEBUG=-all unless WINEDEBUG is set. kOk when the tool ended by itself
// with status 0; otherwise kToolFailed, after a message.
HostStatus RunTool(const std::filesystem::path& tool);
