// Identifiers of the program's resources (q527.rc).
#pragma once

// The program's icon: 16, 32 and 48 pixels.
#define IDI_PROGRAM 1
