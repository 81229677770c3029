// Where the running program lies, found without the toolkit, for the answer
// that must be written even when the toolkit cannot start.
#pragma once

#include <string>

// The running executable's full path in the platform's file-name bytes;
// empty when the platform cannot tell.
std::string RunningProgramPath();
