// The building steps of the entity tables, shared by the reader's rules
// (reader.cpp) and the tables (tables.cpp). Internal to the exchange unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/MyFunc.h"

// The tokens of one line; token 0 is the keyword or the first number.
using JwwTokens = std::span<const std::string_view>;

// Set by every rule that writes a layer state or name or a numbered point:
// JwwInit sets those arrays back only when a file has written them, since
// most drawings never do and their 600 entries add up over many runs.
extern bool JwwLayerArraysWritten;

// float(t[first]) .. float(t[first + count - 1]) into the caller's scratch
// out; the caller makes sure those tokens exist. Passes EFloatOverflow on.
inline void JwwFloats(JwwTokens t, size_t first, size_t count, double* out) {
  for (size_t i = 0; i < count; ++i) out[i] = TextToFloat(t[first + i]);
}

// Every building step below converts the numbers of its line first and only
// then appends its record (and its order pair) and stamps the header, so a
// line that throws EFloatOverflow leaves the tables and the state untouched.
// None of them clears the attributes that end with an entity: the reader does.

// Four tokens: a line segment (kind 1), or, while MsgMode is set, the new
// HeldLine with no record and no order pair.
void JwwAddLine(JwwTokens t);

// "ci" with four tokens: a full circle (kind 2).
void JwwAddCircle(JwwTokens t);

// "ci" with eight or more tokens: an arc or elliptical arc (kind 3).
void JwwAddArc(JwwTokens t);

// A text line of six or more tokens (kind 4); textKind 0..9 from the keyword.
void JwwAddText(JwwTokens t, int32_t textKind);

// "cs" of six or more tokens while MsgMode is set: a dimension (kind 7) made of
// HeldLine and a text of kind 2.
void JwwAddDim(JwwTokens t);

// "pt" with three tokens: a point (kind 5) in the colour CurPn.
void JwwAddPoint(JwwTokens t);

// "pt" with six or more tokens: a point with mark (kind 6) in the colour CurPn.
void JwwAddPointMark(JwwTokens t);

// "BL" with four or more tokens: a block reference (kind 8).
void JwwAddBlk(JwwTokens t);

// "sl" with five, seven, or nine or more tokens: a linear, triangle or
// quadrilateral solid (kind 9, 10 or 11) once coinciding corners are merged.
// Any other token count stores nothing.
void JwwAddPolygonSolid(JwwTokens t);

// "sc" (kind 12) or "se" (kind 13) with nine or more tokens.
void JwwAddSolidCircle(JwwTokens t, int32_t kind);

// "so" (kind 14) or "sg" (kind 15) with nine or more tokens.
void JwwAddSolidRing(JwwTokens t, int32_t kind);
