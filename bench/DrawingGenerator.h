// Exchange files shaped like a host's selection, for the benchmarks.
#pragma once

#include <cstdint>
#include <string>

// The bytes of an exchange file with `entities` entities, CR LF line ends:
// a header of attribute lines as the host writes it (no "hq"), then about
// four line segments to each arc, now and then a polyline, solids of every
// kind ("sl" with five, seven and nine tokens, "sc", "se", "so", "sg"),
// and attribute lines ("lg", "ly", "lc", "lt", "lw", "pl"/"#", "z3")
// between them. Coordinates carry realistic decimals. The same seed gives
// the same bytes on every platform.
std::string GenerateDrawing(int entities, uint32_t seed);

// Writes GenerateDrawing(entities, seed) to path in pieces, never holding
// the whole file in memory. False when the file cannot be written.
bool WriteDrawing(const std::string& path, int entities, uint32_t seed);
