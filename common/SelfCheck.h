// A check, before any point is produced, that this computer computes what
// the tool needs. An x86 emulator, or a processor state no one thought of,
// may compute the extended-precision arithmetic differently; then the tool
// must draw nothing rather than points in the wrong places.
#pragma once

// Runs a few known results through the routines every answer is made with:
// sines and cosines at and near multiples of a quarter turn, the ends of an
// arc and of a turned ellipse, and numbers written as the answer writes them.
// true when each lies within 4 units in the last place of its entity's size
// (for a sine or cosine near zero, of the value itself) and each text is
// exact. Changes no state; never throws.
bool ComputesAsExpected() noexcept;
