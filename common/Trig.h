// The sine and cosine that every end point is computed with, in long double.
// They are the Linux build's C library's; on Windows, whose C library has
// only the x87 instructions, a version of their own that agrees with it.
#pragma once

// sin(x) and cos(x) of an angle in radians. Never throws.
long double Sine(long double x);
long double Cosine(long double x);
