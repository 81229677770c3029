// The one place that asks the operating system where the running program lies.
#pragma once

#include <filesystem>

// The running executable's full path; empty when the platform cannot tell.
std::filesystem::path RunningProgramPath();
