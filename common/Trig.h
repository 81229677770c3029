// The sine and cosine that every end point is computed with, in long double.
// They are the C library's sinl and cosl, except under MinGW, whose library
// has only the x87 instructions: there a version of their own agrees with
// the Linux build's library.
#pragma once

// sin(x) and cos(x) of an angle in radians. Never throws.
long double Sine(long double x);
long double Cosine(long double x);
